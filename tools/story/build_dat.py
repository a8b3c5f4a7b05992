#!/usr/bin/python3
"""Turn the UTF-8 story sources in tools/story/src/ into the game's text files.

Every src/NAME.txt becomes dat/NAME.dat, encoded as Shift-JIS (cp932) with
CR LF after every line, the last one included.  The sources are plain UTF-8
with LF line ends so they are easy to edit and diff.

Usage:  /usr/bin/python3 tools/story/build_dat.py
"""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SRC = ROOT / "tools" / "story" / "src"
DAT = ROOT / "dat"

IMAGE_MAGIC = (b"\xff\xd8\xff", b"GIF87a", b"GIF89a", b"BM", b"\x89PNG\r\n\x1a\n")


def encode_lines(name, text):
    if text.startswith("\ufeff"):
        raise ValueError(f"{name}: starts with a byte order mark")
    if "\r" in text:
        raise ValueError(f"{name}: source must use plain LF line ends")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()  # the newline that ends the last line
    if not lines:
        raise ValueError(f"{name}: no lines")
    out = bytearray()
    for no, line in enumerate(lines, 1):
        try:
            out += line.encode("cp932") + b"\r\n"
        except UnicodeEncodeError as e:
            bad = line[e.start:e.end]
            raise ValueError(
                f"{name}:{no}: {bad!r} (U+{ord(bad[0]):04X}) has no cp932 code") from None
    return bytes(out)


def main():
    DAT.mkdir(exist_ok=True)
    errors = 0
    written = 0
    for src in sorted(SRC.glob("*.txt")):
        target = DAT / (src.stem + ".dat")
        if target.exists() and target.read_bytes().startswith(IMAGE_MAGIC):
            print(f"error: {target.name} is a picture; the text {src.name} would overwrite it")
            errors += 1
            continue
        try:
            data = encode_lines(src.name, src.read_text(encoding="utf-8"))
        except ValueError as e:
            print(f"error: {e}")
            errors += 1
            continue
        if not target.exists() or target.read_bytes() != data:
            target.write_bytes(data)
            written += 1
    print(f"{written} file(s) written, {errors} error(s)")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
