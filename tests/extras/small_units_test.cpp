// Audio track labels on the fixtures, the progress caption at its edges, the envelope
// painter, and the desktop notification through its hook.

#include "app/progress_caption.h"
#include "audio/loudness/loudness_envelope.h"
#include "desktop/notify.h"
#include "media/audio_track_label.h"
#include "support/test_env.h"
#include "ui/main/loudness_painter.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QStringList LabelsOf(const QString& fixture) {
    std::vector<TMediaTrackInfo> tracks;
    EXPECT_TRUE(media::Succeeded(TMediaAudioStream::ListAudioTracks(FixturePath(fixture), tracks)));
    return AudioTrackLabels(tracks);
}

TEST(AudioTrackLabel, FixturesNumberedAsTheCommandLine) {
    // A program stream records no language; Matroska does.
    EXPECT_EQ(LabelsOf(QStringLiteral("two_tracks.vob")),
              QStringList({QStringLiteral("1: AC-3 stereo"), QStringLiteral("2: AC-3 stereo")}));
    EXPECT_EQ(LabelsOf(QStringLiteral("two_tracks.mkv")),
              QStringList(
                  {QStringLiteral("1: eng, AC-3 stereo"), QStringLiteral("2: fra, AC-3 stereo")}));
    EXPECT_EQ(LabelsOf(QStringLiteral("dvd_ac3_51.vob")),
              QStringList{QStringLiteral("1: AC-3 5.1")});
    EXPECT_EQ(LabelsOf(QStringLiteral("vcd_mp2.dat")),
              QStringList{QStringLiteral("1: MP2 stereo")});
    EXPECT_EQ(LabelsOf(QStringLiteral("mono_u8.avi")), QStringList{QStringLiteral("1: PCM mono")});
    EXPECT_TRUE(LabelsOf(QStringLiteral("no_audio.mpg")).isEmpty());
}

TEST(AudioTrackLabel, UnknownAndOddFields) {
    TMediaTrackInfo t;
    t.codec = QStringLiteral("ac3");
    t.channels = 6;
    t.language = QStringLiteral("und");
    EXPECT_EQ(AudioTrackLabel(2, t), QStringLiteral("2: AC-3 5.1"));
    t.language = QStringLiteral("fra");
    EXPECT_EQ(AudioTrackLabel(2, t), QStringLiteral("2: fra, AC-3 5.1"));
    t.title = QStringLiteral("Commentary"); // the track's own name, before its language
    EXPECT_EQ(AudioTrackLabel(2, t), QStringLiteral("2: Commentary, fra, AC-3 5.1"));
    t.title.clear();
    t.language = QStringLiteral("de\n\x01");
    t.codec = QStringLiteral("wmav2");
    t.channels = 3;
    EXPECT_EQ(AudioTrackLabel(1, t), QStringLiteral("1: de, WMAV2 3 ch"));
    t.language.clear();
    t.codec.clear();
    t.channels = 0;
    EXPECT_EQ(AudioTrackLabel(1, t), QStringLiteral("1: ?"));
    t.codec = QStringLiteral("pcm_s16be");
    t.channels = 8;
    EXPECT_EQ(AudioTrackLabel(3, t), QStringLiteral("3: PCM 7.1"));
}

TEST(ProgressCaption, Edges) {
    // Nothing done yet, and before half a second the speed is a guess not worth showing.
    EXPECT_EQ(TProgressCaption(0, 60000, 0, 0).Text(), QStringLiteral("0 %"));
    EXPECT_EQ(TProgressCaption(0, 60000, 0, 3000).Text(), QStringLiteral("0 %"));
    EXPECT_EQ(TProgressCaption(0, 60000, 1000, 200).Text(), QStringLiteral("1 %"));
    EXPECT_FALSE(TProgressCaption(0, 60000, 1000, 200).SpeedKnown());

    // 42 % of a 100 s range in 13.5 s: 3.1×, 58 s left at that pace = 18.7 s -> 0:19.
    const TProgressCaption mid(10000, 110000, 52000, 13500);
    EXPECT_EQ(mid.Percent(), 42);
    EXPECT_NEAR(mid.Speed(), 42000.0 / 13500.0, 1e-9);
    EXPECT_EQ(mid.SecondsLeft(), 19);
    EXPECT_EQ(mid.Text(), QStringLiteral("42 % · 3.1× · 0:19 left"));

    // Rounded down: 99.99 % is not done; the end is.
    EXPECT_EQ(TProgressCaption(0, 100000, 99990, 10000).Percent(), 99);
    const TProgressCaption done(0, 100000, 100000, 8200);
    EXPECT_TRUE(done.Done());
    EXPECT_EQ(done.Text(), QStringLiteral("100 % · 12×"));

    // Positions outside the range are held to it; an empty range is done at its end.
    EXPECT_EQ(TProgressCaption(5000, 6000, 0, 1000).Percent(), 0);
    EXPECT_EQ(TProgressCaption(5000, 6000, 9000, 1000).Percent(), 100);
    EXPECT_EQ(TProgressCaption(5000, 5000, 5000, 1000).Text(), QStringLiteral("100 %"));
    EXPECT_EQ(TProgressCaption(5000, 5000, 4000, 1000).Percent(), 0);

    // Slower than real time, hours left.
    const TProgressCaption slow(0, 7200000, 60000, 120000);
    EXPECT_EQ(slow.Text(), QStringLiteral("0 % · 0.5× · 3:58:00 left"));
    EXPECT_EQ(TProgressCaption::DurationText(59), QStringLiteral("0:59"));
    EXPECT_EQ(TProgressCaption::DurationText(3600), QStringLiteral("1:00:00"));
    EXPECT_EQ(TProgressCaption::SpeedText(9.96), QStringLiteral("10×"));
}

