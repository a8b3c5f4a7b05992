#!/usr/bin/python3
"""Compose the game's background loop and write it to tools/story/src/bgm.mid.

"Quillet Harbour": a gentle sixteen-bar loop in F major, 4/4 at
80 beats a minute (48 seconds).  A music box sings the tune over broken piano
chords, a soft string pad and a plucked bass.  The last bar sits on C7, so
the loop falls back into the opening F chord without a seam.

Standard MIDI file, format 1, General MIDI instruments, 480 ticks a beat.
Pure standard library.

Usage:  /usr/bin/python3 tools/music/make_bgm.py [OUT.mid]
"""
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
PPQ = 480
BPM = 80
BEATS_PER_BAR = 4

NOTE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch(name):
    """'A5', 'Bb4', 'F#3' -> MIDI note number (C4 = 60)."""
    n = NOTE[name[0]]
    rest = name[1:]
    while rest and rest[0] in "b#":
        n += -1 if rest[0] == "b" else 1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + n


# One chord per bar (two in the last): bass note and the chord's tones.
CHORDS = [
    # bar: [(beats, bass, tones)]
    [(4, "F2", "F3 A3 C4")],           # 1  F
    [(4, "E2", "C3 E3 G3 C4")],        # 2  C/E
    [(4, "D2", "D3 F3 A3")],           # 3  Dm
    [(4, "Bb1", "Bb2 D3 F3")],         # 4  Bb
    [(4, "A1", "F3 A3 C4")],           # 5  F/A
    [(4, "G1", "G3 Bb3 D4 F4")],       # 6  Gm7
    [(4, "C2", "C3 E3 G3")],           # 7  C
    [(4, "C2", "E3 G3 Bb3")],          # 8  C7
    [(4, "Bb1", "Bb2 D3 F3")],         # 9  Bb
    [(4, "C2", "C3 E3 G3")],           # 10 C
    [(4, "A1", "A2 C3 E3 G3")],        # 11 Am7
    [(4, "D2", "D3 F3 A3 C4")],        # 12 Dm7
    [(4, "Bb1", "Bb2 D3 F3")],         # 13 Bb
    [(4, "A1", "F3 A3 C4")],           # 14 F/A
    [(4, "G1", "G3 Bb3 D4 F4")],       # 15 Gm7
    [(2, "C2", "C3 F3 G3"),            # 16 Csus4 ...
     (2, "C2", "E3 G3 Bb3")],          #    ... C7, back to F
]

# The tune: (note or None for a rest, length in beats), bar by bar.
MELODY = [
    [("C5", .5), ("F5", .5), ("A5", 1), ("G5", 1), ("A5", 1)],
    [("G5", 1.5), ("E5", .5), ("C5", 2)],
    [("D5", .5), ("F5", .5), ("A5", 1), ("C6", 1), ("A5", 1)],
    [("Bb5", 2), ("A5", 1), ("G5", 1)],
    [("A5", 1.5), ("G5", .5), ("F5", 1), ("A5", 1)],
    [("Bb5", 1), ("D6", 1), ("C6", 1), ("Bb5", 1)],
    [("A5", 1.5), ("G5", .5), ("E5", 1), ("G5", 1)],
    [("G5", 3), (None, 1)],
    [("D6", 1.5), ("C6", .5), ("Bb5", 1), ("D6", 1)],
    [("C6", 1.5), ("Bb5", .5), ("G5", 2)],
    [("A5", .5), ("C6", .5), ("E6", 1), ("D6", 1), ("C6", 1)],
    [("D6", 2), ("A5", 2)],
    [("Bb5", 1), ("A5", 1), ("G5", 1), ("F5", 1)],
    [("A5", 1.5), ("G5", .5), ("F5", 1), ("A5", 1)],
    [("G5", 1), ("Bb5", 1), ("D6", 1), ("C6", 1)],
    [("C6", 2), ("G5", 1), ("E5", 1)],
]

# channel, GM program (0-based), volume, pan, reverb, chorus
PARTS = {
    "music box": (0, 10, 100, 72, 70, 20),
    "piano":     (1, 0, 78, 46, 60, 0),
    "strings":   (2, 49, 70, 64, 80, 30),
    "bass":      (3, 32, 92, 60, 30, 0),
}


