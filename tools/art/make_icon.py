#!/usr/bin/env python3
"""Draws the game's icon: a warm lamp flame over a night-blue tile with two small stars.

Writes the window icon src/shell/icon.xpm (32 x 32, a palette of at most 256 colours) and the
icons of the desktop menu, packaging/icons/hicolor/NxN/apps/pelirra.png at 32, 48, 64, 128 and
256 pixels; the 32-pixel PNG holds exactly the pixels of the window icon. Standard library only.
Run from the repository root: python3 tools/art/make_icon.py
"""
import math
import struct
import zlib
from pathlib import Path

SIZE, SS = 32, 4  # the drawing's own size (the window icon's) and the supersampling factor
MENU_SIZES = (32, 48, 64, 128, 256)


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sample(x, y):
    """Colour and coverage of one point of the icon, in 0..32 coordinates."""
    # Rounded tile.
    r, inset = 6.0, 1.0
    dx = max(inset + r - x, 0, x - (SIZE - inset - r))
    dy = max(inset + r - y, 0, y - (SIZE - inset - r))
    if math.hypot(dx, dy) > r:
        return None
    col = lerp((20, 34, 74), (58, 52, 110), y / SIZE)
    # Soft glow around the flame.
    g = math.hypot(x - 16, y - 17)
    col = lerp(col, (250, 190, 110), max(0.0, 1 - g / 13) ** 2 * 0.55)
    # Flame: a drop shape pointing up.
    fx, fy = (x - 16) / 6.5, (y - 19) / 9.0
    if fy < 0:
        inside = fx * fx + fy * fy * (1 + fy * 0.9) < 1 and abs(fx) < 1 + fy * 0.95
    else:
        inside = fx * fx + fy * fy * 2.2 < 1
    if inside:
        core = math.hypot(fx * 1.4, fy * 1.1 - 0.25)
        col = lerp((255, 248, 214), (245, 140, 60), min(1.0, core))
    # Lamp base.
    if 10.5 < x < 21.5 and 26 < y < 28.5:
        col = (214, 160, 92)
    # Two little stars.
    for sx, sy, s in ((7, 8, 1.6), (25, 6.5, 1.2)):
        d = abs(x - sx) + abs(y - sy)
        if d < s:
            col = lerp(col, (255, 255, 240), 1 - d / s)
    return col


def render(size):
    """Rows of (r, g, b) or None per pixel at `size` pixels (the window icon's quantised look at
    32), and the coverage of each pixel for the larger ones."""
    scale = SIZE / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, n = [0.0, 0.0, 0.0], 0
            for j in range(SS):
                for i in range(SS):
                    c = sample((px + (i + 0.5) / SS) * scale, (py + (j + 0.5) / SS) * scale)
                    if c:
                        acc = [acc[k] + c[k] for k in range(3)]
                        n += 1
            if size == SIZE:
                if n < SS * SS // 2:
                    row.append(None)
                else:
                    # Quantise to a 16-level grid per channel so the palette stays small.
                    row.append((tuple(min(255, int(round(acc[k] / n / 17)) * 17)
                                      for k in range(3)), 255))
            elif n == 0:
                row.append(None)
            else:
                row.append((tuple(min(255, int(round(acc[k] / n))) for k in range(3)),
                            int(round(255 * n / (SS * SS)))))
        rows.append(row)
    return rows


def write_png(path, rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for p in row:
            raw += bytes((*p[0], p[1])) if p else bytes(4)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(b"\x89PNG\r\n\x1a\n"
                     + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_xpm(path, rows):
    colours = sorted({p[0] for row in rows for p in row if p})
    assert len(colours) < 256
    chars = "".join(chr(c) for c in range(35, 127) if chr(c) not in '"\\')
    keys = {}
    for i, c in enumerate(colours):
        keys[c] = chars[i // len(chars)] + chars[i % len(chars)]
    lines = [f'"{SIZE} {SIZE} {len(colours) + 1} 2"', '"   c None"']
    lines += [f'"{keys[c]} c #{c[0]:02x}{c[1]:02x}{c[2]:02x}"' for c in colours]
    for row in rows:
        lines.append('"' + "".join(keys[p[0]] if p else "  " for p in row) + '"')
    with open(path, "w") as f:
        f.write("/* XPM */\n/* The window icon. Drawn by tools/art/make_icon.py; do not edit. */\n")
        f.write("static const char* const pelirra_icon_xpm[] = {\n")
        f.write(",\n".join(lines))
        f.write("\n};\n")


def main():
    for size in MENU_SIZES:
        rows = render(size)
        if size == SIZE:
            write_xpm(Path("src/shell/icon.xpm"), rows)
        write_png(Path(f"packaging/icons/hicolor/{size}x{size}/apps/pelirra.png"), rows)


if __name__ == "__main__":
    main()
