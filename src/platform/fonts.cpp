// The font of every widget: Japanese text, and the Latin letters among it, in a proportional face.
#include "platform/fonts_p.h"
#include "platform/qt_conversions_p.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <fontconfig/fontconfig.h>

#include <future>

namespace platform {

namespace {
// fontconfig's choice of a sans-serif face for Japanese, when that face is proportional (a
// fixed-pitch face such as IPAGothic draws "Quillet > " like a command prompt).
QString fontconfigJapaneseFace()
{
    QString family;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    if (!pattern)
        return family;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        int spacing = FC_PROPORTIONAL;
        FcLangSet* langs = nullptr;
        const bool named = FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch;
        FcPatternGetInteger(match, FC_SPACING, 0, &spacing); // absent: proportional
        const bool japanese = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch
            && FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
        if (named && japanese && spacing == FC_PROPORTIONAL)
            family = QString::fromUtf8(reinterpret_cast<const char*>(name));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family;
}
// The face looked up ahead, while the toolkit starts (lookUpUiFontAhead).
std::future<QString> aheadFace;
} // namespace

void lookUpUiFontAhead()
{
    aheadFace = std::async(std::launch::async, fontconfigJapaneseFace);
}

QStringList uiFontFamilies()
{
    // The proportional faces Debian packages for Japanese, IPA P Gothic first
    // (fonts-ipafont-gothic).
    QStringList families { "IPAPGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic",
        "Sans Serif" };
    const QString chosen = aheadFace.valid() ? aheadFace.get() : fontconfigJapaneseFace();
    if (!chosen.isEmpty()) {
        families.removeAll(chosen);
        families.prepend(chosen);
    }
    return families;
}

double textWidthTwips(TextView text, double points)
{
    QFont font;
    font.setFamilies(uiFontFamilies());
    font.setPointSizeF(points);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi
        = screen && screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : 96.0;
    return QFontMetricsF(font).horizontalAdvance(toQ(text)) * 1440 / dpi;
}

} // namespace platform
