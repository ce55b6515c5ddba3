#!/usr/bin/env python3
"""Prints the notes of MIDI files as an independent reader sees them.

Usage: mido_notes.py FILE...
One line per note: file start channel key velocity end (ticks). Exits 77 (skipped) when the mido
package is not available, and with a message when a file is not a format 0 file of division 384
ending with End of Track, or holds a note off without its note on or a note left sounding.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "smf"))
from mido_check import notes_from_mido  # noqa: E402  (exits 77 without mido)


def main():
    for path in sys.argv[1:]:
        try:
            notes = notes_from_mido(path)
        except SystemExit as failure:
            sys.exit(f"{path}: {failure.code}")
        for start, channel, key, velocity, end in notes:
            print(path, start, channel, key, velocity, end)


if __name__ == "__main__":
    main()
