#!/usr/bin/python3
"""Check the story data in dat/ the way the game will read it.

Reads the generated dat/ files (not the UTF-8 sources), so it checks exactly
what ships.  Prints errors and warnings, then the reachable scores at the two
branch points and one play-through for every route and ending.

Usage:  /usr/bin/python3 tools/story/check_story.py [-v] [DAT_DIR]
    -v  also print every event's pages as the text window will show them

Exit status is 1 when there is any error, else 0.
"""
import itertools
import re
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

# One play-through, in order.  Events in TURN_EVENTS are followed by a crafting
# turn judged against NAME_han.dat.
COMMON = ["0", "1", "2", "3", "4"]
ROUTE_EVENTS = {"a": ["a1", "a2", "a3"], "b": ["b1", "b2", "b3"]}
TURN_EVENTS = ["0", "1", "2", "3", "a1", "a2", "b1", "b2"]
JUMPS = {"4": "hantei", "a3": "ive", "b3": "ive",
         "ag": "end", "ab": "end", "bg": "end", "bb": "end"}
ENDINGS = ["ag", "ab", "bg", "bb"]
ROUTE_LIMIT = 15       # score <= 15 at hantei -> route a, else b
GOOD_ENDING_FROM = 30  # score >= 30 at ive -> ending g, else b
CHOICES_PER_TURN = 5
GOOD, CRITICAL, BAD = 1, 5, -3

# Marker words in the order the game tests them; the first one whose first
# occurrence in a line starts after the line's first character decides.
MARKERS = ["hantei", "ive", "img", "end", "p"]
CANONICAL = {
    "hantei": re.compile(r">hantei"),
    "ive": re.compile(r">ive"),
    "img": re.compile(r">img>[A-Za-z0-9_]+"),
    "end": re.compile(r">end"),
    "p": re.compile(r">pp?"),
}

# Text window: the first page of an event holds 2 lines, later pages 5.  A line
# may be 28 full-width characters wide; the last line of a page also carries
# the prompt "　　▼" (3 full-width characters).
FIRST_PAGE, PAGE = 2, 5
LINE_WIDTH = 56          # in half-width units
PROMPT_WIDTH = 6
EVENT_LINES = (12, 40)
CAPTION_WIDTH = 10

PICTURE_MAGIC = [(b"\xff\xd8\xff", "JPEG"), (b"GIF87a", "GIF"), (b"GIF89a", "GIF"),
                 (b"\x89PNG\r\n\x1a\n", "PNG"), (b"BM", "BMP")]
PICTURE_SIZE = (640, 480)
NOT_PICTURE_NAMES = {"txt", "kako", "bgm"}

# Hand-picked play-throughs (the ones in docs/story.md): captions per turn and
# the ending they must reach.
EXAMPLES = [
    ("thoughtful player", "bg", {
        "0": "希望 希望 希望 勇気 優しさ", "1": "感謝 感謝 思い出 安らぎ 感謝",
        "2": "勇気 勇気 情熱 希望 勇気", "3": "思い出 思い出 安らぎ 優しさ 思い出",
        "b1": "優しさ 優しさ 希望 感謝 思い出", "b2": "安らぎ 安らぎ 優しさ 思い出 安らぎ"}),
    ("good start, then pushing too hard", "bb", {
        "0": "希望 勇気 優しさ 喜び 感謝", "1": "感謝 思い出 安らぎ 喜び 勇気",
        "2": "勇気 情熱 希望 喜び 感謝", "3": "思い出 優しさ 安らぎ 勇気 希望",
        "b1": "情熱 情熱 喜び 勇気 安らぎ", "b2": "勇気 情熱 勇気 喜び 感謝"}),
    ("unsure start, finding her own fire", "ag", {
        "0": "希望 思い出 勇気 喜び 感謝", "1": "感謝 情熱 安らぎ 喜び 勇気",
        "2": "勇気 安らぎ 希望 喜び 感謝", "3": "思い出 喜び 安らぎ 勇気 希望",
        "a1": "喜び 喜び 優しさ 希望 安らぎ", "a2": "情熱 喜び 勇気 安らぎ 感謝"}),
    ("unsure start, still unsure", "ab", {
        "0": "希望 思い出 勇気 喜び 感謝", "1": "感謝 情熱 安らぎ 喜び 勇気",
        "2": "勇気 安らぎ 希望 喜び 感謝", "3": "思い出 喜び 安らぎ 勇気 希望",
        "a1": "喜び 感謝 優しさ 安らぎ 情熱", "a2": "情熱 思い出 喜び 安らぎ 感謝"}),
]


