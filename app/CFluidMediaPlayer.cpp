// Test play through FluidSynth: a synthesizer with the General MIDI sound font and an audio driver.
#include "app/CFluidMediaPlayer.h"

#include <QFile>
#include <fluidsynth.h>

namespace {

// FluidSynth objects are C handles; each gets its own deleter so every path frees them.
struct CSettingsDeleter {
    void operator()(fluid_settings_t* p) const { delete_fluid_settings(p); }
};
struct CSynthDeleter {
    void operator()(fluid_synth_t* p) const { delete_fluid_synth(p); }
};
struct CDriverDeleter {
    void operator()(fluid_audio_driver_t* p) const { delete_fluid_audio_driver(p); }
};
struct CPlayerDeleter {
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};
using CSettings = std::unique_ptr<fluid_settings_t, CSettingsDeleter>;
using CSynth = std::unique_ptr<fluid_synth_t, CSynthDeleter>;
using CDriver = std::unique_ptr<fluid_audio_driver_t, CDriverDeleter>;
using CPlayer = std::unique_ptr<fluid_player_t, CPlayerDeleter>;

// The library reports to stderr by default; the player reports through its error numbers instead.
void SilenceFluidLog()
{
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
}

CSettings NewSettings(int sampleRate)
{
    SilenceFluidLog();
    CSettings settings(new_fluid_settings());
    if (settings) {
        // Samples are read when a preset is first used, which keeps a 140 MB font quick to open.
        fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
        if (sampleRate > 0)
            fluid_settings_setnum(settings.get(), "synth.sample-rate", sampleRate);
    }
    return settings;
}

CSynth NewSynth(fluid_settings_t* settings, const QString& soundFont)
{
    CSynth synth(settings != nullptr ? new_fluid_synth(settings) : nullptr);
    if (synth && fluid_synth_sfload(synth.get(), QFile::encodeName(soundFont).constData(), 1) == FLUID_FAILED)
        synth.reset();
    return synth;
}

} // namespace

struct CFluidMediaPlayer::CState {
    // Declared in the order of creation so that they are released in reverse.
    CSettings settings;
    CSynth synth;
    CDriver driver;
    CPlayer player;
    QByteArray fileName;
};

CFluidMediaPlayer::CFluidMediaPlayer() : state(std::make_unique<CState>()) {}

CFluidMediaPlayer::~CFluidMediaPlayer()
{
    Close();
}

QStringList CFluidMediaPlayer::SoundFontCandidates()
{
    return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
            "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2",
            "/usr/share/soundfonts/FluidR3_GM.sf2"};
}

QString CFluidMediaPlayer::FindSoundFont()
{
    for (const QString& path : SoundFontCandidates()) {
        if (QFile::exists(path))
            return path;
    }
    return {};
}

bool CFluidMediaPlayer::Fail(int code)
{
    error = code;
    return code == NoError;
}

bool CFluidMediaPlayer::Open(const QString& fileName)
{
    Close();
    state->fileName = QFile::encodeName(fileName);
    if (!fluid_is_midifile(state->fileName.constData()))
        return Fail(FileNotLoadable);
    if (!state->synth) {
        const QString soundFont = FindSoundFont();
        if (soundFont.isEmpty())
            return Fail(NoSoundFont);
        state->settings = NewSettings(0);
        state->synth = NewSynth(state->settings.get(), soundFont);
        if (!state->synth)
            return Fail(NoSoundFont);
    }
    state->driver.reset(new_fluid_audio_driver(state->settings.get(), state->synth.get()));
    if (!state->driver)
        return Fail(NoAudioOutput);
    state->player.reset(new_fluid_player(state->synth.get()));
    if (!state->player || fluid_player_add(state->player.get(), state->fileName.constData()) != FLUID_OK) {
        state->player.reset();
        return Fail(FileNotLoadable);
    }
    return Fail(NoError);
}

bool CFluidMediaPlayer::Play()
{
    if (!state->player)
        return Fail(NotOpen);
    return Fail(fluid_player_play(state->player.get()) == FLUID_OK ? NoError : FileNotLoadable);
}

bool CFluidMediaPlayer::Stop()
{
    if (!state->player)
        return Fail(NotOpen);
    fluid_player_stop(state->player.get());
    fluid_synth_all_sounds_off(state->synth.get(), -1);
    return Fail(NoError);
}

int CFluidMediaPlayer::PositionTicks() const
{
    fluid_player_t* player = state->player.get();
    if (!player || fluid_player_get_status(player) != FLUID_PLAYER_PLAYING)
        return -1;
    // The player runs on for about two seconds after the last event to let the sound fade out; the
    // position ends with the file.
    const int tick = fluid_player_get_current_tick(player);
    return tick <= fluid_player_get_total_ticks(player) ? tick : -1;
}

bool CFluidMediaPlayer::Eject()
{
    return Fail(NoError);
}

bool CFluidMediaPlayer::Close()
{
    // The player must go before the driver stops calling the synthesizer.
    state->player.reset();
    state->driver.reset();
    if (state->synth)
        fluid_synth_system_reset(state->synth.get());
    return Fail(NoError);
}

std::vector<float> CFluidMediaPlayer::RenderOffline(const QByteArray& midi, const QString& soundFont,
                                                    int sampleRate, double maxSeconds)
{
    CSettings settings = NewSettings(sampleRate);
    // The player advances by the synthesizer's sample clock, not by the wall clock.
    if (settings)
        fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    CSynth synth = NewSynth(settings.get(), soundFont);
    if (!synth)
        return {};
    CPlayer player(new_fluid_player(synth.get()));
    if (!player ||
        fluid_player_add_mem(player.get(), midi.constData(), static_cast<size_t>(midi.size())) != FLUID_OK ||
        fluid_player_play(player.get()) != FLUID_OK)
        return {};

    constexpr int Block = 512;
    const auto maxFrames = static_cast<long long>(maxSeconds * sampleRate);
    std::vector<float> samples;
    float left[Block];
    float right[Block];
    for (long long frames = 0;
         frames < maxFrames && fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING;
         frames += Block) {
        if (fluid_synth_write_float(synth.get(), Block, left, 0, 1, right, 0, 1) != FLUID_OK)
            break;
        for (int i = 0; i < Block; ++i) {
            samples.push_back(left[i]);
            samples.push_back(right[i]);
        }
    }
    return samples;
}
