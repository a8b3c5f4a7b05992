// Pictures read from files: the format told from the content, the limits checked before decoding.
#include "platform/picture/picture.h"

#include "platform/errors.h"
#include "platform/files/files.h"
#include "platform/files/regular_file.h"
#include "platform/picture/metadata.h"
#include "platform/picture/metafile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <atomic>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<uint64_t> nextPictureId { 1 };
} // namespace

int Picture::width() const
{
    return image_ ? image_->width() : 0;
}
int Picture::height() const
{
    return image_ ? image_->height() : 0;
}

namespace {
// The common formats, told from their first bytes, so that only their reader is loaded;
// anything else is left to the readers' own tests of the content.
QByteArray formatFromSignature(QIODevice& file)
{
    const QByteArray head = file.peek(8);
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("BM"))
        return "bmp";
    if (head.size() >= 4 && head[0] == 0 && head[1] == 0 && (head[2] == 1 || head[2] == 2)
        && head[3] == 0)
        return "ico";
    return {};
}
} // namespace

namespace {
// The file last decoded and its picture, for as long as anybody holds that picture: loading the
// same unchanged file again (both activations of a start show the first event's picture)
// decodes nothing.
struct Decoded
{
    Text path;
    struct stat file
    {
    };
    std::weak_ptr<const QImage> image;
    uint64_t id = 0;
};
thread_local Decoded lastDecoded;

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

Picture LoadPicture(const Text& path, const Text& displayName)
{
    // A regular file only: a named pipe in its place would keep the reader waiting for ever.
    const int fd = openRegularFile(path, displayName);
    struct stat st
    {
    };
    const bool known = ::fstat(fd, &st) == 0;
    if (known && path == lastDecoded.path && sameFile(st, lastDecoded.file)) {
        if (auto image = lastDecoded.image.lock()) {
            ::close(fd);
            Picture pic;
            pic.image_ = std::move(image);
            pic.id_ = lastDecoded.id;
            return pic;
        }
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw RuntimeError(
            displayName + u": cannot be read (" + file.errorString().toStdU16String() + u")");
    }
    const auto tooLarge = [&](const QSize& size) {
        return RuntimeError(displayName + u": too large to show (" + Str(size.width()) + u" × "
            + Str(size.height()) + u" pixels; at most " + Str(MaxPicturePixels) + u" pixels)");
    };
    // A file too large for any picture the game shows is refused before anything is decoded.
    if (file.size() > MaxPictureFileBytes)
        throw RuntimeError(displayName + u": too large to be a picture (" + Str(file.size())
            + u" bytes; at most " + Str(MaxPictureFileBytes) + u")");
    if (metafile::isMetafile(file.peek(44))) { // drawn, not decoded
        Picture pic;
        pic.image_ = std::make_shared<const QImage>(metafile::draw(file.readAll(), displayName));
        pic.id_ = nextPictureId++;
        if (known)
            lastDecoded = { path, st, pic.image_, pic.id_ };
        return pic;
    }
    const QByteArray format = formatFromSignature(file);
    // A PNG or JPEG with more metadata than a picture needs is read without it.
    QBuffer stripped;
    if (picture_metadata::bytes(fd, format, MaxPictureMetadataBytes) > MaxPictureMetadataBytes) {
        long long skipped = 0;
        stripped.setData(picture_metadata::without(fd, format, skipped));
        stripped.open(QIODevice::ReadOnly);
    }
    // The format is recognised from the content, never from the name. One decode may take at
    // most MaxPictureDecodeMiB; a picture whose header claims more pixels than MaxPicturePixels
    // is refused before anything is decoded.
    QImageReader::setAllocationLimit(MaxPictureDecodeMiB);
    QImageReader reader(stripped.isOpen() ? static_cast<QIODevice*>(&stripped) : &file, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() > MaxPicturePixels)
        throw tooLarge(size);
    if (size.isValid() && (size.width() > MaxPictureSide || size.height() > MaxPictureSide))
        reader.setScaledSize(size.scaled(MaxPictureSide, MaxPictureSide, Qt::KeepAspectRatio)
                                 .expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        throw RuntimeError(displayName + u": not a picture that can be shown ("
            + reader.errorString().toStdU16String() + u")");
    if (static_cast<long long>(image.width()) * image.height() > MaxPicturePixels)
        throw tooLarge(image.size());
    if (image.width() > MaxPictureSide || image.height() > MaxPictureSide)
        image = image.scaled(
            QSize(MaxPictureSide, MaxPictureSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // In place where it can be. An opaque picture stays opaque: scaled, it can then become the
    // surface of a box it covers.
    image.convertTo(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    Picture pic;
    pic.image_ = std::make_shared<const QImage>(std::move(image));
    pic.id_ = nextPictureId++;
    if (known)
        lastDecoded = { path, st, pic.image_, pic.id_ };
    return pic;
}

} // namespace platform
