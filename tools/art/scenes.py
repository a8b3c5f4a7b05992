"""The scenes of Quillet, one function each.  Every function takes a numpy
random generator and returns a finished 640x480 float RGB canvas."""
import math

import numpy as np

from paint import (H, W, X, Y, Layer, below, blur, fbm, finish, glow, hexc, mix,
                   paint, radial, reflection, ridge, screen, smooth, stars, vgrad,
                   vnoise, water)

# One palette for the whole town
PAL = {
    "sky_day": "#6aa2d4", "sky_haze": "#f2e6d3", "sea_far": "#9cc4cf",
    "sea_mid": "#4f93b0", "sea_deep": "#24607f", "grass": "#8bb36f",
    "grass_dark": "#4d7a50", "wall": ["#f4ecdc", "#efe0c4", "#f7f2e8", "#ead2bf", "#dde6e4"],
    "roof": ["#c65f3f", "#b34e3a", "#3f6e8e", "#5b8f88", "#cf8a4f", "#8b5068"],
    "wood": "#9a6a44", "wood_dark": "#5d3b25", "lamp": "#ffcf85",
    "night_top": "#0d1530", "night_mid": "#1c2d58", "night_low": "#3b4f7c",
    "dusk_gold": "#ffc27a", "dusk_rose": "#e88a7c", "dusk_violet": "#6d5a8e",
    "ink": "#1a1826",
}


def clouds(canvas, rng, y_top, y_bot, cover=0.58, lit="#fffaf0", shade="#c8c2d8", k=0.95,
           cell=(150, 38)):
    n = fbm(rng, cell[0], cell[1], 5)
    band = smooth(y_top - 20, y_top + 30, Y) * (1 - smooth(y_bot - 40, y_bot, Y))
    m = smooth(cover, cover + 0.16, n) * band
    # lit from above: compare with the noise a few pixels higher
    up = np.roll(n, 6, axis=0)
    light = np.clip((n - up) * 9 + 0.55, 0, 1)
    col = mix(shade, lit, light)
    paint(canvas, m * k, col)


def house(L, x, y, s, rng, lit_windows=0.0, night=False):
    """A little seaside house standing on (x, y), s is its scale."""
    wall = PAL["wall"][rng.integers(0, len(PAL["wall"]))]
    roof = PAL["roof"][rng.integers(0, len(PAL["roof"]))]
    w, h, side = 20 * s, 14 * s * (0.9 + rng.random() * 0.5), 7 * s
    if night:
        wall = mix(wall, "#1b2340", 0.78)
        roof = mix(roof, "#141a30", 0.75)
    wall_c, side_c = hexc(wall), hexc(wall) * 0.72
    roof_c = hexc(roof)
    # side face and front face
    L.poly([(x + w, y), (x + w + side, y - side * 0.5), (x + w + side, y - h - side * 0.5),
            (x + w, y - h)], side_c)
    L.rect(x, y - h, x + w, y, wall_c)
    # roof: front triangle gable and sloped side
    rh = 9 * s
    L.poly([(x - 1.5 * s, y - h), (x + w / 2, y - h - rh), (x + w + 1.5 * s, y - h)], roof_c * 0.82)
    L.poly([(x + w / 2, y - h - rh), (x + w / 2 + side, y - h - rh - side * 0.5),
            (x + w + side + 1.5 * s, y - h - side * 0.5), (x + w + 1.5 * s, y - h)], roof_c)
    # windows and a door
    for i in range(2):
        wx = x + w * (0.18 + 0.5 * i)
        lit = rng.random() < lit_windows
        c = "#ffd792" if lit else ("#2d3b55" if not night else "#101629")
        L.rect(wx, y - h * 0.72, wx + 4 * s, y - h * 0.72 + 4.5 * s, c)
    if s > 0.9:
        L.rect(x + w * 0.42, y - 7.5 * s, x + w * 0.42 + 4 * s, y, mix(roof, "#3a2a20", 0.5))
    return wall_c


def rock(L, x, y, r, rng, dark, light, flat=0.6):
    """An irregular boulder; its top catches the light."""
    n = 9
    pts = []
    for i in range(n):
        a = math.pi + i / (n - 1) * math.pi          # upper half outline
        rr = r * (0.75 + rng.random() * 0.35)
        pts.append((x + math.cos(a) * rr * 1.3, y + math.sin(a) * rr * flat))
    pts += [(x + r * 1.2, y + r * 0.25), (x - r * 1.2, y + r * 0.25)]
    L.poly(pts, dark)
    top = [(px * 0.7 + x * 0.3 - r * 0.15, py * 0.75 + (y - r * flat * 0.2) * 0.25)
           for px, py in pts[1:n - 1]]
    L.poly(top + [(x + r * 0.3, y - r * flat * 0.35), (x - r * 0.7, y - r * flat * 0.3)], light, 150)


def tree(L, x, y, s, rng, leaf="#4f7d4d", leaf_lit="#86ad6a", trunk="#5b4332"):
    L.poly([(x - 2 * s, y), (x + 2 * s, y), (x + 1.2 * s, y - 26 * s), (x - 1.2 * s, y - 26 * s)],
           trunk)
    clumps = []
    for i in range(16):
        a = rng.random() * math.tau
        r = rng.random() ** 0.6 * 15 * s
        clumps.append((x + math.cos(a) * r * 1.2, y - 34 * s + math.sin(a) * r * 0.8,
                       (8 + rng.random() * 6) * s))
    for bx, by, rr in clumps:
        L.ellipse(bx, by, rr, rr * 0.85, mix(leaf, "#1f3a2a", 0.35))
    for bx, by, rr in clumps:
        L.ellipse(bx + rr * 0.15, by - rr * 0.2, rr * 0.8, rr * 0.65, leaf)
    for bx, by, rr in clumps[:9]:
        L.ellipse(bx + rr * 0.3, by - rr * 0.35, rr * 0.45, rr * 0.35, leaf_lit)


def lighthouse(L, x, y, s, body="#f4f0e6", band="#c4503c", shade=0.75):
    """Tower standing on (x, y)."""
    h, wb, wt = 60 * s, 9 * s, 6 * s
    L.poly([(x - wb, y), (x + wb, y), (x + wt, y - h), (x - wt, y - h)], body)
    L.poly([(x, y), (x + wb, y), (x + wt, y - h), (x, y - h)], hexc(body) * shade)
    for f in (0.3, 0.62):
        y0, y1 = y - h * f, y - h * (f + 0.12)
        w0 = wb + (wt - wb) * f
        w1 = wb + (wt - wb) * (f + 0.12)
        L.poly([(x - w0, y0), (x + w0, y0), (x + w1, y1), (x - w1, y1)], band)
        L.poly([(x, y0), (x + w0, y0), (x + w1, y1), (x, y1)], hexc(band) * shade)
    L.rect(x - wt - 2 * s, y - h - 2 * s, x + wt + 2 * s, y - h, "#3a3540")
    L.rect(x - wt * 0.8, y - h - 11 * s, x + wt * 0.8, y - h - 2 * s, "#fff1c2")
    L.poly([(x - wt - 1 * s, y - h - 11 * s), (x + wt + 1 * s, y - h - 11 * s), (x, y - h - 18 * s)],
           band)
    return x, y - h - 6.5 * s


def boat(L, x, y, s, hull="#e9e2d2", trim="#c4503c", cabin="#f2ecdf", dark=False):
    """Small fishing boat, waterline at y."""
    if dark:
        hull = trim = cabin = PAL["ink"]
    L.poly([(x - 30 * s, y - 9 * s), (x + 34 * s, y - 11 * s), (x + 24 * s, y + 2 * s),
            (x - 24 * s, y + 2 * s)], hull)
    L.poly([(x - 30 * s, y - 9 * s), (x + 34 * s, y - 11 * s), (x + 33 * s, y - 8 * s),
            (x - 29 * s, y - 6 * s)], trim)
    L.rect(x - 8 * s, y - 24 * s, x + 10 * s, y - 9 * s, cabin)
    L.rect(x - 5 * s, y - 21 * s, x + 1 * s, y - 15 * s, "#2e3d57" if not dark else PAL["ink"])
    L.line([(x + 3 * s, y - 24 * s), (x + 3 * s, y - 52 * s)], "#3c3434" if not dark else PAL["ink"],
           1.6 * s)
    L.line([(x + 3 * s, y - 50 * s), (x + 30 * s, y - 11 * s)], "#5a5050" if not dark else PAL["ink"],
           0.6 * s)


