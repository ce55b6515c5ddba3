// Test play through the software synthesizer: offline rendering and the player's error reports.
#include "app/CFluidMediaPlayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A format 0 file, 384 ticks per quarter: program 0 on channel 1, middle C held for one quarter.
const QByteArray OneNote = QByteArray::fromRawData("MThd\0\0\0\x06\0\0\0\x01\x01\x80"
                                                   "MTrk\0\0\0\x10"
                                                   "\x00\xc0\x00"         // program change 0
                                                   "\x00\x90\x3c\x64"     // note on, key 60, velocity 100
                                                   "\x83\x00\x80\x3c\x40" // 384 ticks later: note off
                                                   "\x00\xff\x2f\x00",    // end of track
                                                   14 + 8 + 16);

float Peak(const std::vector<float>& samples)
{
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

} // namespace

TEST(FluidMediaPlayer, RendersAShortFileAudibly)
{
    const QString soundFont = CFluidMediaPlayer::FindSoundFont();
    if (soundFont.isEmpty())
        GTEST_SKIP() << "no General MIDI sound font installed (fluid-soundfont-gm)";
    const std::vector<float> samples = CFluidMediaPlayer::RenderOffline(OneNote, soundFont, 22050, 5.0);
    ASSERT_FALSE(samples.empty());
    // The note lasts half a second at the default tempo; the render stops when the song ends.
    EXPECT_GE(samples.size(), 2u * 22050 / 2);
    EXPECT_LT(samples.size(), 2u * 22050 * 5);
    EXPECT_GT(Peak(samples), 0.01f);
}

TEST(FluidMediaPlayer, RendersNothingFromWhatItCannotLoad)
{
    EXPECT_TRUE(CFluidMediaPlayer::RenderOffline(OneNote, "/nonexistent/font.sf2", 22050, 1.0).empty());
    const QString soundFont = CFluidMediaPlayer::FindSoundFont();
    if (soundFont.isEmpty())
        GTEST_SKIP() << "no General MIDI sound font installed (fluid-soundfont-gm)";
    // A broken image plays nothing at all.
    EXPECT_LT(Peak(CFluidMediaPlayer::RenderOffline("MThd garbage", soundFont, 22050, 1.0)), 1e-4f);
}

TEST(FluidMediaPlayer, ReportsFilesItCannotPlayAndCommandsWithoutAFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile text(folder.filePath("rytemp.mid"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a MIDI file");
    text.close();

    CFluidMediaPlayer player;
    EXPECT_FALSE(player.Play());
    EXPECT_EQ(player.LastError(), CMediaPlayer::NotOpen);
    EXPECT_FALSE(player.Open(text.fileName()));
    EXPECT_EQ(player.LastError(), CMediaPlayer::FileNotLoadable);
    EXPECT_EQ(player.LastErrorText(), QString("The MIDI file cannot be loaded."));
    EXPECT_FALSE(player.Open(folder.filePath("missing.mid")));
    EXPECT_EQ(player.LastError(), CMediaPlayer::FileNotLoadable);
    EXPECT_FALSE(player.Stop());
    EXPECT_TRUE(player.Eject());
    EXPECT_TRUE(player.Close());
    EXPECT_EQ(player.LastError(), CMediaPlayer::NoError);
}

TEST(FluidMediaPlayer, ReportsThePositionOnlyWhilePlaying)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath("rytemp.mid"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(OneNote);
    file.close();

    CFluidMediaPlayer player;
    EXPECT_EQ(player.PositionTicks(), -1);
    if (!player.Open(file.fileName()))
        GTEST_SKIP() << "cannot play here: " << player.LastErrorText().toStdString();
    EXPECT_EQ(player.PositionTicks(), -1) << "opened, not started";
    ASSERT_TRUE(player.Play());
    // The note lasts 384 ticks (half a second); the position moves within it and then ends.
    int seen = -1;
    QElapsedTimer clock;
    clock.start();
    for (int position = player.PositionTicks(); clock.elapsed() < 3000 && (seen <= 0 || position >= 0);
         position = player.PositionTicks()) {
        seen = std::max(seen, position);
        QThread::msleep(10);
    }
    EXPECT_GT(seen, 0);
    EXPECT_LE(seen, 384 + 48);
    EXPECT_EQ(player.PositionTicks(), -1) << "played to its end";
    ASSERT_TRUE(player.Play());
    ASSERT_TRUE(player.Stop());
    EXPECT_EQ(player.PositionTicks(), -1) << "stopped";
}
