// Error texts of the media player.
#include "app/CMediaPlayer.h"

QString CMediaPlayer::ErrorText(int error)
{
    switch (error) {
    case NoError:
        return "The operation completed successfully.";
    case NoSoundFont:
        return "No General MIDI sound font found.";
    case NoAudioOutput:
        return "No audio output available.";
    case FileNotLoadable:
        return "The MIDI file cannot be loaded.";
    case NotOpen:
        return "No MIDI file is open.";
    default:
        return "Unknown error.";
    }
}
