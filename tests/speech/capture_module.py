#!/usr/bin/env python3
# A speech-dispatcher output module for the spoken-path test: it speaks the module protocol on
# its standard input and output (INIT, AUDIO, LOGLEVEL, SET, SPEAK, CHAR, KEY, SOUND_ICON, STOP,
# PAUSE, LIST VOICES, QUIT), appends every text it is given to the capture file named by its
# configuration file ("CaptureFile PATH"), a line each, and reports each message begun and
# ended at once. So it is never busy, and no message is ever refused.
import html
import re
import sys

capture = None
for line in open(sys.argv[1], encoding="utf-8") if len(sys.argv) > 1 else []:
    if line.startswith("CaptureFile "):
        capture = line.split(None, 1)[1].strip().strip('"')


def reply(*lines):
    sys.stdout.write("".join(line + "\n" for line in lines))
    sys.stdout.flush()


def block():
    """The lines up to the lone dot, with the protocol's doubled leading dots undone."""
    lines = []
    for line in sys.stdin:
        line = line.rstrip("\n")
        if line == ".":
            break
        lines.append(line[1:] if line.startswith("..") else line)
    return lines


def record(lines):
    # SSML in, plain text out, line by line: marks and other tags dropped, entities decoded.
    said = [html.unescape(re.sub(r"<[^>]*>", "", line)).strip() for line in lines]
    said = [line for line in said if line]
    if capture and said:
        with open(capture, "a", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in said))


settings = {"SET": "203 OK SETTINGS RECEIVED", "AUDIO": "203 OK AUDIO INITIALIZED",
            "LOGLEVEL": "203 OK LOGLEVEL SET"}
for command in sys.stdin:
    command = command.rstrip("\n")
    if command == "INIT":
        reply("299-capture: ready", "299 OK LOADED SUCCESSFULLY")
    elif command in settings:
        reply("207 OK RECEIVING SETTINGS")
        block()
        reply(settings[command])
    elif command in ("SPEAK", "CHAR", "KEY", "SOUND_ICON"):
        reply("202 OK RECEIVING MESSAGE")
        record(block())
        reply("200 OK SPEAKING", "701 BEGIN", "702 END")
    elif command in ("STOP", "PAUSE"):
        pass  # every message has ended already; these get no reply
    elif command == "LIST VOICES":
        reply("200-ja\tja\tnone", "200-en\ten\tnone", "200 OK VOICE LIST SENT")
    elif command.startswith("DEBUG"):
        reply("200 OK DEBUGGING")
    elif command == "QUIT":
        reply("210 OK QUIT")
        break
    else:
        reply("300 ERR UNKNOWN COMMAND")
