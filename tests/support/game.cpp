#include "support/game.h"

#include "platform/cp932.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include <fstream>
#include <sstream>

namespace test {

std::string u8(const Text& t)
{
    return platform::toUtf8(t);
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeLines(
    const std::string& path, const std::vector<Text>& lines, const std::string& eol, bool lastEol)
{
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
        bytes += platform::cp932::encode(lines[i]);
        if (i + 1 < lines.size() || lastEol)
            bytes += eol;
    }
    writeBytes(path, bytes);
}

std::vector<Text> readLines(const std::string& path)
{
    const std::string bytes = readBytes(path);
    std::vector<Text> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(platform::cp932::decode(bytes.substr(start)));
            break;
        }
        lines.push_back(platform::cp932::decode(bytes.substr(start, end - start)));
        start = end + 2;
    }
    return lines;
}

void writePicture(const std::string& path, int w, int h, const char* format, unsigned rgb)
{
    if (std::string(format) == "GIF") {
        // Qt reads GIF but does not write it: a one-pixel GIF, whose only colour is `rgb`.
        std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
        gif += static_cast<char>((rgb >> 16) & 0xff);
        gif += static_cast<char>((rgb >> 8) & 0xff);
        gif += static_cast<char>(rgb & 0xff);
        gif += std::string("\0\0\0\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3b", 19);
        writeBytes(path, gif);
        return;
    }
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(rgb));
    ASSERT_TRUE(img.save(QString::fromStdString(path), format)) << path;
}

int RecordingMci::mciSendString(platform::TextView command, Text* reply, int replyLength)
{
    commands.emplace_back(command);
    if (device)
        return results.emplace_back(device->mciSendString(command, reply, replyLength));
    if (!mode)
        return results.emplace_back(ErrNoDevice);
    if (command == u"status MIDI mode")
        platform::putReply(reply, replyLength, *mode);
    return results.emplace_back(0);
}

Game::Game()
{
    auto recording = std::make_unique<RecordingMci>();
    mci = recording.get();
    sys.mci = std::move(recording);
    sys.programFolder = dir_.path().toStdU16String();
    sys.userDataFolder = (dir_.path() + QStringLiteral("/home/.local/share")).toStdU16String();
    sys.showError = [this](const Text& message) { errors.push_back(message); };
    sys.exitProgram = [this](int code) {
        exited = true;
        exitCode = code;
    };
    sys.random.seed(12345);
    QDir(dir_.path()).mkdir("dat");
}

Game::~Game() = default;

std::string Game::folder() const
{
    return dir_.path().toStdString();
}

std::string Game::dat(const std::string& name) const
{
    return folder() + "/dat/" + name;
}

void Game::file(const std::string& name, const std::vector<Text>& lines)
{
    writeLines(dat(name), lines);
}

void Game::minimalStory(const std::vector<Text>& captions)
{
    file("txt.dat", captions);
    file("0.dat", { u"はじまり" });
}

int Game::readOn(int limit)
{
    int ticks = 0;
    while (fom_->TimIve.ticking() && ticks < limit && !exited) {
        fom_->TimIve.fire();
        ++ticks;
    }
    return ticks;
}

Fom& Game::openPastRecords()
{
    Fom& f = start();
    readOn();
    f.Lbl.press(platform::MouseButton::Left);
    f.Com(f.Com.UBound() - 1).click(); // the past-record button shows the list
    return f;
}

void Game::key(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* window = fom_->Me.widget();
    QWidget* at = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(at, &press);
    if (exited)
        return;
    at = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(at, &release);
}

std::vector<std::string> Game::listed()
{
    std::vector<std::string> out;
    for (int i = 0; i < fom_->Lst.ListCount(); ++i)
        out.push_back(u8(fom_->Lst.List(i)));
    return out;
}

Fom& Game::start()
{
    fom_ = std::make_unique<Fom>(sys);
    fom_->load();
    return *fom_;
}

} // namespace test