TEST(LoudnessPainter, ColumnsFollowTheBuckets) {
    TEnvelopeData data;
    data.bucketSeconds = 0.1;
    for (int i = 0; i < 40; ++i) // 4 s: loud, silent, loud, silent (1 s each)
        data.buckets.push_back((i / 10) % 2 == 0 ? TEnvelopeBucket{0.8f, 0.1f}
                                                 : TEnvelopeBucket{0.0f, 0.0f});
    TEnvelopeBucket levels;
    ASSERT_TRUE(EnvelopeLevelsAt(data, 0.95, 1.05, levels)); // merges across the edge
    EXPECT_FLOAT_EQ(levels.peak, 0.8f);
    EXPECT_NEAR(levels.rms, 0.1 / std::sqrt(2.0), 1e-6);
    ASSERT_TRUE(EnvelopeLevelsAt(data, 1.01, 1.02, levels)); // narrower than a bucket
    EXPECT_EQ(levels.peak, 0.0f);
    EXPECT_FALSE(EnvelopeLevelsAt(data, 4.5, 5.0, levels)); // not computed yet

    EXPECT_EQ(EnvelopeDisplayLevel(0), 0);
    EXPECT_EQ(EnvelopeDisplayLevel(1), 1);
    EXPECT_NEAR(EnvelopeDisplayLevel(0.001), 0, 1e-9); // -60 dB
    EXPECT_NEAR(EnvelopeDisplayLevel(0.0316228), 0.5, 1e-4);

    // 80 px for 8 s: 0-1 s loud, 1-2 s silent, ..., 4-8 s not known yet.
    QImage image(100, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintLoudnessEnvelope(painter, QRectF(10, 2, 80, 16), data, 0.0, 8.0, Qt::red, Qt::blue);
    painter.end();
    auto painted = [&](int x) {
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                return true;
        return false;
    };
    EXPECT_FALSE(painted(5)) << "outside the rectangle";
    EXPECT_TRUE(painted(15));
    EXPECT_EQ(image.pixel(15, 10), qRgb(0, 0, 255)) << "RMS in the middle";
    EXPECT_EQ(image.pixel(15, 3), qRgb(255, 0, 0)) << "peak beyond it";
    EXPECT_FALSE(painted(25)) << "a pause";
    EXPECT_TRUE(painted(35));
    EXPECT_FALSE(painted(60)) << "not computed yet";
    EXPECT_FALSE(painted(95));
}

TEST(Notify, GoesThroughTheHook) {
    QStringList sent;
    notify::SetNotifyHook([&](const QString& summary, const QString& body) {
        sent << summary + u'|' + body;
        return true;
    });
    EXPECT_TRUE(
        notify::SendNotification(QStringLiteral("Sonavel"), QStringLiteral("film.mp3 is ready")));
    EXPECT_EQ(sent, QStringList{QStringLiteral("Sonavel|film.mp3 is ready")});
    notify::SetNotifyHook({});
}

TEST(Notify, NoSessionBusIsQuietAndQuick) {
    // Before anything in this process touched the bus: point it nowhere.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sonavel-test-bus");
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(notify::SendNotification(QStringLiteral("Sonavel"), QStringLiteral("done")));
    EXPECT_LT(timer.elapsed(), 5000); // hang guard only
}

} // namespace
