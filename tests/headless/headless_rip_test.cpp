// The rip engine with nothing above it: this executable links the core libraries and Qt Core
// only (a test beside it reads its dynamic section), and still rips a track list from a real
// source on several threads.

#include "app/globals.h"
#include "app/output_settings.h"
#include "app/track_jobs.h"
#include "audio/pipeline/audio_file_reader.h"
#include "audio/pipeline/stream_audio_in.h"
#include "audio/rip/mp3_out.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

TEST(HeadlessRip, TwoTracksOfARealSourceOnTwoThreadsAreExactAndGapless) {
    const QString dir = FreshDir(QStringLiteral("headless"));
    TStreamAudioIn in;
    in.FileName = FixturePath(QStringLiteral("dvd_concert.mpg"));
    in.FormatOverride = {44100, 0, TAudioInput::FloatBits};
    ASSERT_NO_THROW(in.OpenSource());

    // The boundary is not a multiple of an MP3 frame.
    std::vector<TTrackJob> jobs(2);
    jobs[0].Start = TMediaTime::FromSeconds(2);
    jobs[0].End = TMediaTime::FromSeconds(13) + TMediaTime::FromUnits(3'333'333);
    jobs[1].Start = jobs[0].End;
    jobs[1].End = TMediaTime::FromSeconds(26);
    jobs[0].FileName = dir + QStringLiteral("/1.mp3");
    jobs[1].FileName = dir + QStringLiteral("/2.mp3");
    jobs[0].Tag.Title = QStringLiteral("One");
    jobs[1].Tag.Title = QStringLiteral("Two");

    TMP3Out out;
    ApplyFormValues(out);
    TEncodingChoice choice;
    choice.Jobs = 2;
    ConfigureRipOutput(out, AppSettings, choice);
    out.Tuning.MinSegmentSeconds = 3; // several segments per track
    out.Tuning.MaxSegmentSeconds = 4;
    out.Tracks = RipJobs(jobs, *in.Reader());
    out.SetInput(&in);

    QEventLoop loop;
    QString failure;
    out.OnDone = [&](QObject*) { loop.exit(0); };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
        failure = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.exit(1); }, Qt::QueuedConnection);
    };
    QTimer::singleShot(120000, &loop, [&loop] { loop.exit(2); });
    out.Run();
    ASSERT_EQ(loop.exec(), 0) << failure.toStdString();
    in.CloseSource();

    int64_t total = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        const DecodedAudio decoded = DecodeAudioFile(jobs[i].FileName);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        const TRipJob& job = out.Tracks[i];
        EXPECT_EQ(decoded.frames(), job.End - job.First) << "track " << i + 1;
        EXPECT_EQ(decoded.tags.value(QStringLiteral("title")), jobs[i].Tag.Title);
        total += decoded.frames();
    }
    EXPECT_EQ(total, 24 * 44100);
}
