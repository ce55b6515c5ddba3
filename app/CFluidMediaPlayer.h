// The media player over the FluidSynth software synthesizer with the installed General MIDI sound font.
#pragma once

#include "app/CMediaPlayer.h"

#include <QByteArray>
#include <QStringList>
#include <memory>
#include <vector>

class CFluidMediaPlayer final : public CMediaPlayer {
public:
    CFluidMediaPlayer();
    ~CFluidMediaPlayer() override;

    bool Open(const QString& fileName) override;
    bool Play() override;
    bool Stop() override;
    bool Eject() override;
    bool Close() override;
    int LastError() const override { return error; }
    QString LastErrorText() const override { return ErrorText(error); }
    int PositionTicks() const override;

    // Sound fonts
    // The places a General MIDI sound font is looked for, in order (the Debian packages' paths).
    static QStringList SoundFontCandidates();
    // The first candidate that exists, or an empty string.
    static QString FindSoundFont();

    // Renders the Standard MIDI File image `midi` offline with `soundFont` into interleaved stereo
    // floats at `sampleRate`, stopping when the song has ended or after `maxSeconds`. Returns an empty
    // vector when the sound font or the image cannot be loaded.
    static std::vector<float> RenderOffline(const QByteArray& midi, const QString& soundFont, int sampleRate,
                                            double maxSeconds);

private:
    struct CState;
    bool Fail(int code);

    std::unique_ptr<CState> state;
    int error = NoError;
};
