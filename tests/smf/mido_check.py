#!/usr/bin/env python3
"""Reads files written by our SMF writer with an independent reader and compares the notes.

Usage: mido_check.py WRITER WORKDIR
WRITER is run as `WRITER WORKDIR`; it writes WORKDIR/check.mid and WORKDIR/check.notes (one note per
line: start channel key velocity end, in ticks, as our own reader sees the file). Exits 77 (skipped)
when the mido package is not available.
"""
import os
import subprocess
import sys

try:
    import mido
except ImportError:
    print("mido is not installed: skipping")
    sys.exit(77)


def notes_from_mido(path):
    midi = mido.MidiFile(path)
    if midi.type != 0 or len(midi.tracks) != 1 or midi.ticks_per_beat != 384:
        sys.exit(f"unexpected header: type {midi.type}, {len(midi.tracks)} tracks, "
                 f"division {midi.ticks_per_beat}")
    notes, sounding, now = [], {}, 0
    messages = list(midi.tracks[0])
    if not messages or messages[-1].type != "end_of_track":
        sys.exit("the track does not end with End of Track")
    for msg in messages:
        now += msg.time
        if msg.type == "note_on" and msg.velocity > 0:
            sounding.setdefault((msg.channel, msg.note), []).append((now, msg.velocity))
        elif msg.type in ("note_off", "note_on"):
            started = sounding.get((msg.channel, msg.note))
            if not started:
                sys.exit(f"note off without note on at tick {now}: {msg}")
            start, velocity = started.pop(0)
            notes.append((start, msg.channel, msg.note, velocity, now))
    hanging = [key for key, starts in sounding.items() if starts]
    if hanging:
        sys.exit(f"notes left sounding: {hanging}")
    return sorted(notes)


def notes_from_file(path):
    with open(path, encoding="ascii") as lines:
        return sorted(tuple(int(field) for field in line.split()) for line in lines if line.strip())


def main():
    writer, workdir = sys.argv[1], sys.argv[2]
    os.makedirs(workdir, exist_ok=True)
    subprocess.run([writer, workdir], check=True)
    theirs = notes_from_mido(os.path.join(workdir, "check.mid"))
    ours = notes_from_file(os.path.join(workdir, "check.notes"))
    if theirs != ours:
        for index, (a, b) in enumerate(zip(theirs, ours)):
            if a != b:
                sys.exit(f"first difference at note {index}: mido {a}, ours {b}")
        sys.exit(f"note counts differ: mido {len(theirs)}, ours {len(ours)}")
    print(f"{len(ours)} notes agree")


if __name__ == "__main__":
    main()
