#include "platform/qt_conversions_p.h"

namespace platform {

QString toQ(TextView t)
{
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

QString displayText(TextView t)
{
    QString s = toQ(t);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QColor toQColor(Color c)
{
    return QColor(c.r, c.g, c.b);
}

MouseButton fromQt(Qt::MouseButton b)
{
    switch (b) {
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return MouseButton::Left;
    }
}

} // namespace platform