class Report:
    def __init__(self):
        self.errors = 0
        self.warnings = 0

    def error(self, msg):
        self.errors += 1
        print(f"error: {msg}")

    def warn(self, msg):
        self.warnings += 1
        print(f"warning: {msg}")


def marker_of(line):
    """The marker a line is read as, or None for a text line."""
    for m in MARKERS:
        if line.find(m) >= 1:
            return m
    return None


def split_lines(text):
    """Lines as the game reads them: a line ends at CR, a LF right after it
    is dropped.  The CR LF that ends the last line does not start a new one."""
    lines, cur, i = [], [], 0
    while i < len(text):
        c = text[i]
        if c == "\r":
            lines.append("".join(cur))
            cur = []
            if i + 1 < len(text) and text[i + 1] == "\n":
                i += 1
        else:
            cur.append(c)
        i += 1
    if cur:
        lines.append("".join(cur))
    return lines


def width(s):
    return sum(1 if ord(c) < 0x80 or 0xFF61 <= ord(c) <= 0xFF9F else 2 for c in s)


def picture_format(data):
    for magic, fmt in PICTURE_MAGIC:
        if data.startswith(magic):
            return fmt
    return None


def picture_size(data, fmt):
    try:
        if fmt == "PNG":
            return struct.unpack(">II", data[16:24])
        if fmt == "GIF":
            return struct.unpack("<HH", data[6:10])
        if fmt == "BMP":
            w, h = struct.unpack("<ii", data[18:26])
            return w, abs(h)
        if fmt == "JPEG":
            i = 2
            while i + 9 < len(data):
                if data[i] != 0xFF:
                    return None
                kind = data[i + 1]
                if kind == 0xFF:
                    i += 1
                    continue
                seglen = struct.unpack(">H", data[i + 2:i + 4])[0]
                if 0xC0 <= kind <= 0xCF and kind not in (0xC4, 0xC8, 0xCC):
                    h, w = struct.unpack(">HH", data[i + 5:i + 9])
                    return w, h
                i += 2 + seglen
    except struct.error:
        return None
    return None


def midi_seconds(data):
    """Length of a standard MIDI file in seconds (tempo changes honoured),
    or an error message."""
    if data[:4] != b"MThd":
        return "not a standard MIDI file"
    fmt, ntracks, division = struct.unpack(">HHH", data[8:14])
    if fmt not in (0, 1) or division & 0x8000:
        return f"format {fmt}, division {division:#x}: want format 0 or 1 with ticks per beat"
    pos, tempos, end = 8 + struct.unpack(">I", data[4:8])[0], [], 0
    for _ in range(ntracks):
        if data[pos:pos + 4] != b"MTrk":
            return "broken track header"
        size = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        i, stop, tick, status = pos + 8, pos + 8 + size, 0, 0
        while i < stop:
            delta = 0
            while True:
                b = data[i]
                i += 1
                delta = (delta << 7) | (b & 0x7F)
                if not b & 0x80:
                    break
            tick += delta
            if data[i] == 0xFF:
                kind, j, n = data[i + 1], i + 2, 0
                while True:
                    n = (n << 7) | (data[j] & 0x7F)
                    j += 1
                    if not data[j - 1] & 0x80:
                        break
                if kind == 0x51:
                    tempos.append((tick, int.from_bytes(data[j:j + 3], "big")))
                i = j + n
                continue
            if data[i] in (0xF0, 0xF7):
                return "sysex in the music"
            if data[i] & 0x80:
                status = data[i]
                i += 1
            i += 1 if status >> 4 in (0xC, 0xD) else 2
        end = max(end, tick)
        pos = stop
    tempos = sorted(tempos) or [(0, 500000)]
    if tempos[0][0] != 0:
        tempos.insert(0, (0, 500000))
    secs = 0.0
    for (t0, us), nxt in zip(tempos, tempos[1:] + [(end, None)]):
        span = max(0, min(nxt[0], end) - t0)
        secs += span * us / 1e6 / division
    return secs


