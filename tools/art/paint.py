"""Small painting kit for the scene pictures: float RGB canvases in numpy,
anti-aliased shapes drawn with Pillow at a larger size, soft glows, value
noise, and a finishing pass that gives everything the same painted feel."""
import numpy as np
from PIL import Image, ImageDraw

W, H = 640, 480
SS = 3  # shapes are drawn this many times larger, then box-filtered down
Y, X = np.mgrid[0:H, 0:W].astype(np.float32)


def hexc(s):
    if not isinstance(s, str):
        return np.asarray(s, np.float32)
    return np.array([int(s[i:i + 2], 16) / 255 for i in (1, 3, 5)], np.float32)


def mix(a, b, t):
    a, b = hexc(a), hexc(b)
    t = np.asarray(t, np.float32)
    if t.ndim:
        t = t[..., None]
    return a + (b - a) * t


def smooth(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0, 1)
    return t * t * (3 - 2 * t)


def vgrad(stops, y0=0, y1=H):
    """Vertical gradient over the whole canvas; stops are (0..1, colour)."""
    t = np.clip((Y - y0) / max(1, y1 - y0), 0, 1)
    pos = [p for p, _ in stops]
    cols = [hexc(c) for _, c in stops]
    out = np.empty((H, W, 3), np.float32)
    for ch in range(3):
        out[..., ch] = np.interp(t, pos, [c[ch] for c in cols])
    return out


def vnoise(rng, cx, cy=None, w=W, h=H):
    """Smooth value noise in 0..1 with cells cx by cy pixels."""
    cy = cx if cy is None else cy
    gw, gh = int(w / cx) + 3, int(h / cy) + 3
    g = rng.random((gh, gw)).astype(np.float32)
    ox, oy = rng.random() * cx, rng.random() * cy
    xs = (np.arange(w) + ox) / cx
    ys = (np.arange(h) + oy) / cy
    x0, y0 = xs.astype(int), ys.astype(int)
    fx, fy = xs - x0, ys - y0
    fx = fx * fx * (3 - 2 * fx)
    fy = (fy * fy * (3 - 2 * fy))[:, None]
    a, b = g[y0][:, x0], g[y0][:, x0 + 1]
    c, d = g[y0 + 1][:, x0], g[y0 + 1][:, x0 + 1]
    top = a + (b - a) * fx
    bot = c + (d - c) * fx
    return top + (bot - top) * fy


def fbm(rng, cx, cy=None, octaves=4, w=W, h=H):
    cy = cx if cy is None else cy
    total, amp, norm = np.zeros((h, w), np.float32), 1.0, 0.0
    for _ in range(octaves):
        total += amp * vnoise(rng, max(cx, 1), max(cy, 1), w, h)
        norm += amp
        amp *= 0.5
        cx, cy = cx / 2, cy / 2
    return total / norm


def ridge(rng, base, amp, cell, octaves=4):
    """A wavy line: y for every column x (base may be an array)."""
    n = fbm(rng, cell, 1, octaves, w=W, h=1)[0]
    return base + (n - 0.5) * 2 * amp


def below(line_y, soft=0.7):
    """Mask of the area below a per-column line, anti-aliased."""
    return np.clip((Y - line_y[None, :]) / soft + 0.5, 0, 1)


def box_blur(a, r, axis):
    r = int(r)
    if r < 1:
        return a
    pad = [(0, 0)] * a.ndim
    pad[axis] = (r + 1, r)
    p = np.pad(a, pad, mode="edge")
    c = np.cumsum(p, axis=axis, dtype=np.float64)
    n = a.shape[axis]
    hi = np.take(c, np.arange(2 * r + 1, 2 * r + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return ((hi - lo) / (2 * r + 1)).astype(np.float32)


def blur(a, sigma):
    """Near-Gaussian blur: three box passes on each axis."""
    if sigma <= 0:
        return a
    r = max(1, int(round(sigma * 0.9)))
    for _ in range(3):
        a = box_blur(a, r, 0)
        a = box_blur(a, r, 1)
    return a


def paint(canvas, mask, colour):
    m = np.asarray(mask, np.float32)
    if m.ndim == 2:
        m = m[..., None]
    col = hexc(colour) if isinstance(colour, str) or np.ndim(colour) == 1 else colour
    canvas *= 1 - m
    canvas += col * m


def screen(canvas, light):
    canvas[:] = 1 - (1 - canvas) * (1 - np.clip(light, 0, 1))


def glow(canvas, cx, cy, r, colour, k=1.0, sx=1.0, sy=1.0):
    d2 = ((X - cx) / (r * sx)) ** 2 + ((Y - cy) / (r * sy)) ** 2
    g = np.exp(-d2) * k
    screen(canvas, hexc(colour) * g[..., None])


def radial(cx, cy, r, sx=1.0, sy=1.0):
    d2 = ((X - cx) / (r * sx)) ** 2 + ((Y - cy) / (r * sy)) ** 2
    return np.exp(-d2)


class Layer:
    """RGBA shapes drawn large with Pillow; .rgba() gives the filtered-down
    layer as floats, .onto() lays it over a canvas."""

    def __init__(self):
        self.im = Image.new("RGBA", (W * SS, H * SS), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.im)

    @staticmethod
    def _c(colour, a):
        c = hexc(colour)
        return tuple(int(round(v * 255)) for v in np.clip(c, 0, 1)) + (int(a),)

    def _p(self, pts):
        return [(x * SS, y * SS) for x, y in pts]

    def poly(self, pts, colour, a=255):
        self.d.polygon(self._p(pts), fill=self._c(colour, a))

    def rect(self, x0, y0, x1, y1, colour, a=255):
        self.d.rectangle([x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1], fill=self._c(colour, a))

    def rrect(self, x0, y0, x1, y1, r, colour, a=255):
        self.d.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1], r * SS,
                                 fill=self._c(colour, a))

    def ellipse(self, cx, cy, rx, ry, colour, a=255):
        self.d.ellipse([(cx - rx) * SS, (cy - ry) * SS, (cx + rx) * SS, (cy + ry) * SS],
                       fill=self._c(colour, a))

    def line(self, pts, colour, width, a=255):
        self.d.line(self._p(pts), fill=self._c(colour, a), width=max(1, int(width * SS)),
                    joint="curve")

    def rgba(self):
        a = np.asarray(self.im, np.float32) / 255
        a[..., :3] *= a[..., 3:4]
        a = a.reshape(H, SS, W, SS, 4).mean(axis=(1, 3))
        alpha = a[..., 3:4]
        a[..., :3] = np.where(alpha > 1e-4, a[..., :3] / np.maximum(alpha, 1e-4), 0)
        return a

    def onto(self, canvas, opacity=1.0):
        a = self.rgba()
        paint(canvas, a[..., 3] * opacity, a[..., :3])
        return a[..., 3]


