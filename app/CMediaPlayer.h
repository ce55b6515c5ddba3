// The media player that test-plays MIDI files, behind an interface so that window tests can use a fake.
#pragma once

#include <QString>

class CMediaPlayer {
public:
    // Error numbers of the last operation; 0 means it succeeded.
    enum Error {
        NoError = 0,
        NoSoundFont = 1,     // no General MIDI sound font is installed
        NoAudioOutput = 2,   // no audio output could be opened
        FileNotLoadable = 3, // the file is missing or not a Standard MIDI File
        NotOpen = 4,         // play or stop without an open file
    };

    virtual ~CMediaPlayer() = default;

    // Each operation sets the error number and text that LastError() and LastErrorText() report.
    // Open(fileName) prepares `fileName` for playing; Play() starts it from its beginning and returns at
    // once; Stop() ends the sound; Eject() does nothing for a player without a medium; Close() releases
    // the file and the audio output. Each returns true when its error number is 0.
    virtual bool Open(const QString& fileName) = 0;
    virtual bool Play() = 0;
    virtual bool Stop() = 0;
    virtual bool Eject() = 0;
    virtual bool Close() = 0;
    virtual int LastError() const = 0;
    virtual QString LastErrorText() const = 0;

    // Position
    // How far the playing file has got, in the file's ticks (the files the window plays count 384 per
    // quarter note from the chord variation's start, as the piano roll does); -1 when nothing is
    // playing: no file open, not started, stopped, or played to its end. Sets no error number.
    virtual int PositionTicks() const = 0;

    // The text of error number `error`.
    static QString ErrorText(int error);
};