def read_text_file(rep, path):
    """Decode one text file, checking cp932 and CR LF; returns its lines."""
    data = path.read_bytes()
    name = path.name
    if not data:
        rep.error(f"{name}: empty file")
        return []
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError as e:
        rep.error(f"{name}: not cp932 at byte {e.start}")
        return []
    if text.startswith("\ufeff"):
        rep.error(f"{name}: starts with a byte order mark")
    for i, b in enumerate(data):
        if b == 0x0A and (i == 0 or data[i - 1] != 0x0D):
            rep.error(f"{name}: LF without CR at byte {i}")
            break
        if b == 0x0D and (i + 1 == len(data) or data[i + 1] != 0x0A):
            if i + 1 != len(data):
                rep.error(f"{name}: CR without LF at byte {i}")
                break
    if not data.endswith(b"\r\n"):
        rep.error(f"{name}: last line does not end in CR LF")
    bad = [c for c in text if ord(c) < 0x20 and c not in "\r\n"]
    if bad:
        rep.error(f"{name}: control character {bad[0]!r}")
    lines = split_lines(text)
    if lines and lines[-1] == "":
        rep.warn(f"{name}: ends with an empty line")
    return lines


class Script:
    def __init__(self, name):
        self.name = name
        self.jump = None         # marker that leaves the script, if any
        self.text_lines = 0
        self.pictures = []
        self.pages = []          # list of lists of text lines


def check_script(rep, name, lines, verbose):
    s = Script(name)
    if not lines:
        rep.error(f"{name}.dat: a script needs at least one line")
        return s
    cap, page = FIRST_PAGE, []

    def close(reason):
        nonlocal cap, page
        if page:
            last = page[-1]
            if width(last) + PROMPT_WIDTH > LINE_WIDTH:
                rep.error(f"{name}.dat: page-final line too wide with the prompt "
                          f"({width(last) // 2}+3 > {LINE_WIDTH // 2}): {last}")
            s.pages.append(page)
        elif reason == "p":
            rep.warn(f"{name}.dat: page break on an empty page (an extra pause) "
                     f"after page {len(s.pages)}")
        cap, page = PAGE, []

    for no, line in enumerate(lines, 1):
        m = marker_of(line)
        if m is None:
            s.text_lines += 1
            if re.search(r"[A-Za-z]", line):
                rep.warn(f"{name}.dat:{no}: ASCII letters in a text line: {line}")
            if width(line) > LINE_WIDTH:
                rep.error(f"{name}.dat:{no}: line wider than {LINE_WIDTH // 2} "
                          f"full-width characters ({width(line) / 2:g}): {line}")
            page.append(line)
            if len(page) == cap:
                close("full")
            continue
        if not CANONICAL[m].fullmatch(line):
            rep.error(f"{name}.dat:{no}: read as marker '{m}' but is not written "
                      f"as one: {line}")
        if m == "p":
            close("p")
        elif m == "img":
            s.pictures.append((no, line[5:]))
            if page:
                rep.warn(f"{name}.dat:{no}: picture changes in the middle of a page")
        else:
            s.jump = m
            close("jump")
            rest = [l for l in lines[no:] if l.strip()]
            if rest:
                rep.warn(f"{name}.dat:{no}: {len(rest)} line(s) after '{m}' are never read")
            break
    else:
        close("eof")
    lo, hi = EVENT_LINES
    if not lo <= s.text_lines <= hi:
        rep.warn(f"{name}.dat: {s.text_lines} text lines (want {lo}..{hi})")
    if verbose:
        print(f"--- {name}.dat: {s.text_lines} lines, {len(s.pages)} pages, "
              f"leaves by {s.jump or 'its last line'}")
        for i, p in enumerate(s.pages, 1):
            for j, l in enumerate(p):
                tail = "　　▼" if j == len(p) - 1 else ""
                print(f"  {i:2d}| {l}{tail}")
    return s


