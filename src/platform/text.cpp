#include "platform/text.h"

#include <QString>

namespace platform {

int InStr(TextView hay, TextView needle)
{
    const auto at = hay.find(needle);
    return at == TextView::npos ? 0 : static_cast<int>(at) + 1;
}

Text Mid(TextView s, int start)
{
    if (start < 1 || static_cast<size_t>(start) > s.size())
        return {};
    return Text(s.substr(static_cast<size_t>(start) - 1));
}

Text Mid(TextView s, int start, int length)
{
    if (start < 1 || length <= 0 || static_cast<size_t>(start) > s.size())
        return {};
    return Text(s.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(length)));
}

Text Left(TextView s, int length)
{
    if (length <= 0)
        return {};
    return Text(s.substr(0, static_cast<size_t>(length)));
}

Text UCase(TextView s)
{
    Text out(s);
    for (auto& c : out) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return out;
}

Text Str(long long n)
{
    const std::string digits = std::to_string(n);
    return Text(digits.begin(), digits.end());
}

std::string toUtf8(TextView s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toStdString();
}

Text fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdU16String();
}

} // namespace platform