def gulls(L, rng, n, x0, x1, y0, y1, colour="#fbf6ee", s=1.0):
    for _ in range(n):
        x, y = x0 + rng.random() * (x1 - x0), y0 + rng.random() * (y1 - y0)
        w = (5 + rng.random() * 5) * s
        L.line([(x - w, y - w * 0.35), (x - w * 0.4, y - w * 0.1), (x, y + w * 0.12),
                (x + w * 0.4, y - w * 0.1), (x + w, y - w * 0.4)], colour, 1.3 * s)


# --------------------------------------------------------------------------
def town_view(rng):
    """ive: Quillet in the afternoon, houses climbing the hill over the sea."""
    hz = 232
    c = vgrad([(0, "#5b95cc"), (0.5, "#9cc3e0"), (0.85, "#e5e3dc"), (1, PAL["sky_haze"])], 0, hz)
    glow(c, 560, 40, 150, "#fff2d2", 0.55)
    clouds(c, rng, 30, 190, cover=0.56)
    water(c, rng, hz, H, [(0, "#a7cad2"), (0.25, "#5f9fb9"), (1, "#2a6787")], streak=0.12)
    reflection(c, rng, 560, hz, 22, "#fff4d8", 0.5)
    # far cape with the lighthouse
    cape = ridge(rng, hz - 4 + np.clip((X[0] - 60) / 180, 0, 1) * 0 + 0, 3, 40)
    cape = np.where(X[0] < 250, hz - 22 + (X[0] / 250) ** 2 * 22 + (cape - hz + 4), hz + 5)
    paint(c, below(cape) * (Y < hz + 2), mix("#7d9aa6", "#9db4bb", smooth(hz - 25, hz, Y)))
    L = Layer()
    lx, ly = lighthouse(L, 120, hz - 17, 0.33)
    L.onto(c)
    glow(c, lx, ly, 10, "#fff4c8", 0.5)
    # the town hill on the right, a rounded shoulder falling to the harbour
    t = np.clip((640 - X[0]) / 390, 0, None)
    hill = ridge(rng, 112 + 262 * t ** 1.5, 5, 70)
    hill_m = below(hill)
    fields = fbm(rng, 55, 35, 4)
    hill_col = mix("#9cbf76", "#4f7c52", np.clip(smooth(120, 480, Y) * 0.75 + (fields - 0.5) * 1.2, 0, 1))
    patches = smooth(0.58, 0.62, fbm(rng, 70, 30, 3))
    hill_col = hill_col + (hexc("#d6c772") - hill_col) * (patches * 0.35 * (1 - smooth(250, 420, Y)))[..., None]
    paint(c, hill_m, hill_col)
    # sunlit rim along the ridge
    rim = np.clip(1 - (Y - hill[None, :]) / 6, 0, 1) * hill_m
    screen(c, hexc("#e4f0b0") * (rim * 0.55)[..., None])
    # a lane winding up the hill, stone walls and bushes
    L = Layer()
    lane = [(250, 480), (330, 430), (300, 395), (420, 350), (390, 310), (500, 262), (470, 222),
            (560, 180), (600, 140)]
    L.line(lane, "#e3d4b0", 4.5)
    for _ in range(50):
        x = 260 + rng.random() * 380
        yt = hill[int(min(x, W - 1))] + 8
        y = yt + rng.random() * (H - yt)
        r = 3 + rng.random() * 4 * (0.5 + (y - 120) / 360)
        L.ellipse(x, y, r * 1.3, r, "#3f6a45")
        L.ellipse(x - r * 0.3, y - r * 0.35, r * 0.8, r * 0.5, "#79a35e")
    L.onto(c)
    # houses, back to front
    L = Layer()
    spots = []
    for _ in range(95):
        x = 250 + rng.random() * 420
        top = hill[int(np.clip(x, 0, W - 1))] + 22
        y = top + rng.random() ** 1.3 * (H + 40 - top)
        if y > H + 20:
            continue
        spots.append((y, x))
    spots.sort()
    for y, x in spots:
        s = 0.55 + (y - 150) / 330 * 1.3
        house(L, x - 10 * s, y, s, rng)
        if rng.random() < 0.25:
            tree(L, x + 22 * s, y + 3, s * 0.55, rng)
    L.onto(c)
    # a stone pier and boats in the little harbour
    L = Layer()
    L.poly([(150, 436), (318, 424), (330, 432), (330, 446), (150, 452)], "#6f6a6e")
    L.poly([(150, 432), (318, 420), (330, 428), (152, 438)], "#cfc4b0")
    L.rect(146, 430, 156, 452, "#5c585e")
    boat(L, 220, 470, 0.75)
    boat(L, 92, 418, 0.5, trim="#3f6e8e")
    gulls(L, rng, 4, 180, 420, 60, 140)
    L.onto(c)
    stones = fbm(rng, 6, 4, 2)
    pier = ((X > 150) & (X < 330) & (Y > 438) & (Y < 452)).astype(np.float32)
    c *= (1 + pier * (stones - 0.5) * 0.4)[..., None]
    # a tree framing the left edge, grass at the bottom
    L = Layer()
    fg = ridge(rng, 448 + (X[0] / 640) * 10, 6, 60)
    tree(L, 22, 470, 3.4, rng, leaf="#3f6a43", leaf_lit="#7ea664")
    crown = L.onto(c) * (Y < 405)
    # leafy texture, lit from the upper right
    leaves = fbm(rng, 7, 7, 4)
    side = ((X - 22) * 0.6 - (Y - 354) * 0.8) / 90
    paint(c, crown * 0.8, mix("#24402c", "#9cc272", np.clip(0.42 + side * 0.35 + (leaves - 0.5) * 1.4, 0, 1)))
    grass = below(np.where(X[0] < 160, fg, H + 5))
    paint(c, grass, mix("#6f9a58", "#41683f", smooth(440, 480, Y)))
    L = Layer()
    for _ in range(40):
        x, y = rng.random() * 150, 452 + rng.random() * 26
        L.ellipse(x, y, 1.6, 1.6, ["#fff6e0", "#f6d36b", "#f2a7b0"][rng.integers(0, 3)])
    L.onto(c)
    # warm afternoon haze over everything
    screen(c, hexc("#fff0d8") * (radial(560, 40, 420) * 0.18)[..., None])
    return finish(c, rng, vignette=0.28, warmth=0.02)