def check_keys(rep, captions, keys):
    """keys: event -> its first three key lines.  Returns event -> list of
    per-caption deltas (in caption order)."""
    for a, b in itertools.permutations(captions, 2):
        if a in b:
            rep.error(f"txt.dat: caption {a} is part of caption {b}")
    deltas = {}
    scores_anywhere = {c: set() for c in captions}
    for ev, lines in keys.items():
        for i, line in enumerate(lines):
            if not line:
                continue
            for item in line.split("、"):
                if item not in captions:
                    rep.error(f"{ev}_han.dat:{i + 1}: {item!r} is not a caption")
            for c in captions:
                if c in line and c not in line.split("、"):
                    rep.error(f"{ev}_han.dat:{i + 1}: {c} matches only inside another word")
        row = []
        for c in captions:
            d = 0
            for line, value in zip(lines, (GOOD, CRITICAL, BAD)):
                if line and c in line:
                    d = value
                    break
            row.append(d)
            scores_anywhere[c].add(d)
        if CRITICAL not in row:
            rep.warn(f"{ev}_han.dat: no critical feeling")
        if BAD not in row:
            rep.warn(f"{ev}_han.dat: no bad feeling")
        deltas[ev] = row
    for c, ds in scores_anywhere.items():
        if ds <= {0}:
            rep.error(f"caption {c} never scores in any turn")
        elif not ds & {GOOD, CRITICAL}:
            rep.warn(f"caption {c} is never good nor critical")
    return deltas


def play_turn(score, seq, clamp_each):
    if clamp_each:
        for d in seq:
            score = max(0, score + d)
        return score
    return max(0, score + sum(seq))


def advance(states, row, clamp_each):
    """states: score -> path (list of delta sequences).  Tries every ordered
    sequence of distinct delta values, keeping the first path to each score."""
    values = sorted(set(row), reverse=True)
    # tidy picks (best first) before the orderings that only matter when a
    # loss is floored at 0
    tidy = list(itertools.combinations_with_replacement(values, CHOICES_PER_TURN))
    seqs = tidy + [s for s in itertools.product(values, repeat=CHOICES_PER_TURN)
                   if s not in set(tidy)]
    out = {}
    for score in sorted(states):
        for seq in seqs:
            new = play_turn(score, seq, clamp_each)
            if new not in out:
                out[new] = states[score] + [seq]
    return out


def explain(path, events, deltas, captions):
    parts = []
    for ev, seq in zip(events, path):
        row = deltas[ev]
        picked = [captions[row.index(d)] for d in seq]
        parts.append(f"{ev}:{'/'.join(picked)}")
    return "  ".join(parts)


