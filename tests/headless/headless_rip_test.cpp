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

#include <QCryptographicHash>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

// Runs the output to its end in a local event loop; the failure's text, or empty.
QString RunToEnd(TMP3Out& Out) {
    QEventLoop loop;
    QString failure;
    Out.OnDone = [&](QObject*) { loop.exit(0); };
    Out.OnThreadException = [&](QObject*, const std::exception& e) {
        failure = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.exit(1); }, Qt::QueuedConnection);
    };
    QTimer::singleShot(120000, &loop, [&loop] { loop.exit(2); });
    Out.Run();
    const int code = loop.exec();
    return code == 0 ? QString() : failure.isEmpty() ? QStringLiteral("timed out") : failure;
}

QString Sha256Of(const QString& Path) {
    return QString::fromLatin1(
        QCryptographicHash::hash(ReadFile(Path), QCryptographicHash::Sha256).toHex());
}

} // namespace

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
    ASSERT_EQ(RunToEnd(out).toStdString(), "");
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

// The MP3s are byte for byte what the engine wrote before FLAC and Opus joined it: the
// hashes below come from rips of these very settings by the MP3-only engine in its last
// form (the first kept frame that decodes right alone, carriers at the file's rate, LAME's
// current VBR method, the decoded peak in the ReplayGain tag). A track list in segments on
// two threads (seams, the reservoir laid out anew, carriers, album gain), a VBR range with a
// cover and chapters, a 32 kbit/s range of 16-bit samples (the information frame of its own).
TEST(HeadlessRip, Mp3FilesAreByteForByteThoseOfTheEngineBeforeOtherFormats) {
    const QString dir = FreshDir(QStringLiteral("same_mp3"));
    struct TCase {
        const char* Name;
        std::function<void(TMP3Out&, TStreamAudioIn&)> Set;
        const char* Sha256;
    };
    auto open = [](TStreamAudioIn& In, int Rate, int Bits) {
        In.FileName = FixturePath(QStringLiteral("dvd_concert.mpg"));
        In.FormatOverride = {Rate, 0, Bits};
        In.OpenSource();
    };
    auto range = [&dir](TMP3Out& Out, TStreamAudioIn& In, const char* Name, double From,
                        double To) {
        TRipJob job;
        job.First = In.Reader()->TimeToSample(TMediaTime::FromSeconds(From));
        job.End = In.Reader()->TimeToSample(TMediaTime::FromSeconds(To));
        job.FileName = dir + u'/' + QLatin1String(Name) + QStringLiteral(".mp3");
        job.Tag.Title = QLatin1String(Name);
        job.Tag.Artist = QStringLiteral("Ärtist");
        Out.Tracks.push_back(job);
    };
    const TCase cases[] = {
        {"list",
         [&](TMP3Out& Out, TStreamAudioIn& In) {
             open(In, 44100, TAudioInput::FloatBits);
             ApplyFormValues(Out);
             TEncodingChoice choice;
             choice.Jobs = 2;
             ConfigureRipOutput(Out, AppSettings, choice);
             Out.ReplayGain = true;
             Out.Tuning.MinSegmentSeconds = 3;
             Out.Tuning.MaxSegmentSeconds = 4;
             range(Out, In, "list1", 1.5, 9.4321);
             range(Out, In, "list2", 9.4321, 17.25);
         },
         "aab0671215b4f1731ea75b3e216af82614b6ea35239ec922d798c0937d436e89 "
         "e66382802350dae58de4c16c2e1571087e2795f87796fda93f0a9593914531ee"},
        {"vbr",
         [&](TMP3Out& Out, TStreamAudioIn& In) {
             open(In, 48000, TAudioInput::FloatBits);
             Out.EnableVBR = Out.WriteVBRHeader = true;
             Out.VBRMinBitrate = 128;
             Out.VBRMaxBitrate = 256;
             Out.VBRQuality = ql2;
             Out.SampleRate = sr48kHz;
             Out.Mode = TMP3Mode::MONO;
             Out.Jobs = 1;
             Out.Cover = {0xFF, 0xD8, 0xFF, 0xE0, 'c', 'o', 'v', 'e', 'r', 0xFF, 0xD9};
             range(Out, In, "vbr", 3.21, 8.5);
             const int64_t first = Out.Tracks[0].First;
             Out.Tracks[0].Chapters = {{first, first + 100000, QStringLiteral("Eins")},
                                       {first + 100000, Out.Tracks[0].End, QString()}};
         },
         "6228fd7bc8026f4efddfb1df8d725c650f5885838bae33de3ae551fff00e1246"},
        {"low",
         [&](TMP3Out& Out, TStreamAudioIn& In) {
             open(In, 32000, 16);
             BitRateFor(32, Out.BitRate);
             Out.SampleRate = sr32kHz;
             Out.Mode = TMP3Mode::JOINT_STEREO;
             Out.Jobs = 1;
             range(Out, In, "low", 20, 24.5);
         },
         "744911cbad674d6f07c3fea63da413ff006d38f8e1aba374be40eafa1145d91d"},
    };
    for (const TCase& c : cases) {
        if (QLatin1String(c.Name) == QLatin1String("list") &&
            std::thread::hardware_concurrency() < 2)
            continue; // the segments are planned by the cores
        TStreamAudioIn in;
        TMP3Out out;
        ASSERT_NO_THROW(c.Set(out, in)) << c.Name;
        out.SetInput(&in);
        ASSERT_EQ(RunToEnd(out).toStdString(), "") << c.Name;
        in.CloseSource();
        QStringList hashes;
        for (const TRipJob& job : out.Tracks) {
            ASSERT_TRUE(DecodeAudioFile(job.FileName).ok) << job.FileName.toStdString();
            hashes << Sha256Of(job.FileName);
        }
        EXPECT_EQ(hashes.join(u' ').toStdString(), std::string(c.Sha256)) << c.Name;
    }
}
