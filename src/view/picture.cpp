// The picture the player sees: held in the hidden box Dfe, painted stretched over all of Img.
#include "shell/fom.h"

#include "shell/paths.h"
#include "story/files.h"

using namespace platform;

void Fom::ShowImg(const Text& name)
{
    // Quiet on every failure: a picture that cannot be loaded leaves the held one, a box with
    // nothing to paint stays as it is.
    try {
        if (!name.empty()) {
            if (!staysInDataFolder(name))
                return;
            const Text path = DatPath + story::dataFile(storyFileName(name));
            Dfe.setPicture(LoadPicture(path, sys.files.displayName(path)));
        }
        Img.setScaleModePixels();
        const int w = Img.ScaleWidth();
        const int h = Img.ScaleHeight();
        const int sw = Dfe.ScaleWidth();
        const int sh = Dfe.ScaleHeight();
        Img.PaintPicture(Dfe.picture(), 0, 0, w, h, 0, 0, sw, sh);
    } catch (const std::exception&) { }
}
