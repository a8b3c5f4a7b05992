// Conversions between the platform's types and Qt's. Private to the platform layer.
#pragma once

#include "platform/controls/control.h"

#include <QColor>
#include <QString>

namespace platform {

QString toQ(TextView t);
// Captions break lines at CR LF (a lone CR or LF also breaks).
QString displayText(TextView t);
QColor toQColor(Color c);
MouseButton fromQt(Qt::MouseButton b);

} // namespace platform