def stars(canvas, rng, n, y_max, fade_to=None, bright=1.0, tint=("#ffffff", "#cfe0ff", "#fff0d0")):
    """Scatter stars above y_max; a few bright ones get a soft halo."""
    xs = rng.integers(0, W, n)
    ys = (rng.random(n) ** 1.3 * y_max).astype(int)
    mag = rng.random(n) ** 4 * bright
    for x, y, m in zip(xs, ys, mag):
        fade = 1.0 if fade_to is None else float(np.clip((fade_to - y) / fade_to * 1.6, 0, 1))
        c = hexc(tint[rng.integers(0, len(tint))]) * (0.25 + 0.75 * m) * fade
        screen(canvas[y:y + 1, x:x + 1], c[None, None, :])
        if m > 0.55 and fade > 0.3:
            y0, y1, x0, x1 = max(0, y - 4), min(H, y + 5), max(0, x - 4), min(W, x + 5)
            d2 = (X[y0:y1, x0:x1] - x) ** 2 + (Y[y0:y1, x0:x1] - y) ** 2
            screen(canvas[y0:y1, x0:x1], (c * 0.5)[None, None, :] * np.exp(-d2 / 2.5)[..., None])


def water(canvas, rng, y0, y1, stops, streak=0.06, cell=(70, 2.2)):
    """Sea from the horizon y0 down to y1 with horizontal ripple strokes."""
    sea = vgrad(stops, y0, y1)
    rip = fbm(rng, cell[0], cell[1], 3) - 0.5
    depth = np.clip((Y - y0) / (y1 - y0), 0, 1)
    sea *= (1 + rip * streak * (0.4 + depth))[..., None]
    m = np.clip(Y - y0 + 0.5, 0, 1)
    paint(canvas, m, sea)
    return rip


def reflection(canvas, rng, cx, y0, width, colour, k=0.9, y1=H, spread=1.8):
    """A broken light path on the water below a light source at column cx."""
    depth = np.clip((Y - y0) / (y1 - y0), 0, 1)
    w = width * (1 + depth * spread)
    core = np.exp(-((X - cx) / w) ** 2)
    breakup = smooth(0.45, 0.75, fbm(rng, 26, 1.6, 3))
    m = core * breakup * (Y > y0) * k * (1 - depth * 0.35)
    screen(canvas, hexc(colour) * m[..., None])


def finish(canvas, rng, vignette=0.32, grain=0.010, stroke=0.05, warmth=0.0):
    """The shared painted look: brushy strokes, colour drift, vignette, grain."""
    c = canvas
    # brush strokes: small elongated blotches in two directions
    s1 = fbm(rng, 16, 5, 3) - 0.5
    s2 = fbm(rng, 5, 16, 3) - 0.5
    lum_var = (s1 * 0.6 + s2 * 0.4)
    c *= (1 + stroke * 2 * lum_var)[..., None]
    # gentle large-scale colour drift so flat areas never look flat
    drift = np.stack([fbm(rng, 160, 160, 2) - 0.5 for _ in range(3)], -1)
    c += drift * 0.035
    # soften hard digital edges a little, keep some crispness
    soft = blur(c, 0.9)
    c = c * 0.55 + soft * 0.45
    if warmth:
        c *= hexc("#ffffff") + np.array([warmth, warmth * 0.4, -warmth], np.float32)
    d = ((X - W / 2) / (W * 0.62)) ** 2 + ((Y - H / 2) / (H * 0.62)) ** 2
    c *= (1 - vignette * np.clip(d, 0, 1.6) ** 1.4)[..., None]
    c += rng.normal(0, grain, (H, W, 1)).astype(np.float32)
    return np.clip(c, 0, 1)


def to_image(canvas):
    return Image.fromarray((np.clip(canvas, 0, 1) * 255 + 0.5).astype(np.uint8), "RGB")