def simulate(rep, deltas, captions, clamp_each, show):
    label = "clamp after each choice" if clamp_each else "clamp after each turn"
    states = {0: []}
    for ev in COMMON[:-1]:
        states = advance(states, deltas[ev], clamp_each)
    at_hantei = states
    routes = {"a": {s: p for s, p in states.items() if s <= ROUTE_LIMIT},
              "b": {s: p for s, p in states.items() if s > ROUTE_LIMIT}}
    results = {}
    ive_sets = {}
    for r, start in routes.items():
        if not start:
            rep.error(f"[{label}] route {r} cannot be reached")
            continue
        st = start
        for ev in ROUTE_EVENTS[r][:2]:
            st = advance(st, deltas[ev], clamp_each)
        ive_sets[r] = st
        for e, ok in (("g", lambda s: s >= GOOD_ENDING_FROM),
                      ("b", lambda s: s < GOOD_ENDING_FROM)):
            hits = {s: p for s, p in st.items() if ok(s)}
            if not hits:
                rep.error(f"[{label}] ending {r}{e} cannot be reached")
                continue
            results[r + e] = hits
    if show:
        print(f"\n== scores ({label})")
        print(f"at 4.dat hantei: {fmt_set(at_hantei)}")
        for r in ive_sets:
            print(f"at {r}3.dat ive (route {r}, from {fmt_set(routes[r])}): "
                  f"{fmt_set(ive_sets[r])}")
        for e in ENDINGS:
            if e in results:
                s = min(results[e], key=lambda k: abs(k - GOOD_ENDING_FROM))
                events = COMMON[:-1] + ROUTE_EVENTS[e[0]][:2]
                print(f"{e}: e.g. final score {s}: "
                      f"{explain(results[e][s], events, deltas, captions)}")
    return at_hantei, ive_sets


def fmt_set(states):
    vals = sorted(states)
    if not vals:
        return "{}"
    runs, start = [], vals[0]
    for a, b in zip(vals, vals[1:] + [None]):
        if b != a + 1:
            runs.append(f"{start}" if start == a else f"{start}..{a}")
            start = b
    return "{" + ", ".join(runs) + "}"


def replay(captions, keys_rows, choices):
    score, events = 0, []
    for ev in COMMON[:-1]:
        score = play_turn(score, [keys_rows[ev][captions.index(c)]
                                  for c in choices[ev].split()], True)
        events.append((ev, score))
    route = "a" if score <= ROUTE_LIMIT else "b"
    for ev in ROUTE_EVENTS[route][:2]:
        if ev not in choices:
            return None, events
        score = play_turn(score, [keys_rows[ev][captions.index(c)]
                                  for c in choices[ev].split()], True)
        events.append((ev, score))
    return route + ("g" if score >= GOOD_ENDING_FROM else "b"), events


