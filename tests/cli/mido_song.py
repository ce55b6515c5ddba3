#!/usr/bin/env python3
"""Writes a MIDI file as a sequencer does, with an independent writer (python3-mido).

Usage: mido_song.py OUT.mid
A format 1 file of division 480: a tempo track (tempo, time signature, a tempo change in measure 3),
then one track per instrument, each with its name, program and volume: drums on channel 10, bass on
2, piano on 1, strings on 3, the instruments ending at different times. Prints one line per note:
start channel key velocity end, with channels counted from 0 and ticks at 384 per quarter note.
Exits 77 (skipped) when mido is not available.
"""
import sys

try:
    import mido
except ImportError:
    print("mido is not installed: skipping")
    sys.exit(77)

DIVISION = 480
BAR = 4 * DIVISION


def track(name, channel, program, notes, end, note_off=True):
    """A track of (start, length, key, velocity) notes in file ticks, ending at `end`."""
    events = [(0, mido.MetaMessage("track_name", name=name)),
              (0, mido.Message("program_change", channel=channel, program=program)),
              (0, mido.Message("control_change", channel=channel, control=7, value=100))]
    for start, length, key, velocity in notes:
        events.append((start, mido.Message("note_on", channel=channel, note=key, velocity=velocity)))
        off = (mido.Message("note_off", channel=channel, note=key, velocity=64) if note_off else
               mido.Message("note_on", channel=channel, note=key, velocity=0))
        events.append((start + length, off))
    # Note-offs ahead of note-ons at equal ticks, as sequencers write them.
    events.sort(key=lambda item: (item[0], item[1].type == "note_on" and item[1].velocity > 0))
    result, now = mido.MidiTrack(), 0
    for tick, message in events:
        result.append(message.copy(time=tick - now))
        now = tick
    result.append(mido.MetaMessage("end_of_track", time=end - now))
    return result


def main():
    path = sys.argv[1]
    drums = []
    for bar in range(4):
        for beat in range(4):
            at = bar * BAR + beat * DIVISION
            drums.append((at, 60, 36 if beat % 2 == 0 else 38, 110))
            drums.append((at + DIVISION // 2, 60, 42, 80))
    bass = [(bar * BAR + beat * DIVISION, 400, key, 100)
            for bar, keys in enumerate([[40, 43, 45, 47], [40, 40, 38, 36], [33, 35, 36, 38]])
            for beat, key in enumerate(keys)]
    piano = [(bar * BAR + half * 2 * DIVISION, 2 * DIVISION - 10, root + step, 70)
             for bar, root in enumerate([64, 60, 62, 59]) for half in range(2) for step in (0, 4, 7)]
    strings = [(0, 4 * BAR - 20, 76, 50)]

    song = mido.MidiFile(type=1, ticks_per_beat=DIVISION)
    tempo = mido.MidiTrack([
        mido.MetaMessage("track_name", name="Song", time=0),
        mido.MetaMessage("set_tempo", tempo=500000, time=0),
        mido.MetaMessage("time_signature", numerator=4, denominator=4, time=0),
        mido.MetaMessage("set_tempo", tempo=600000, time=2 * BAR),
        mido.MetaMessage("end_of_track", time=0)])
    song.tracks.append(tempo)
    song.tracks.append(track("Drums", 9, 0, drums, 4 * BAR, note_off=False))
    song.tracks.append(track("Fretless", 1, 35, bass, 3 * BAR))
    song.tracks.append(track("Piano", 0, 0, piano, 4 * BAR - 5))
    song.tracks.append(track("Strings", 2, 48, strings, 4 * BAR))
    song.save(path)

    def at384(tick):
        return tick * 384 // DIVISION

    for channel, notes in ((9, drums), (1, bass), (0, piano), (2, strings)):
        for start, length, key, velocity in notes:
            print(at384(start), channel, key, velocity, at384(start + length))


if __name__ == "__main__":
    main()
