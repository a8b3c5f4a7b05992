#include "platform/controls/paragraphs_p.h"

#include "platform/qt_conversions_p.h"

namespace platform {

QString displayParagraphs(TextView t)
{
    const QString s = displayText(t);
    QString out;
    qsizetype from = 0; // what is not in `out` yet
    qsizetype start = 0; // the start of the current paragraph
    for (qsizetype i = 0; i <= s.size(); ++i) {
        if (i < s.size() && s[i] != u'\n') {
            if (i - start < MaxShownParagraph)
                continue;
            qsizetype cut = i;
            for (qsizetype k = i - 1; k > i - MaxShownParagraph / 2; --k) {
                if (s[k] == u' ' || s[k] == u'\u3000') {
                    cut = k + 1;
                    break;
                }
            }
            if (s[cut - 1].isHighSurrogate())
                --cut;
            out += QStringView(s).mid(from, cut - from);
            out += u'\n';
            from = start = cut;
            i = cut - 1;
            continue;
        }
        start = i + 1;
    }
    if (from == 0)
        return s;
    out += QStringView(s).mid(from);
    return out;
}

} // namespace platform
