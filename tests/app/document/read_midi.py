#!/usr/bin/env python3
"""Reads a Standard MIDI File with mido and prints it as plain lines, for tests to check an
exported file with a reader that is not ours.

    chunk <id> <length>                 every chunk, walked from the raw bytes
    file type=<format> ticks_per_beat=<division> tracks=<count>
    track <index>
    <absolute tick> <type> <field>=<value> ...   every message, in order

Exits 1 with the reason on stderr when the file cannot be read.
"""
import struct
import sys

import mido


def walk_chunks(data):
    at = 0
    while at < len(data):
        if at + 8 > len(data):
            raise ValueError(f"truncated chunk header at byte {at}")
        kind = data[at:at + 4].decode("latin-1")
        (length,) = struct.unpack(">I", data[at + 4:at + 8])
        if at + 8 + length > len(data):
            raise ValueError(f"chunk {kind} at byte {at} claims {length} bytes, file ends sooner")
        print(f"chunk {kind} {length}")
        at += 8 + length


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        walk_chunks(f.read())
    midi = mido.MidiFile(path)  # strict: a data byte above 127 is an error
    print(f"file type={midi.type} ticks_per_beat={midi.ticks_per_beat} tracks={len(midi.tracks)}")
    for index, track in enumerate(midi.tracks):
        print(f"track {index}")
        tick = 0
        for msg in track:
            tick += msg.time
            fields = " ".join(f"{k}={v}" for k, v in sorted(msg.dict().items()) if k not in ("type", "time"))
            print(f"{tick} {msg.type} {fields}".rstrip())


if __name__ == "__main__":
    try:
        main()
    except Exception as e:  # any failure to read is the test's finding
        print(f"read_midi: {e}", file=sys.stderr)
        sys.exit(1)
