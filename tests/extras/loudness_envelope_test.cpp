// The loudness envelope against the fixtures' known sound: loud and silent parts where
// the clip has them, progressive publishing, prompt stopping, and sources without sound.

#include "audio/loudness/loudness_envelope.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

using TState = TEnvelopeData::TState;

// Runs the GUI thread's event loop until `done` holds or `ms` pass.
bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

struct TRun {
    int progressed = 0;
    int finished = 0;
    bool ok = false;
};

void Watch(TLoudnessEnvelope& envelope, TRun& run) {
    QObject::connect(&envelope, &TLoudnessEnvelope::progressed, [&run] { ++run.progressed; });
    QObject::connect(&envelope, &TLoudnessEnvelope::finished, [&run](bool ok) {
        ++run.finished;
        run.ok = ok;
    });
}

// A long source made of one fixture joined to itself, as DVD parts are.
QString LongSource(int copies) {
    const QString path = TestRoot() + QStringLiteral("/long_%1.mpg").arg(copies);
    if (QFile::exists(path))
        return path;
    const QByteArray part = ReadFile(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    QByteArray whole;
    whole.reserve(part.size() * copies);
    for (int i = 0; i < copies; ++i)
        whole += part;
    EXPECT_TRUE(WriteFile(path, whole));
    return path;
}

struct TEnvelopeCase {
    const char* file;
    int rate;
    int padding; // decoded samples before source sample 0
    double seconds;
};

class EnvelopeShape : public testing::TestWithParam<TEnvelopeCase> {};

TEST_P(EnvelopeShape, LoudAndSilentWhereTheClipHasThem) {
    const TEnvelopeCase c = GetParam();
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    const double bucket = 0.01;
    envelope.Start(FixturePath(QString::fromLatin1(c.file)), -1, bucket);
    ASSERT_TRUE(WaitFor([&] { return run.finished > 0; }));
    EXPECT_TRUE(run.ok);
    const auto data = envelope.Snapshot();
    ASSERT_EQ(data->state, TState::esFinished);
    EXPECT_NEAR(data->bucketSeconds, bucket, 1e-4);
    EXPECT_NEAR(double(data->buckets.size()) * data->bucketSeconds, c.seconds, 0.15);
    EXPECT_GT(data->expectedBuckets, 0);

    const double shift = double(c.padding) / c.rate; // stream time of source sample 0
    // A bucket is judged when all of it lies well inside a silent or a loud stretch.
    const double margin = data->bucketSeconds / 2 + 0.012;
    int silent = 0, loud = 0;
    for (size_t i = 0; i < data->buckets.size(); ++i) {
        const double mid = (double(i) + 0.5) * data->bucketSeconds - shift;
        if (mid < 0 || mid > c.seconds - 0.05)
            continue;
        const TEnvelopeBucket& b = data->buckets[i];
        EXPECT_LE(b.rms, b.peak + 1e-6);
        if (fixture_signal::IsSilentAt(mid, margin)) {
            ++silent;
            EXPECT_LT(b.peak, 0.01) << c.file << " at " << mid << " s";
        } else if (fixture_signal::IsLoudAt(mid, margin)) {
            ++loud;
            EXPECT_GT(b.rms, 0.05) << c.file << " at " << mid << " s";
            EXPECT_LT(b.peak, 1.0);
        }
    }
    EXPECT_GT(silent, int(c.seconds) * 15);
    EXPECT_GT(loud, int(c.seconds) * 60);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EnvelopeShape,
                         testing::Values(TEnvelopeCase{"dvd_ac3_stereo.vob", 48000, 256, 10.0},
                                         TEnvelopeCase{"dvd_ac3_51.vob", 48000, 256, 10.0},
                                         TEnvelopeCase{"vcd_mp2.dat", 44100, 481, 10.0},
                                         TEnvelopeCase{"mono_u8.avi", 22050, 0, 6.0},
                                         TEnvelopeCase{"offset_ts.mpg", 48000, 481, 6.0}),
                         [](const testing::TestParamInfo<TEnvelopeCase>& info) {
                             std::string name = info.param.file;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(LoudnessEnvelope, ChosenTrackIsTheOneMeasured) {
    // Both tracks of two_tracks.vob have the same gaps; the stream asked for must open.
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    envelope.Start(FixturePath(QStringLiteral("two_tracks.vob")), 3);
    ASSERT_TRUE(WaitFor([&] { return run.finished > 0; }));
    EXPECT_TRUE(run.ok);
    EXPECT_GT(envelope.Snapshot()->buckets.size(), 90u);

    envelope.Start(FixturePath(QStringLiteral("two_tracks.vob")), 1); // the video
    ASSERT_TRUE(WaitFor([&] { return run.finished > 1; }));
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(envelope.Snapshot()->state, TState::esFailed);
}

TEST(LoudnessEnvelope, SnapshotsGrowAndNeverChangeWhatWasPublished) {
    const QString path = LongSource(30); // 300 s of MP2
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    envelope.Start(path, -1, 0.05);
    std::shared_ptr<const TEnvelopeData> previous = envelope.Snapshot();
    int distinct = 0, partial = 0;
    ASSERT_TRUE(WaitFor([&] {
        auto now = envelope.Snapshot();
        if (now != previous) {
            ++distinct;
            EXPECT_GE(now->buckets.size(), previous->buckets.size());
            for (size_t i = 0; i < previous->buckets.size() && i < now->buckets.size(); ++i) {
                if (now->buckets[i].peak != previous->buckets[i].peak ||
                    now->buckets[i].rms != previous->buckets[i].rms) {
                    ADD_FAILURE() << "bucket " << i << " changed after publishing";
                    break;
                }
            }
            if (now->state == TState::esRunning && !now->buckets.empty())
                ++partial;
            previous = now;
        }
        return run.finished > 0;
    }));
    EXPECT_TRUE(run.ok);
    EXPECT_GT(partial, 0) << "nothing was published before the end";
    EXPECT_GE(run.progressed, 1);
    const auto last = envelope.Snapshot();
    EXPECT_EQ(last->state, TState::esFinished);
    EXPECT_NEAR(double(last->buckets.size()) * last->bucketSeconds, 300.0, 1.0);
    // The duration of joined parts is only what the first part's timestamps say; the
    // buckets go on past it.
    EXPECT_GT(last->expectedBuckets, 0);
}

TEST(LoudnessEnvelope, StopsPromptlyMidWayAndStaysQuiet) {
    const QString path = LongSource(30);
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    envelope.Start(path);
    ASSERT_TRUE(WaitFor([&] { return !envelope.Snapshot()->buckets.empty(); }));
    QElapsedTimer timer;
    timer.start();
    envelope.Stop();
    // Only a hang guard: a stop waits for one small read at most.
    EXPECT_LT(timer.elapsed(), 5000);
    const auto stopped = envelope.Snapshot();
    EXPECT_EQ(stopped->state, TState::esStopped);
    EXPECT_FALSE(envelope.IsRunning());
    WaitFor([] { return false; }, 300); // anything still queued arrives now
    EXPECT_EQ(run.finished, 0);
    EXPECT_EQ(envelope.Snapshot(), stopped);
}

TEST(LoudnessEnvelope, AnotherSourceReplacesARunningOne) {
    const QString path = LongSource(30);
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    envelope.Start(path);
    ASSERT_TRUE(WaitFor([&] { return !envelope.Snapshot()->buckets.empty(); }));
    envelope.Start(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_TRUE(WaitFor([&] { return run.finished > 0; }));
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(run.finished, 1);
    EXPECT_TRUE(run.ok);
    EXPECT_NEAR(double(envelope.Snapshot()->buckets.size()) * 0.1, 10.0, 0.3);

    envelope.Clear();
    EXPECT_EQ(envelope.Snapshot()->state, TState::esEmpty);
    EXPECT_TRUE(envelope.Snapshot()->buckets.empty());
}

TEST(LoudnessEnvelope, HandlersMayStartAgain) {
    // The window opens the next source from wherever it likes, signal handlers included.
    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    int restarts = 0;
    QObject::connect(&envelope, &TLoudnessEnvelope::progressed, [&] {
        if (restarts == 0 && envelope.Snapshot()->state == TState::esFinished) {
            ++restarts;
            envelope.Start(FixturePath(QStringLiteral("vcd_mp2.mpg")));
        }
    });
    QObject::connect(&envelope, &TLoudnessEnvelope::finished, [&](bool) {
        if (restarts == 1) {
            ++restarts;
            envelope.Start(FixturePath(QStringLiteral("mono_u8.avi")));
        }
    });
    envelope.Start(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_TRUE(WaitFor([&] { return run.finished >= 2; }));
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(restarts, 2);
    EXPECT_EQ(run.finished, 2); // the first run was replaced before it could report
    EXPECT_NEAR(double(envelope.Snapshot()->buckets.size()) * 0.1, 6.0, 0.2);
}

TEST(LoudnessEnvelope, DestroyedWhileRunning) {
    const QString path = LongSource(30);
    auto envelope = std::make_unique<TLoudnessEnvelope>();
    envelope->Start(path);
    WaitFor([&] { return !envelope->Snapshot()->buckets.empty(); });
    envelope.reset(); // joins its worker; queued notifications die with it
    WaitFor([] { return false; }, 200);
}

TEST(LoudnessEnvelope, SourcesWithoutSoundEndFailedAndEmpty) {
    const QString dir = FreshDir(QStringLiteral("bad"));
    const QByteArray vob = ReadFile(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    QByteArray garbage(200000, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/garbage.vob"), garbage));
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/empty.mpg"), QByteArray()));
    // Bytes overwritten from a quarter on: the demuxer may find bogus streams and absurd
    // timestamps there; whatever decodes is kept, the work ends.
    QByteArray damaged = vob;
    for (qsizetype i = damaged.size() / 4; i < damaged.size(); i += 7)
        damaged[i] = char(i);
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/damaged.vob"), damaged));

    for (const QString& path :
         {FixturePath(QStringLiteral("no_audio.mpg")), dir + QStringLiteral("/garbage.vob"),
          dir + QStringLiteral("/empty.mpg"), dir + QStringLiteral("/missing.vob")}) {
        SCOPED_TRACE(path.toStdString());
        TLoudnessEnvelope envelope;
        TRun run;
        Watch(envelope, run);
        envelope.Start(path);
        ASSERT_TRUE(WaitFor([&] { return run.finished > 0; }));
        EXPECT_FALSE(run.ok);
        const auto data = envelope.Snapshot();
        EXPECT_EQ(data->state, TState::esFailed);
        EXPECT_TRUE(data->buckets.empty());
        EXPECT_FALSE(data->error.isEmpty());
    }

    TLoudnessEnvelope envelope;
    TRun run;
    Watch(envelope, run);
    envelope.Start(dir + QStringLiteral("/damaged.vob"));
    ASSERT_TRUE(WaitFor([&] { return run.finished > 0; }));
    EXPECT_TRUE(envelope.Snapshot()->Done());
}

} // namespace