def varlen(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (tick, order, bytes); order sorts note-offs before note-ons."""
    data, last = bytearray(), 0
    for tick, _, msg in sorted(events, key=lambda e: (e[0], e[1])):
        data += varlen(tick - last) + msg
        last = tick
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def note(events, ch, start, length, key, vel):
    t0 = int(round(start * PPQ))
    t1 = int(round((start + length) * PPQ))
    events.append((t0, 2, bytes([0x90 | ch, key, vel])))
    events.append((t1, 1, bytes([0x80 | ch, key, 0])))


def setup(events, name, part):
    ch, prog, vol, pan, rev, cho = part
    title = name.encode("ascii")
    events.append((0, 0, b"\xff\x03" + varlen(len(title)) + title))
    events.append((0, 0, bytes([0xC0 | ch, prog])))
    for cc, v in ((7, vol), (10, pan), (91, rev), (93, cho), (64, 0)):
        events.append((0, 0, bytes([0xB0 | ch, cc, v])))


def compose():
    bars = len(MELODY)
    assert len(CHORDS) == bars
    total = bars * BEATS_PER_BAR
    end = total * PPQ

    tempo = []
    us = 60_000_000 // BPM
    tempo.append((0, 0, b"\xff\x03\x0fQuillet Harbour"))
    tempo.append((0, 0, b"\xff\x51\x03" + us.to_bytes(3, "big")))
    tempo.append((0, 0, b"\xff\x58\x04\x04\x02\x18\x08"))   # 4/4
    tempo.append((0, 0, b"\xff\x59\x02\xff\x00"))           # F major
    # loop markers for players that honour them
    tempo.append((0, 0, b"\xff\x06\x09loopStart"))
    tempo.append((end, 0, b"\xff\x06\x07loopEnd"))

    tunes = {name: [] for name in PARTS}
    for name, part in PARTS.items():
        setup(tunes[name], name, part)

    # melody: beat-aware dynamics, a touch of legato
    ch = PARTS["music box"][0]
    for b, bar in enumerate(MELODY):
        beat = 0.0
        assert abs(sum(d for _, d in bar) - BEATS_PER_BAR) < 1e-9, f"bar {b + 1}"
        for name, dur in bar:
            if name:
                strong = beat == 0 or beat == 2
                vel = 84 if strong else 72
                if dur >= 2:
                    vel += 4
                note(tunes["music box"], ch, b * 4 + beat, dur * 0.96, pitch(name), vel)
            beat += dur

    for b, bar in enumerate(CHORDS):
        beat = 0.0
        for dur, bass, tones in bar:
            start = b * 4 + beat
            keys = [pitch(t) for t in tones.split()]
            # strings: the chord held softly for its whole length
            for k in keys:
                note(tunes["strings"], PARTS["strings"][0], start, dur, k + 12 if k < 55 else k, 50)
            # bass: root, then the fifth halfway through long chords
            root = pitch(bass)
            if dur == 4:
                note(tunes["bass"], PARTS["bass"][0], start, 1.9, root, 80)
                fifth = root + 7 if (root + 7) <= pitch("D3") else root - 5
                note(tunes["bass"], PARTS["bass"][0], start + 2, 1.9, fifth, 68)
            else:
                note(tunes["bass"], PARTS["bass"][0], start, dur - 0.1, root, 76)
            # piano: rolling eighths up and down the chord
            top = keys[3] if len(keys) > 3 else keys[0] + 12
            low = keys[0] - 12 if keys[0] >= 48 else keys[0]
            pattern = [low, keys[0], keys[1], keys[2], top, keys[2], keys[1], keys[0]]
            for i in range(int(dur * 2)):
                k = pattern[i]
                vel = 46 if i % 4 == 0 else 36
                note(tunes["piano"], PARTS["piano"][0], start + i * 0.5, 0.9, k, vel)
            beat += dur

    # nothing may ring past the loop point: clip any note-off beyond it
    for evs in tunes.values():
        for i, (t, o, msg) in enumerate(evs):
            if t > end:
                evs[i] = (end, o, msg)
    eot = (end, 9, b"\xff\x2f\x00")
    tracks = [track(tempo + [eot])] + [track(evs + [eot]) for evs in tunes.values()]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), PPQ)
    return header + b"".join(tracks), total * 60 / BPM


def main(argv):
    out = Path(argv[0]) if argv else ROOT / "tools" / "story" / "src" / "bgm.mid"
    data, seconds = compose()
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(data)
    print(f"{out}: {len(data)} bytes, {seconds:.1f} s loop")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
