#!/usr/bin/env python3
"""Draws the window icon: a warm lamp flame over a night-blue tile with two small stars.

Writes src/shell/icon.xpm (32 x 32, a palette of at most 256 colours). Standard library only.
Run from the repository root: python3 tools/art/make_icon.py
"""
import math

SIZE, SS = 32, 4  # output size and supersampling factor


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


def main():
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc, n = [0.0, 0.0, 0.0], 0
            for j in range(SS):
                for i in range(SS):
                    c = sample(px + (i + 0.5) / SS, py + (j + 0.5) / SS)
                    if c:
                        acc = [acc[k] + c[k] for k in range(3)]
                        n += 1
            if n < SS * SS // 2:
                row.append(None)
            else:
                # Quantise to a 16-level grid per channel so the palette stays small.
                row.append(tuple(min(255, int(round(acc[k] / n / 17)) * 17) for k in range(3)))
        pixels.append(row)

    colours = sorted({c for row in pixels for c in row if c})
    assert len(colours) < 256
    chars = "".join(chr(c) for c in range(35, 127) if chr(c) not in '"\\')
    keys = {}
    for i, c in enumerate(colours):
        keys[c] = chars[i // len(chars)] + chars[i % len(chars)]
    lines = [f'"{SIZE} {SIZE} {len(colours) + 1} 2"', '"   c None"']
    lines += [f'"{keys[c]} c #{c[0]:02x}{c[1]:02x}{c[2]:02x}"' for c in colours]
    for row in pixels:
        lines.append('"' + "".join(keys[c] if c else "  " for c in row) + '"')
    with open("src/shell/icon.xpm", "w") as f:
        f.write("/* XPM */\n/* The window icon. Drawn by tools/art/make_icon.py; do not edit. */\n")
        f.write("static const char* const pelirra_icon_xpm[] = {\n")
        f.write(",\n".join(lines))
        f.write("\n};\n")


if __name__ == "__main__":
    main()