def main(argv):
    verbose = "-v" in argv
    args = [a for a in argv if a != "-v"]
    dat = Path(args[0]) if args else ROOT / "dat"
    rep = Report()

    files = {p.stem: p for p in dat.glob("*.dat")}
    pictures, texts = {}, {}
    for stem, p in sorted(files.items()):
        if stem == "kako":
            continue  # written by the game itself
        data = p.read_bytes()
        fmt = picture_format(data)
        if fmt:
            size = picture_size(data, fmt)
            if size != PICTURE_SIZE:
                rep.warn(f"{p.name}: {fmt} picture is {size}, want {PICTURE_SIZE}")
            pictures[stem] = (fmt, len(data))
        else:
            texts[stem] = read_text_file(rep, p)

    # captions
    captions = texts.get("txt")
    if not captions:
        rep.error("txt.dat missing or empty")
        captions = []
    for c in captions:
        if not c:
            rep.error("txt.dat: empty caption")
        elif width(c) > CAPTION_WIDTH:
            rep.error(f"txt.dat: caption {c} longer than {CAPTION_WIDTH // 2} characters")
    if len(set(captions)) != len(captions):
        rep.error("txt.dat: repeated caption")
    if not 6 <= len(captions) <= 10:
        rep.warn(f"txt.dat: {len(captions)} captions")

    # scripts
    names = COMMON + ROUTE_EVENTS["a"] + ROUTE_EVENTS["b"] + ENDINGS
    scripts = {}
    for n in names:
        if n in pictures:
            rep.error(f"{n}.dat is a picture but must be an event script")
        elif n not in texts:
            rep.error(f"{n}.dat missing")
        else:
            scripts[n] = check_script(rep, n, texts[n], verbose)
    for n, s in scripts.items():
        want = JUMPS.get(n)
        if want and s.jump != want:
            rep.error(f"{n}.dat must leave through '{want}', "
                      f"but {'leaves through ' + repr(s.jump) if s.jump else 'has none'}")
        if not want and s.jump:
            rep.error(f"{n}.dat is followed by a turn but jumps away with '{s.jump}'")

    # pictures
    for must in ("ive", "game"):
        if must not in pictures:
            rep.error(f"{must}.dat: picture missing")
    used = {"ive", "game"}
    for n, s in scripts.items():
        for no, pic in s.pictures:
            used.add(pic)
            if pic in scripts or pic in NOT_PICTURE_NAMES or pic.endswith("_han"):
                rep.error(f"{n}.dat:{no}: picture name {pic} clashes with another file")
            elif pic not in pictures:
                rep.error(f"{n}.dat:{no}: picture {pic}.dat missing")
    for p in sorted(set(pictures) - used):
        rep.warn(f"{p}.dat: picture never shown")
    formats = {fmt for fmt, _ in pictures.values()}
    for fmt in ("JPEG", "GIF", "BMP", "PNG"):
        if fmt not in formats:
            rep.warn(f"no picture is stored as {fmt}")

    # key files
    keys = {}
    for ev in TURN_EVENTS:
        lines = texts.get(f"{ev}_han")
        if lines is None:
            rep.error(f"{ev}_han.dat missing")
            continue
        if len(lines) < 3:
            rep.error(f"{ev}_han.dat: {len(lines)} line(s), the game reads three")
            lines = lines + [""] * (3 - len(lines))
        elif len(lines) > 3:
            rep.warn(f"{ev}_han.dat: lines after the third are ignored")
        keys[ev] = lines[:3]
    known = set(names) | {f"{ev}_han" for ev in TURN_EVENTS} | {"txt"}
    for stem in sorted(set(texts) - known):
        rep.warn(f"{stem}.dat: text file the game never reads")

    if "bgm" in files:
        rep.warn("bgm.dat found; the music is dat/bgm.mid")
    mid = dat / "bgm.mid"
    if not mid.exists():
        rep.error("bgm.mid missing")
    else:
        try:
            secs = midi_seconds(mid.read_bytes())
        except (IndexError, struct.error):
            secs = "cut short"
        if isinstance(secs, str):
            rep.error(f"bgm.mid: {secs}")
        elif not 30 <= secs <= 60:
            rep.warn(f"bgm.mid: loop is {secs:.1f} s, want 30..60")
        else:
            print(f"bgm.mid: {secs:.1f} s")

    total = sum(p.stat().st_size for p in dat.iterdir() if p.is_file())
    print(f"dat/: {len(pictures)} pictures "
          f"({', '.join(f'{k}={v[0]} {v[1] // 1024}K' for k, v in sorted(pictures.items()))}), "
          f"{total / 1024 / 1024:.2f} MB in all")

    if captions and len(keys) == len(TURN_EVENTS):
        rows = check_keys(rep, captions, keys)
        simulate(rep, rows, captions, clamp_each=True, show=True)
        simulate(rep, rows, captions, clamp_each=False, show=verbose)
        print("\n== example play-throughs")
        for title, want, choices in EXAMPLES:
            bad = [c for ch in choices.values() for c in ch.split() if c not in captions]
            if bad or any(len(ch.split()) != CHOICES_PER_TURN for ch in choices.values()):
                rep.error(f"example '{title}': bad choices {bad}")
                continue
            got, trail = replay(captions, rows, choices)
            steps = " ".join(f"{ev}→{s}" for ev, s in trail)
            print(f"{want}: {title}: {steps}  => {got}")
            if got != want:
                rep.error(f"example '{title}' reaches {got}, not {want}")

    print(f"\n{rep.errors} error(s), {rep.warnings} warning(s)")
    return 1 if rep.errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