def workshop(rng, night):
    """The workshop: back wall, window on the sea, shelves, the workbench."""
    # --- back wall of planks
    wood = "#b07c50" if not night else "#7a5236"
    c = np.zeros((H, W, 3), np.float32)
    grain = fbm(rng, 3, 60, 3)
    planks = (X // 48).astype(int)
    tone = (np.sin(planks * 12.9898) * 43758.5453) % 1.0
    wall = hexc(wood) * (0.82 + 0.16 * tone[..., None] + (grain[..., None] - 0.5) * 0.18)
    seam = np.clip(1 - np.abs((X % 48) - 0.5) / 1.2, 0, 1)
    wall *= (1 - 0.45 * seam)[..., None]
    c[:] = wall
    # floor strip hidden by the bench; ceiling beam
    L = Layer()
    L.rect(0, 0, W, 26, PAL["wood_dark"])
    L.rect(0, 26, W, 31, "#3f2718")
    # --- window
    wx0, wy0, wx1, wy1 = 60, 70, 300, 280
    L.onto(c)
    view = np.zeros_like(c)
    hz = 200
    if night:
        view[:] = vgrad([(0, "#101a3c"), (0.7, "#2a3e6e"), (1, "#48598a")], wy0, hz)
        stars(view, rng, 220, hz, bright=1.0)
        glow(view, 230, 115, 14, "#fff6dc", 1.0)
        glow(view, 230, 115, 60, "#9fb4e8", 0.35)
        water(view, rng, hz, wy1, [(0, "#34497a"), (1, "#141f3f")], streak=0.2, cell=(40, 1.6))
        reflection(view, rng, 230, hz, 6, "#e8ecff", 0.6, y1=wy1)
    else:
        view[:] = vgrad([(0, "#7fb2dc"), (0.8, "#cfe1ea"), (1, "#f0eadf")], wy0, hz)
        clouds(view, rng, wy0, hz - 20, cover=0.55, cell=(90, 26))
        water(view, rng, hz, wy1, [(0, "#8fc0cc"), (1, "#3a7d9c")], streak=0.18, cell=(40, 1.6))
        reflection(view, rng, 200, hz, 10, "#ffffff", 0.35, y1=wy1)
        cape = ridge(rng, np.full(W, hz - 9.0), 4, 30)
        cape = np.where((X[0] > 190) & (X[0] < 300), cape + ((X[0] - 245) / 55) ** 2 * 9, hz + 3)
        paint(view, below(cape) * (Y < hz + 1), "#86a3a8")
    inside = ((X >= wx0) & (X < wx1) & (Y >= wy0) & (Y < wy1)).astype(np.float32)
    paint(c, inside, view)
    L = Layer()
    fr = "#4a2f1e" if night else "#6b4630"
    for x0, y0, x1, y1 in [(wx0 - 12, wy0 - 12, wx1 + 12, wy0), (wx0 - 12, wy1, wx1 + 12, wy1 + 14),
                           (wx0 - 12, wy0, wx0, wy1), (wx1, wy0, wx1 + 12, wy1),
                           ((wx0 + wx1) / 2 - 4, wy0, (wx0 + wx1) / 2 + 4, wy1),
                           (wx0, (wy0 + wy1) / 2 - 4, wx1, (wy0 + wy1) / 2 + 4)]:
        L.rect(x0, y0, x1, y1, fr)
    L.rect(wx0 - 18, wy1 + 8, wx1 + 18, wy1 + 18, mix(fr, "#ffffff", 0.08))
    # a pot of herbs and a glass float on the sill
    L.rrect(92, wy1 - 14, 118, wy1 + 8, 3, "#b86a48")
    for i in range(9):
        a = -1.2 + i * 0.3
        L.line([(105, wy1 - 12), (105 + math.sin(a) * 22, wy1 - 14 - math.cos(a) * 26)], "#5f8f4f", 2.2)
    L.ellipse(250, wy1 - 4, 12, 12, "#5fa3a6", 220)
    L.ellipse(246, wy1 - 8, 3.5, 3.5, "#e8fbff", 200)
    # --- shelves with jars, boxes, a little boat
    for sy in (120, 210):
        L.rect(370, sy, 620, sy + 9, PAL["wood_dark"])
        L.poly([(380, sy + 9), (392, sy + 9), (384, sy + 26)], "#3f2718")
        L.poly([(600, sy + 9), (612, sy + 9), (608, sy + 26)], "#3f2718")
    items = [("jar", 388, 120, "#7fb6b0"), ("box", 420, 120, "#c98b5a"), ("jar", 470, 120, "#d7b36a"),
             ("boat", 530, 120, "#e9e2d2"), ("box", 585, 120, "#8e6a9a"),
             ("box", 385, 210, "#6f8fb0"), ("jar", 430, 210, "#c9a0a0"), ("book", 470, 210, "#a14f3c"),
             ("jar", 540, 210, "#9dc07a"), ("box", 570, 210, "#d9c49a")]
    for kind, x, y, col in items:
        if kind == "jar":
            L.rrect(x, y - 30, x + 24, y, 6, col)
            L.rect(x + 3, y - 36, x + 21, y - 29, "#8a6a4a")
            L.rect(x + 4, y - 25, x + 7, y - 8, "#ffffff", 110)
        elif kind == "box":
            L.rect(x, y - 22, x + 30, y, col)
            L.rect(x, y - 22, x + 30, y - 17, hexc(col) * 0.8)
        elif kind == "book":
            for i, bc in enumerate(["#a14f3c", "#3f6e8e", "#d2a15a", "#5b8f70"]):
                L.rect(x + i * 9, y - 34 + (i % 2) * 4, x + i * 9 + 8, y, bc)
        elif kind == "boat":
            L.poly([(x, y - 12), (x + 44, y - 14), (x + 36, y), (x + 6, y)], col)
            L.line([(x + 22, y - 13), (x + 22, y - 44)], "#5d3b25", 1.5)
            L.poly([(x + 23, y - 42), (x + 23, y - 16), (x + 40, y - 18)], "#f7efe0")
    L.onto(c)
    # --- lamp (night) hanging from the beam
    L = Layer()
    lamp_x, lamp_y = 330, 96
    L.line([(lamp_x, 31), (lamp_x, lamp_y - 18)], "#2a1a10", 1.4)
    L.poly([(lamp_x - 10, lamp_y - 18), (lamp_x + 10, lamp_y - 18), (lamp_x + 26, lamp_y),
            (lamp_x - 26, lamp_y)], "#2f5b55" if not night else "#244a46")
    L.ellipse(lamp_x, lamp_y + 3, 8, 6, "#fff3cf" if night else "#d8d0bc")
    L.onto(c)
    # --- workbench
    L = Layer()
    top0, top1 = 330, 420
    L.poly([(0, top0), (W, top0), (W, top1), (0, top1)], "#b07e52")
    L.rect(0, top1, W, H, "#6a4429")
    L.rect(0, top1, W, top1 + 5, "#c9976a")
    L.onto(c)
    gr = fbm(rng, 120, 3, 4)
    bench_m = ((Y >= top0) & (Y < top1)).astype(np.float32)
    c *= (1 + bench_m * (gr - 0.5) * 0.35)[..., None]
    front = ((Y >= top1 + 5)).astype(np.float32)
    c *= (1 + front * (fbm(rng, 160, 2, 3) - 0.5) * 0.3)[..., None]
    # things on the bench
    L = Layer()
    # open box with shells
    L.poly([(380, 372), (470, 372), (478, 400), (372, 400)], "#7a4f30")
    L.poly([(386, 374), (464, 374), (468, 392), (382, 392)], "#4f3220")
    for i in range(6):
        L.ellipse(396 + i * 12, 386 - (i % 2) * 3, 5, 3.5, ["#f3d9d0", "#f7efe2", "#e9c0b5"][i % 3])
    L.poly([(380, 372), (470, 372), (456, 336), (392, 336)], "#8e5d39")
    # ribbon spool
    L.ellipse(150, 385, 20, 9, "#c4503c")
    L.rect(130, 372, 170, 385, "#c4503c")
    L.ellipse(150, 372, 20, 9, "#e07a63")
    L.ellipse(150, 372, 6, 3, "#6a4429")
    L.line([(170, 380), (210, 392), (250, 386), (280, 395)], "#c4503c", 2.2)
    # chisel and carving knife
    L.line([(520, 395), (600, 380)], "#a9adb4", 3)
    L.line([(580, 384), (612, 378)], "#6a4429", 6)
    L.line([(240, 410), (310, 404)], "#a9adb4", 2.2)
    L.line([(300, 405), (330, 402)], "#8e5d39", 5)
    # a small carved bird, the thing being made
    L.ellipse(300, 366, 22, 12, "#d8b48a")
    L.ellipse(320, 356, 10, 9, "#d8b48a")
    L.poly([(328, 356), (338, 359), (328, 361)], "#b07e52")
    L.poly([(280, 362), (262, 354), (266, 370)], "#c9a176")
    L.ellipse(322, 354, 1.5, 1.5, "#3a2a20")
    # shavings
    for _ in range(30):
        x, y = 210 + rng.random() * 160, 370 + rng.random() * 40
        L.line([(x, y), (x + 4, y - 3), (x + 8, y)], "#e8c79b", 1.2)
    if night:
        # candle in a glass holder
        L.rrect(90, 330, 112, 370, 4, "#f0e6cc")
        L.rrect(84, 364, 118, 374, 3, "#8a6a4a")
        L.ellipse(101, 324, 3, 6, "#fff1b0")
    L.onto(c)

    if night:
        # darkness, then warm lamp light and cool moonlight
        amb = np.array([0.28, 0.30, 0.42], np.float32)
        lamp = radial(lamp_x, lamp_y + 10, 330, 1.15, 0.95)[..., None] * hexc("#ffc98a") * 1.05
        cand = radial(101, 330, 150)[..., None] * hexc("#ffb86b") * 0.8
        moon = radial(180, 175, 170)[..., None] * hexc("#8ea6d8") * 0.35
        light = amb + lamp + cand + moon
        lit = c * light
        # the window view keeps its own light
        win = ((X >= wx0) & (X < wx1) & (Y >= wy0) & (Y < wy1)).astype(np.float32)
        paint(lit, win * 0.85, c)
        c = lit
        glow(c, lamp_x, lamp_y + 6, 22, "#ffe3a8", 0.9)
        glow(c, lamp_x, lamp_y + 6, 90, "#ffb36b", 0.35)
        glow(c, 101, 322, 10, "#fff0b8", 0.95)
        glow(c, 101, 330, 60, "#ff9f55", 0.3)
        # light pooled on the bench
        screen(c, hexc("#ffc27a") * (radial(330, 380, 200, 1.6, 0.4) * 0.18)[..., None])
        return finish(c, rng, vignette=0.45, warmth=0.01)
    # daylight: sunbeams from the window falling across the room
    amb = np.array([1.02, 0.97, 0.9], np.float32)
    c *= amb
    beam = np.zeros((H, W), np.float32)
    for i, off in enumerate((0, 70, 140)):
        d = (X - (wx0 + off + (Y - wy0) * 0.95))
        beam += smooth(0, 12, d) * (1 - smooth(48, 66, d)) * (0.7 - i * 0.15)
    beam *= smooth(wy0, wy0 + 40, Y) * (1 - smooth(400, 480, Y))
    beam = blur(beam, 6)
    screen(c, hexc("#fff0c8") * (beam * 0.32)[..., None])
    motes = np.zeros((H, W), np.float32)
    for _ in range(140):
        x, y = rng.integers(0, W), rng.integers(60, 420)
        motes[y, x] = rng.random()
    motes = blur(motes, 1) * 6 * beam
    screen(c, hexc("#fff8e0") * np.clip(motes, 0, 1)[..., None])
    screen(c, hexc("#fff2d8") * (radial(180, 175, 200) * 0.25)[..., None])
    return finish(c, rng, vignette=0.3, warmth=0.02)


def workshop_night(rng):
    return workshop(rng, night=True)


def workshop_day(rng):
    return workshop(rng, night=False)


def sunset_sky(hz, stops=None):
    return vgrad(stops or [(0, "#3d4a86"), (0.35, "#8a6a9c"), (0.62, "#e08a7c"),
                           (0.85, "#ffb978"), (1, "#ffe0a0")], 0, hz)


def seated_figure(L, x, y, s, colour, instrument=True):
    """Someone sitting on an edge at height y, legs hanging over it."""
    L.ellipse(x, y - 40 * s, 7.5 * s, 8.5 * s, colour)                    # head
    L.rect(x - 3 * s, y - 33 * s, x + 3 * s, y - 28 * s, colour)            # neck
    L.ellipse(x - 7 * s, y - 25 * s, 6 * s, 5 * s, colour)                  # shoulders
    L.ellipse(x + 7 * s, y - 25 * s, 6 * s, 5 * s, colour)
    L.poly([(x - 12 * s, y - 25 * s), (x + 12 * s, y - 25 * s), (x + 10 * s, y - 3 * s),
            (x - 11 * s, y - 2 * s)], colour)                                # back, a little bent
    L.ellipse(x - 1 * s, y - 3 * s, 12 * s, 5 * s, colour)                  # seat
    L.poly([(x + 4 * s, y - 7 * s), (x + 17 * s, y - 6 * s), (x + 18 * s, y + 2 * s),
            (x + 4 * s, y + 2 * s)], colour)                                  # thighs
    L.poly([(x + 12 * s, y - 2 * s), (x + 19 * s, y - 1 * s), (x + 16 * s, y + 24 * s),
            (x + 10 * s, y + 24 * s)], colour)                                # shins
    L.ellipse(x + 15 * s, y + 24 * s, 6 * s, 2.5 * s, colour)               # shoes
    if instrument:
        # both hands up at the mouth
        L.line([(x + 8 * s, y - 25 * s), (x + 15 * s, y - 16 * s), (x + 11 * s, y - 36 * s)],
               colour, 4.4 * s)
        L.line([(x - 7 * s, y - 25 * s), (x - 1 * s, y - 14 * s), (x + 8 * s, y - 35 * s)],
               colour, 4.4 * s)
        L.rrect(x + 4 * s, y - 39 * s, x + 15 * s, y - 34 * s, 1.5 * s, colour)
    else:
        L.line([(x - 8 * s, y - 24 * s), (x - 9 * s, y - 8 * s), (x - 2 * s, y - 4 * s)], colour, 4 * s)


def standing_figure(L, x, y, s, colour, hands=False, bun=False, lean=0.0):
    """Someone seen from behind, feet at y (usually below the frame)."""
    hx = x + lean * s
    hair = 1.15 if bun else 1.0
    L.ellipse(hx, y - 66 * s, 7.5 * s * hair, 8.5 * s * hair, colour)      # head
    L.rect(hx - 3.5 * s, y - 60 * s, hx + 3.5 * s, y - 52 * s, colour)       # neck
    L.rrect(x - 15 * s, y - 55 * s, x + 15 * s, y - 20 * s, 8 * s, colour)   # shoulders, back
    L.poly([(x - 13 * s, y - 24 * s), (x + 13 * s, y - 24 * s), (x + 14 * s, y),
            (x - 14 * s, y)], colour)                                         # yukata
    if hands:  # elbows a little out, hands together in front
        L.ellipse(x - 14 * s, y - 36 * s, 3 * s, 8 * s, colour)
        L.ellipse(x + 14 * s, y - 36 * s, 3 * s, 8 * s, colour)


def harbour_dawn(rng):
    """minato: the harbour at sunrise, boats at the pier."""
    hz = 268
    c = vgrad([(0, "#6f7fb0"), (0.35, "#b9a3c4"), (0.7, "#f4c3a8"), (0.9, "#ffd9a6"),
               (1, "#fff0c8")], 0, hz)
    clouds(c, rng, 40, 200, cover=0.6, lit="#ffe2c4", shade="#a997bb", k=0.8, cell=(200, 22))
    sun_x = 200
    glow(c, sun_x, hz - 6, 26, "#fff6dc", 1.0)
    glow(c, sun_x, hz - 6, 130, "#ffcf96", 0.5)
    # far hills on the right with the waking town
    far = ridge(rng, hz - 4 - smooth(360, 600, X[0]) * 70, 6, 80)
    paint(c, below(far) * (Y < hz + 1), mix("#8d7fa5", "#b39db8", smooth(hz - 80, hz, Y)))
    L = Layer()
    for _ in range(40):
        x = 420 + rng.random() * 220
        y = far[int(min(x, W - 1))] + 6 + rng.random() * (hz - far[int(min(x, W - 1))] - 6)
        s = 0.55 + rng.random() * 0.2
        if y > hz - 3:
            continue
        L.rect(x, y - 9 * s, x + 16 * s, y, "#c6aebf")
        L.poly([(x - 1, y - 9 * s), (x + 8 * s, y - 15 * s), (x + 16 * s + 1, y - 9 * s)], "#9c7a9a")
        if rng.random() < 0.5:
            L.rect(x + 4 * s, y - 6 * s, x + 7 * s, y - 3 * s, "#ffe1a0")
    L.onto(c)
    water(c, rng, hz, H, [(0, "#f0c9b0"), (0.3, "#b7a2b8"), (1, "#4e5f8c")], streak=0.14)
    reflection(c, rng, sun_x, hz, 14, "#ffe6b8", 0.95)
    # wooden pier on the right, boats beside it
    L = Layer()
    L.poly([(640, 330), (420, 352), (420, 362), (640, 346)], "#5c4a52")
    L.poly([(640, 326), (420, 348), (420, 352), (640, 330)], "#9a7f78")
    for i in range(9):
        px = 430 + i * 26
        py = 352 - i * 2.3
        L.rect(px, py, px + 5, py + 60 + i * 2, "#4a3c46")
    boat(L, 300, 400, 1.4)
    boat(L, 520, 372, 0.95, trim="#3f6e8e")
    gulls(L, rng, 6, 240, 520, 70, 170, colour="#5e5470", s=1.2)
    L.onto(c)
    # reflections of the boats and posts: mirrored dark streaks
    refl = np.zeros((H, W), np.float32)
    for bx, by, bs in ((300, 400, 1.4), (520, 372, 0.95)):
        refl += np.exp(-((X - bx) / (30 * bs)) ** 2) * (Y > by + 2) * (Y < by + 30 * bs)
    wav = smooth(0.4, 0.6, fbm(rng, 20, 1.5, 2))
    paint(c, refl * wav * 0.35, "#4e4a68")
    screen(c, hexc("#ffd9a8") * (radial(sun_x, hz, 300, 1.4, 0.8) * 0.2)[..., None])
    return finish(c, rng, vignette=0.3, warmth=0.015)


def lighthouse_dusk(rng):
    """toudai: Toji's lighthouse on the cape at dusk."""
    hz = 300
    c = sunset_sky(hz, [(0, "#2e3670"), (0.3, "#5f4f8e"), (0.6, "#c97a8c"), (0.82, "#f4a57a"),
                        (1, "#ffd296")])
    clouds(c, rng, 60, 240, cover=0.6, lit="#ffc7a0", shade="#6a5488", k=0.85, cell=(220, 20))
    stars(c, rng, 60, 120, fade_to=120, bright=0.7)
    glow(c, 150, hz, 160, "#ffb070", 0.55, sy=0.6)
    water(c, rng, hz, H, [(0, "#e9a88a"), (0.35, "#6c5d8c"), (1, "#1f2a52")], streak=0.16)
    reflection(c, rng, 150, hz, 20, "#ffc890", 0.7)
    # the cape: a headland from the right, its face dropping into the sea
    top_y, foot_x, edge_top = 236, 322, 396
    wob = ridge(rng, np.zeros(W), 4, 30)
    top = np.where(X[0] >= edge_top,
                   top_y - (X[0] - edge_top) * 0.06 + np.exp(-(X[0] - edge_top) / 14) * 8 + wob,
                   top_y + (edge_top - X[0]) / (edge_top - foot_x) * (H - top_y) + wob * 3)
    top = np.where(X[0] < foot_x - 8, H + 5, top)
    cape_m = below(top)
    edge_x = edge_top - (Y - top_y) / (H - top_y) * (edge_top - foot_x)
    strata = fbm(rng, 90, 7, 4)
    cracks = fbm(rng, 7, 70, 3)
    rock_col = mix("#2a2440", "#574463", np.clip(strata * 0.9 + (cracks - 0.5) * 0.6, 0, 1))
    lit = np.exp(-np.clip(X - edge_x, 0, None) / 28) * (Y > top_y)
    rock_col = rock_col + hexc("#e48a6a") * (lit * 0.45)[..., None] * (0.6 + strata[..., None] * 0.6)
    paint(c, cape_m, rock_col)
    grass = np.clip(1 - (Y - top[None, :]) / 16, 0, 1) * cape_m * (X > edge_top - 20)
    paint(c, grass * 0.95, mix("#7f8a4a", "#4b5a3c", smooth(0, 16, Y - top[None, :])))
    # surf where the cliff stands in the water
    foam = np.exp(-((X - edge_x + 2) / 6) ** 2) * (Y > hz + 4) \
        * smooth(0.4, 0.7, fbm(rng, 6, 10, 3))
    screen(c, hexc("#ffe2d4") * (foam * 0.55)[..., None])
    L = Layer()
    for rx, ry, r in ((318, 452, 16), (300, 472, 11), (336, 412, 9), (286, 480, 18)):
        rock(L, rx, ry, r, rng, "#241e36", "#a0687a")
    L.onto(c)
    L = Layer()
    lx, ly = lighthouse(L, 470, 234, 1.45, body="#efe7e0", band="#b84a44", shade=0.62)
    # keeper's cottage
    L.poly([(532, 236), (596, 236), (596, 200), (532, 200)], "#d9cfc8")
    L.poly([(526, 202), (564, 176), (602, 202)], "#8a3f3c")
    for bx in (410, 432, 506, 612, 628):
        L.ellipse(bx, 232 - (bx - 396) * 0.06, 9, 6, "#3d4a34")
        L.ellipse(bx - 2, 229 - (bx - 396) * 0.06, 6, 3.5, "#8a8a50")
    L.rect(548, 212, 560, 224, "#ffd38a")
    L.rect(574, 212, 586, 224, "#ffd38a")
    L.onto(c)
    # beam sweeping left into the dusk
    a = np.arctan2(Y - ly, X - lx)
    beam = np.exp(-((a - math.pi * 0.965) / 0.07) ** 2) * np.exp(-np.hypot(X - lx, Y - ly) / 420)
    beam *= (X < lx)
    screen(c, hexc("#fff0c0") * (beam * 0.5)[..., None])
    glow(c, lx, ly, 12, "#fffbe0", 1.0)
    glow(c, lx, ly, 60, "#ffd98a", 0.5)
    glow(c, 568, 218, 40, "#ffc070", 0.25)
    return finish(c, rng, vignette=0.35)


def breakwater(rng):
    """teibou: the breakwater at sunset, Kai sitting at its edge."""
    hz = 250
    c = sunset_sky(hz, [(0, "#4b4f8e"), (0.35, "#a2709a"), (0.65, "#f0907a"), (0.86, "#ffbd78"),
                        (1, "#ffe2a2")])
    clouds(c, rng, 50, 210, cover=0.62, lit="#ffd0a0", shade="#8a6494", k=0.8, cell=(240, 18))
    sun_x, sun_y = 300, hz - 28
    glow(c, sun_x, sun_y, 24, "#fff4d6", 1.0)
    glow(c, sun_x, sun_y, 70, "#ffd08a", 0.6)
    glow(c, sun_x, sun_y, 260, "#ff9f6a", 0.35, sy=0.6)
    water(c, rng, hz, H, [(0, "#ffc08a"), (0.3, "#c27a86"), (1, "#3c3566")], streak=0.18)
    reflection(c, rng, sun_x, hz, 16, "#ffe0a0", 1.0, spread=2.6)
    # a far headland
    head = ridge(rng, np.full(W, hz - 14.0), 5, 40)
    head = np.where(X[0] < 140, head + (X[0] / 140) ** 2 * 14, hz + 3)
    paint(c, below(head) * (Y < hz + 1), "#7d5a7e")
    # the breakwater: a long concrete wall running in from the right
    L = Layer()
    L.poly([(W, 338), (110, 348), (110, 360), (W, 384)], "#7a5a72")           # top face
    L.poly([(110, 360), (W, 384), (W, H), (110, 410)], "#3a2c44")             # sea-side face
    L.poly([(110, 348), (100, 350), (100, 402), (110, 410), (110, 360)], "#2c2238")
    top_m = L.onto(c)
    conc = fbm(rng, 12, 12, 4)
    face = (Y > 360 + (X - 110) * 24 / 530) & (top_m > 0.5)
    topf = (top_m > 0.5) & ~face
    c *= (1 + (conc - 0.5) * 0.25 * (top_m > 0.5))[..., None]
    # sunlight along the top, strongest toward the sun
    warm = np.exp(-((X - 300) / 320) ** 2) * topf
    screen(c, hexc("#ffb080") * (warm * 0.45)[..., None])
    # joints in the wall every few metres
    for i in range(1, 9):
        jx = 110 + i * 62
        jm = np.exp(-((X - jx) / 1.1) ** 2) * face
        paint(c, jm * 0.5, "#1e1828")
    # sea light reflected up onto the lower wall
    bounce = smooth(420, 480, Y) * face
    screen(c, hexc("#c27a86") * (bounce * 0.2)[..., None])
    L = Layer()
    for i in range(14):
        bx = 96 + i * 42 + rng.random() * 16
        by = 414 + i * 5.5 + rng.random() * 10
        r = 12 + rng.random() * 9
        rock(L, bx, by, r, rng, "#251c2f", "#8a5a6a")
    seated_figure(L, 452, 372, 1.55, "#1d1728")
    gulls(L, rng, 4, 380, 620, 80, 170, colour="#4a3650", s=1.1)
    fig = L.onto(c)
    # golden rim on the near edge of the wall and on the figure
    edge = np.exp(-((Y - (360 + (X - 110) * 24 / 530)) / 1.3) ** 2) * (X > 110)
    screen(c, hexc("#ffc58a") * (edge * 0.55)[..., None])
    rim = np.clip(fig - np.roll(fig, -2, axis=1), 0, 1) * (Y < 380)
    screen(c, hexc("#ffb27a") * (blur(rim, 0.7) * 0.6)[..., None])
    return finish(c, rng, vignette=0.34, warmth=0.01)


def inn_window(rng):
    """yado: the window of the Hidamari inn at sunset, flowers, an empty chair."""
    c = np.zeros((H, W, 3), np.float32)
    # warm plaster wall
    c[:] = mix("#d8b796", "#b28c70", smooth(0, 480, Y))
    c *= (1 + (fbm(rng, 30, 30, 4) - 0.5) * 0.12)[..., None]
    wx0, wy0, wx1, wy1 = 150, 50, 490, 300
    view = sunset_sky(wy1, [(0, "#6b6aa2"), (0.4, "#c98ca0"), (0.8, "#ffb77e"), (1, "#ffd89a")])
    hz = 232
    view = vgrad([(0, "#6b6aa2"), (0.45, "#d190a0"), (0.85, "#ffb77e"), (1, "#ffd89a")], wy0, hz)
    clouds(view, rng, wy0, hz - 30, cover=0.6, lit="#ffd3b0", shade="#9a7aa8", k=0.8, cell=(160, 16))
    glow(view, 360, hz - 10, 20, "#fff2cc", 1.0)
    glow(view, 360, hz - 10, 120, "#ffb070", 0.5)
    water(view, rng, hz, wy1, [(0, "#ffc48e"), (1, "#6d5c8e")], streak=0.2, cell=(40, 1.6))
    reflection(view, rng, 360, hz, 8, "#ffe0a8", 0.9, y1=wy1)
    inside = ((X >= wx0) & (X < wx1) & (Y >= wy0) & (Y < wy1)).astype(np.float32)
    paint(c, inside, view)
    L = Layer()
    fr = "#f3ece0"
    for x0, y0, x1, y1 in [(wx0 - 10, wy0 - 10, wx1 + 10, wy0), (wx0 - 10, wy0, wx0, wy1),
                           (wx1, wy0, wx1 + 10, wy1), ((wx0 + wx1) / 2 - 3, wy0, (wx0 + wx1) / 2 + 3, wy1)]:
        L.rect(x0, y0, x1, y1, fr)
    L.rect(wx0 - 24, wy1, wx1 + 24, wy1 + 14, "#fbf6ee")
    L.rect(wx0 - 20, wy1 + 14, wx1 + 20, wy1 + 20, "#c9b8a4")
    L.onto(c)
    # curtains: soft folds
    for side in (0, 1):
        xs = np.where(side == 0, X - (wx0 - 60), (wx1 + 60) - X)
        width = 120 - smooth(60, 300, Y) * 40 * 0 + 0
        m = (xs > 0) & (xs < 105 - np.sin(Y / 60) * 4)
        fold = 0.82 + 0.18 * np.sin(xs / 9 + np.sin(Y / 40) * 0.6)
        col = mix("#d9a884", "#f6dcb8", fold) * (0.75 + 0.25 * fold[..., None])
        mm = (m & (Y < 330)).astype(np.float32)
        paint(c, blur(mm, 0.8), col)
    # table with a cloth, a vase of flowers, a teacup, an empty chair
    L = Layer()
    L.poly([(60, 360), (580, 360), (640, 480), (0, 480)], "#8a5c3e")
    L.poly([(180, 352), (470, 352), (520, 420), (140, 420)], "#dccab0")
    L.ellipse(352, 394, 34, 6, "#b49c80", 170)
    L.ellipse(428, 392, 20, 4, "#b49c80", 140)
    L.poly([(140, 420), (520, 420), (516, 446), (144, 446)], "#cdb99e")
    for k in range(7):
        L.line([(160 + k * 56, 420), (158 + k * 56, 446)], "#b8a288", 1.2)
    # chair back behind the table on the right
    L.rrect(518, 244, 534, 372, 3, "#5e3c26")
    L.rrect(610, 244, 626, 372, 3, "#5e3c26")
    L.rrect(514, 240, 630, 256, 5, "#7a5034")
    for k in range(4):
        L.rect(540 + k * 18, 256, 548 + k * 18, 330, "#6a4429")
    L.rect(518, 326, 626, 336, "#7a5034")
    # vase and flowers
    L.poly([(300, 392), (336, 392), (330, 350), (340, 330), (296, 330), (306, 350)], "#5f8fa8")
    L.ellipse(318, 330, 22, 5, "#4b7890")
    for i in range(16):
        ang = -1.25 + i * 0.16 + rng.random() * 0.08
        ln = 55 + rng.random() * 45
        tx, ty = 318 + math.sin(ang) * ln, 330 - math.cos(ang) * ln
        L.line([(318, 332), (tx, ty)], "#5c8a48", 2)
        col = ["#fff6e8", "#ffe08a", "#f6b8a8", "#fff6e8"][i % 4]
        for k in range(5):
            pa = k * 1.2566
            L.ellipse(tx + math.cos(pa) * 5, ty + math.sin(pa) * 5, 4.5, 4.5, col)
        L.ellipse(tx, ty, 3, 3, "#e3a53a")
    # teacup
    L.ellipse(410, 388, 22, 6, "#efe9e0")
    L.poly([(394, 370), (426, 370), (420, 388), (400, 388)], "#fbf8f2")
    L.ellipse(410, 370, 16, 4, "#c8915a")
    L.line([(425, 374), (433, 378), (423, 384)], "#fbf8f2", 2.5)
    L.onto(c)
    cloth = ((Y > 352) & (Y < 420) & (X > 140) & (X < 520)).astype(np.float32)
    c *= (1 - cloth * (0.12 * smooth(352, 420, Y) + (fbm(rng, 30, 8, 3) - 0.5) * 0.1))[..., None]
    # evening light through the window: warm wash and a bright patch on the cloth
    light = radial(330, 180, 330, 1.2, 1.0)
    c *= (0.62 + 0.55 * light)[..., None]
    screen(c, hexc("#ffb878") * (radial(330, 380, 160, 1.4, 0.5) * 0.22)[..., None])
    screen(c, hexc("#ffc98e") * (radial(330, 170, 200) * 0.18)[..., None])
    return finish(c, rng, vignette=0.38, warmth=0.02)


def firework(add, rng, cx, cy, r, colour, n=70):
    from PIL import Image, ImageDraw
    im = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(im)
    for i in range(n):
        a = i / n * math.tau + rng.random() * 0.05
        rr = r * (0.85 + rng.random() * 0.2)
        for k in range(9):
            t = 0.12 + k * 0.11
            x = cx + math.cos(a) * rr * t
            y = cy + math.sin(a) * rr * t + (t ** 2) * r * 0.12
            v = int(255 * (0.25 + 0.75 * t) * (1 - (k == 8) * 0.3))
            d.ellipse([x - 1.1, y - 1.1, x + 1.1, y + 1.1], fill=v)
    m = np.asarray(im, np.float32) / 255
    add += hexc(colour) * (m * 0.9 + blur(m, 3) * 1.6)[..., None]
    add += hexc(colour) * (radial(cx, cy, r * 0.9) * 0.12)[..., None]


def chochin(L, x, y, s, body="#e0553e"):
    """Paper lantern hanging at (x, y)."""
    L.line([(x, y - 16 * s), (x, y - 11 * s)], "#2a1a20", 1.2)
    L.rect(x - 5 * s, y - 12 * s, x + 5 * s, y - 9 * s, "#2a1a20")
    L.ellipse(x, y, 9 * s, 10 * s, body)
    for k in (-5, 0, 5):
        L.line([(x - 8.5 * s, y + k * s), (x + 8.5 * s, y + k * s)], hexc(body) * 0.8, 0.6 * s)
    L.rect(x - 5 * s, y + 9 * s, x + 5 * s, y + 12 * s, "#2a1a20")


def festival(rng):
    """matsuri: summer festival on the harbour, lanterns and fireworks."""
    hz = 300
    c = vgrad([(0, "#0b1230"), (0.6, "#1d2a58"), (1, "#3d3a6a")], 0, hz)
    stars(c, rng, 120, 200, fade_to=200, bright=0.6)
    add = np.zeros_like(c)
    firework(add, rng, 420, 110, 80, "#ffc26a", 90)
    firework(add, rng, 230, 80, 55, "#ff7f9a", 70)
    firework(add, rng, 560, 180, 40, "#9fd8ff", 50)
    screen(c, add)
    # town hill with windows
    hill = ridge(rng, hz - 60 + np.abs(X[0] - 320) * 0.0 + np.sin(X[0] / 160) * 20, 12, 70)
    paint(c, below(hill), mix("#151a34", "#1e2442", smooth(200, 300, Y)))
    L = Layer()
    for _ in range(70):
        x = rng.random() * W
        y = hill[int(x)] + 10 + rng.random() * (hz - hill[int(x)] - 5)
        L.rect(x, y, x + 3, y + 3, "#ffd58a", int(120 + rng.random() * 135))
    L.onto(c)
    water(c, rng, hz, 360, [(0, "#2b2d55"), (1, "#171b38")], streak=0.25)
    reflection(c, rng, 420, hz, 40, "#ffb060", 0.35, y1=360)
    reflection(c, rng, 230, hz, 30, "#ff7f9a", 0.25, y1=360)
    # quay where the stalls stand
    L = Layer()
    L.rect(0, 340, W, H, "#241e30")
    # stalls with lit awnings
    for i, x in enumerate((20, 180, 360, 520)):
        aw = ["#d4473a", "#e0a340", "#3f7fa0", "#d4473a"][i]
        L.rect(x, 300, x + 130, 384, "#2d2338")
        L.rect(x + 6, 318, x + 124, 372, "#f4b870")
        L.rect(x + 6, 318, x + 124, 330, "#ffdca0")
        # the keeper behind the counter
        kx = x + 40 + i * 13
        L.ellipse(kx, 336, 7, 8, "#3a2632")
        L.rrect(kx - 13, 343, kx + 13, 372, 6, "#3a2632")
        L.rect(kx - 10, 330, kx + 10, 333, ["#f4e9d8", "#2a4a8a", "#f4e9d8", "#c84a3a"][i])
        # goods: masks, goldfish, sweets, toys
        if i == 0:
            for k in range(4):
                L.ellipse(x + 78 + (k % 2) * 20, 334 + (k // 2) * 18, 8, 9,
                          ["#fbf3e6", "#e85a4a", "#7fc0d8", "#f6d35a"][k])
        elif i == 1:
            L.rect(x + 72, 340, x + 120, 366, "#7fb8d0")
            for k in range(7):
                L.ellipse(x + 78 + (k * 7) % 40, 346 + (k * 5) % 16, 3, 2, "#ff6a3a")
        elif i == 2:
            for k in range(6):
                L.line([(x + 76 + k * 8, 366), (x + 76 + k * 8, 342)], "#e9dcc4", 1.2)
                L.ellipse(x + 76 + k * 8, 340, 4, 4, ["#ff7f9a", "#fff1c8", "#9fd8ff"][k % 3])
        else:
            for k in range(5):
                L.rect(x + 72 + k * 10, 346 - (k % 2) * 6, x + 80 + k * 10, 366,
                       ["#4f9a6a", "#e0a340", "#d4473a", "#3f7fa0", "#f4e9d8"][k])
        L.rect(x + 2, 366, x + 128, 384, "#6a4a38")                     # counter
        L.rect(x + 2, 366, x + 128, 369, "#a8785a")
        L.rect(x, 300, x + 5, 384, "#1e1826")
        L.rect(x + 125, 300, x + 130, 384, "#1e1826")
        L.poly([(x - 6, 300), (x + 136, 300), (x + 130, 318), (x, 318)], aw)
        for k in range(6):
            L.rect(x + k * 22, 300, x + k * 22 + 11, 318, "#f4e9d8", 200)
        L.ellipse(x + 110, 326, 5, 6, "#fff0c0")
    L.onto(c)
    # strings of lanterns across the top
    L = Layer()
    for row, (y0, sag, n, s) in enumerate(((40, 60, 11, 1.25), (130, 45, 9, 1.0))):
        pts = [(x, y0 + sag * 4 * (x / W) * (1 - x / W)) for x in np.linspace(-20, W + 20, 40)]
        L.line(pts, "#1a1422", 1.4)
        for k in range(n):
            x = -10 + (k + 0.5) * (W + 20) / n
            y = y0 + sag * 4 * (x / W) * (1 - x / W) + 16 * s
            chochin(L, x, y, s, body=["#e0553e", "#f08a3e", "#e0553e", "#f6c44e"][k % 4])
    L.onto(c)
    for row, (y0, sag, n, s) in enumerate(((40, 60, 11, 1.25), (130, 45, 9, 1.0))):
        for k in range(n):
            x = -10 + (k + 0.5) * (W + 20) / n
            y = y0 + sag * 4 * (x / W) * (1 - x / W) + 16 * s
            glow(c, x, y, 14 * s, "#ffcf80", 0.55)
            glow(c, x, y, 40 * s, "#ff8a4a", 0.14)
    for x in (85, 245, 425, 585):
        glow(c, x, 350, 70, "#ffb060", 0.35)
    # the crowd in front, lit from the stalls
    L = Layer()
    for i in range(22):
        x = -10 + i * 31 + rng.random() * 14
        base = 480
        s = 1.1 + rng.random() * 0.35
        hy = 395 + rng.random() * 25
        col = mix("#161220", "#2a1e2e", rng.random())
        L.ellipse(x, hy, 11 * s, 13 * s, col)
        L.rrect(x - 24 * s, hy + 12 * s, x + 24 * s, base + 20, 14 * s, col)
    # a small girl on a shoulder-high step pointing at the sky
    L.ellipse(300, 380, 9, 10, "#14101c")
    L.rrect(286, 388, 314, 440, 10, "#14101c")
    L.line([(310, 396), (330, 372), (338, 356)], "#14101c", 5)
    L.onto(c)
    rim = blur(np.clip(L.rgba()[..., 3] - blur(L.rgba()[..., 3], 2), 0, 1), 1)
    screen(c, hexc("#ffb870") * (rim * 0.7)[..., None])
    return finish(c, rng, vignette=0.32)


def starry_sea(rng):
    """hoshi: a clear night, the Milky Way over the sea, the lighthouse far off."""
    hz = 330
    c = vgrad([(0, "#070c22"), (0.5, "#122050"), (0.85, "#24396e"), (1, "#3c5585")], 0, hz)
    # milky way band
    d = ((X - 40) * 0.55 - (Y - 0) * 0.83 + 120)
    band = np.exp(-(d / 85) ** 2)
    dust = fbm(rng, 40, 40, 5)
    mw = band * smooth(0.35, 0.85, dust)
    dark = band * smooth(0.55, 0.7, fbm(rng, 25, 8, 3)) * 0.5
    screen(c, hexc("#b9c6ff") * (mw * 0.32)[..., None])
    screen(c, hexc("#ffd9c2") * (band * 0.08)[..., None])
    c *= (1 - dark * 0.35)[..., None]
    stars(c, rng, 900, hz - 10, fade_to=hz, bright=1.0)
    # extra tiny stars in the band
    ys, xs = np.nonzero(rng.random((H, W)) < band * 0.012 * (Y < hz - 10))
    c[ys, xs] = np.maximum(c[ys, xs], hexc("#dfe6ff") * 0.7)
    water(c, rng, hz, H, [(0, "#2b3e6c"), (0.4, "#17234a"), (1, "#0a1128")], streak=0.35, cell=(50, 1.8))
    # starlight glitter on the water
    glit = (rng.random((H, W)) < 0.004) * (Y > hz) * smooth(0.5, 0.8, fbm(rng, 20, 2, 2))
    screen(c, hexc("#c8d4ff") * (blur(glit.astype(np.float32), 0.6) * 1.6)[..., None])
    # far cape with the lighthouse on the left, the town on the right
    cape = ridge(rng, np.full(W, hz - 18.0), 4, 40)
    cape = np.where(X[0] < 170, cape + (X[0] / 170) ** 2 * 18, hz + 3)
    paint(c, below(cape) * (Y < hz + 1), "#0c1330")
    town = ridge(rng, np.full(W, hz - 30.0), 8, 60)
    town = np.where(X[0] > 430, town + ((640 - X[0]) / 210) ** 1.5 * 30, hz + 3)
    paint(c, below(town) * (Y < hz + 1), "#0b1230")
    L = Layer()
    for _ in range(40):
        x = 450 + rng.random() * 190
        y = town[int(min(x, W - 1))] + 4 + rng.random() * (hz - town[int(min(x, W - 1))] - 4)
        L.rect(x, y, x + 2, y + 2, "#ffd690", int(140 + rng.random() * 115))
    L.onto(c)
    lx, ly = 80, hz - 38
    L = Layer()
    L.poly([(lx - 4, hz - 16), (lx + 4, hz - 16), (lx + 2.5, ly), (lx - 2.5, ly)], "#151b38")
    L.onto(c)
    a = np.arctan2(Y - ly, X - lx)
    beam = np.exp(-((a + 0.05) / 0.05) ** 2) * np.exp(-np.hypot(X - lx, Y - ly) / 380) * (X > lx)
    screen(c, hexc("#fff0c0") * (beam * 0.45)[..., None])
    glow(c, lx, ly, 5, "#fffbe0", 1.0)
    glow(c, lx, ly, 30, "#ffd98a", 0.4)
    reflection(c, rng, lx, hz, 4, "#ffe0a0", 0.4, spread=1.0)
    return finish(c, rng, vignette=0.4)


def lanterns(rng):
    """toro: the lantern festival, lanterns drifting out to sea."""
    hz = 230
    c = vgrad([(0, "#0a1030"), (0.55, "#1e2858"), (0.85, "#4a3e72"), (1, "#8a5a7a")], 0, hz)
    stars(c, rng, 260, hz - 20, fade_to=hz, bright=0.8)
    glow(c, 320, hz, 260, "#c0707a", 0.25, sy=0.4)
    water(c, rng, hz, H, [(0, "#3c3464"), (0.3, "#1d2348"), (1, "#0c1230")], streak=0.3, cell=(60, 2))
    # the far cape and its lighthouse
    cape = ridge(rng, np.full(W, hz - 12.0), 4, 40)
    cape = np.where(X[0] > 470, cape + ((640 - X[0]) / 170) ** 2 * 12, hz + 3)
    paint(c, below(cape) * (Y < hz + 1), "#141838")
    glow(c, 590, hz - 20, 4, "#fffbe0", 1.0)
    glow(c, 590, hz - 20, 24, "#ffd98a", 0.4)
    # floating lanterns, far ones small and many
    L = Layer()
    spots = []
    for _ in range(70):
        y = hz + 6 + (rng.random() ** 1.6) * (H - hz - 40)
        x = rng.random() * W
        spots.append((y, x))
    spots.append((392, 300))  # the big lantern
    spots.sort()
    lights = []
    for y, x in spots:
        big = (x, y) == (300, 392)
        s = (0.2 + (y - hz) / (H - hz) * 1.2) * (2.6 if big else 1.0)
        w, h = 9 * s, 11 * s
        L.poly([(x - w - 2 * s, y), (x + w + 2 * s, y), (x + w, y + 4 * s), (x - w, y + 4 * s)], "#3a2a22")
        L.rect(x - w, y - h, x + w, y, "#ffd08a" if not big else "#ffe2a8")
        L.rect(x - w, y - h, x + w, y - h + 2 * s, "#3a2a22")
        L.line([(x, y - h), (x, y)], "#c88a50", 0.6 * s)
        if big:
            L.rect(x - w, y - h, x + w, y, "#ffd890")
            L.rect(x - w * 0.7, y - h * 0.85, x + w * 0.7, y - h * 0.15, "#fff1d2")
            for fx in (-1, 1):
                L.rect(x + fx * w - 1.2 * s, y - h, x + fx * w + 1.2 * s, y, "#5a3a26")
            L.rect(x - w, y - h * 0.52, x + w, y - h * 0.46, "#8a5a36")
            L.poly([(x - w - 3 * s, y - h), (x + w + 3 * s, y - h), (x + w, y - h - 3 * s),
                    (x - w, y - h - 3 * s)], "#5a3a26")
        lights.append((x, y - h / 2, s, big))
    L.onto(c)
    for x, y, s, big in lights:
        glow(c, x, y, 10 * s, "#ffcf7a", 0.7 if not big else 0.9)
        glow(c, x, y, 26 * s, "#ff9a4a", 0.18 if not big else 0.35)
        reflection(c, rng, x, y + 4 * s, 3 * s, "#ffb860", 0.35 if not big else 0.6,
                   y1=min(H, y + 90 * s), spread=0.6)
    # people on the shore at the bottom, hands together
    L = Layer()
    L.poly([(0, 462), (W, 452), (W, H), (0, H)], "#0e0c18")
    standing_figure(L, 64, 560, 2.7, "#0b0912", bun=True)
    standing_figure(L, 142, 575, 2.2, "#0d0b15", lean=-3)
    standing_figure(L, 520, 570, 2.5, "#0b0912", lean=2)
    standing_figure(L, 590, 560, 2.9, "#0d0b15", bun=True)
    a = L.onto(c)
    # the lanterns' light catches their edges
    rim = np.clip(a - np.roll(a, 2, axis=0), 0, 1)
    screen(c, hexc("#ffb870") * (blur(rim, 0.8) * 0.5)[..., None])
    return finish(c, rng, vignette=0.35)
