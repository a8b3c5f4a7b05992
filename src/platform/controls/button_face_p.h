// How a command button looks: flat in its own back colour with a raised edge, enabled or not;
// only its caption greys out while it is disabled. The platform style draws none of it. Private
// to the platform layer.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace platform {

struct ButtonLook
{
    QColor face; // the back colour
    QColor ink; // the caption's colour
    QFont font;
    QString caption;
    bool down = false; // pressed: the edge is sunken and the caption moves by a pixel
    bool enabled = true;
    bool focused = false; // a dotted frame inside the edge
};

void paintButtonFace(QPainter& p, const QRect& r, const ButtonLook& look);

} // namespace platform
