#!/usr/bin/python3
"""Draw the game's pictures into the story's sources, tools/story/src/.

Each picture is painted procedurally (tools/art/scenes.py) from a fixed seed,
so the same files come out on every run.  The game shows them stretched into
a 4:3 box; they are 640x480 and stored as JPEG, GIF, PNG or BMP; the build's
pelirra-convert gives each its .dat name in the story folder (the game looks
at the content, not the name).

Usage:
    /usr/bin/python3 tools/art/make_art.py                 # all pictures
    /usr/bin/python3 tools/art/make_art.py toudai hoshi    # only these
    /usr/bin/python3 tools/art/make_art.py --preview DIR   # also write DIR/NAME.png

Needs Debian's python3-pil and python3-numpy.
"""
import sys
from pathlib import Path

import numpy as np
from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent))
import scenes  # noqa: E402
from paint import to_image  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
SRC = ROOT / "tools" / "story" / "src"
EXTENSIONS = {"JPEG": "jpg", "GIF": "gif", "PNG": "png", "BMP": "bmp"}

# name in the story -> (scene, storage format, seed, where the story shows it)
PICTURES = {
    "ive":     (scenes.town_view,      "PNG",  11, "start of every event: Quillet from the hill"),
    "game":    (scenes.workshop_night, "JPEG", 12, "crafting turns: the workbench at night"),
    "kobo":    (scenes.workshop_day,   "JPEG", 13, "the workshop by day"),
    "minato":  (scenes.harbour_dawn,   "JPEG", 14, "the harbour in the morning"),
    "toudai":  (scenes.lighthouse_dusk, "GIF", 15, "Toji's lighthouse at dusk"),
    "teibou":  (scenes.breakwater,     "JPEG", 16, "Kai on the breakwater at sunset"),
    "yado":    (scenes.inn_window,     "BMP",  17, "the window of the Hidamari inn"),
    "matsuri": (scenes.festival,       "JPEG", 18, "the summer festival night"),
    "hoshi":   (scenes.starry_sea,     "GIF",  19, "stars over the sea"),
    "toro":    (scenes.lanterns,       "PNG",  20, "lanterns floating on the sea"),
}


def save(img, path, fmt):
    if fmt == "JPEG":
        img.save(path, "JPEG", quality=85, optimize=True, progressive=False)
    elif fmt == "GIF":
        pal = img.quantize(256, method=Image.Quantize.LIBIMAGEQUANT)
        pal.save(path, "GIF", optimize=True)
    elif fmt == "PNG":
        img.save(path, "PNG", optimize=True)
    elif fmt == "BMP":
        img.save(path, "BMP")
    else:
        raise ValueError(fmt)


def main(argv):
    preview = None
    if "--preview" in argv:
        i = argv.index("--preview")
        preview = Path(argv[i + 1])
        preview.mkdir(parents=True, exist_ok=True)
        argv = argv[:i] + argv[i + 2:]
    names = argv or list(PICTURES)
    unknown = [n for n in names if n not in PICTURES]
    if unknown:
        print(f"unknown picture(s): {' '.join(unknown)}")
        return 1
    SRC.mkdir(exist_ok=True)
    for name in names:
        scene, fmt, seed, _ = PICTURES[name]
        img = to_image(scene(np.random.default_rng(seed)))
        out = SRC / f"{name}.{EXTENSIONS[fmt]}"
        save(img, out, fmt)
        print(f"{out.relative_to(ROOT)}: {fmt}, {out.stat().st_size // 1024} KB")
        if preview:
            Image.open(out).convert("RGB").save(preview / f"{name}.png")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
