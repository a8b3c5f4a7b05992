#include "platform/controls/button_face_p.h"

#include <QPainter>
#include <QPen>

namespace platform {

namespace {
QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}
} // namespace

void paintButtonFace(QPainter& p, const QRect& r, const ButtonLook& look)
{
    const QColor& face = look.face;
    p.fillRect(r, face);

    // A raised edge of two lines, lit from the top left, made from the face colour so that every
    // colour keeps one; pressed, the edge is sunken and the caption moves by a pixel.
    const QColor highlight = mix(face, Qt::white, 0.7);
    const QColor light = mix(face, Qt::white, 0.35);
    const QColor shadow = mix(face, Qt::black, 0.35);
    const QColor dark = mix(face, Qt::black, 0.7);
    const bool down = look.down;
    const auto edge = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        const QRect e = r.adjusted(inset, inset, -inset, -inset);
        if (e.width() < 1 || e.height() < 1)
            return;
        p.setPen(topLeft);
        p.drawLine(e.topLeft(), e.topRight());
        p.drawLine(e.topLeft(), e.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(e.bottomLeft(), e.bottomRight());
        p.drawLine(e.topRight(), e.bottomRight());
    };
    edge(0, down ? dark : highlight, down ? highlight : dark);
    edge(1, down ? shadow : light, down ? light : shadow);

    // The caption, centred; greyed and engraved while the button is disabled. "&&" shows one "&".
    QRect box = r.adjusted(2, 2, -2, -2);
    if (down)
        box.translate(1, 1);
    const int flags = Qt::AlignCenter | Qt::TextHideMnemonic;
    p.setFont(look.font);
    if (look.enabled) {
        p.setPen(look.ink);
        p.drawText(box, flags, look.caption);
    } else {
        p.setPen(highlight);
        p.drawText(box.translated(1, 1), flags, look.caption);
        p.setPen(shadow);
        p.drawText(box, flags, look.caption);
    }
    if (look.focused) {
        QPen dotted(look.ink);
        dotted.setStyle(Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(r.adjusted(4, 4, -5, -5));
    }
}

} // namespace platform
