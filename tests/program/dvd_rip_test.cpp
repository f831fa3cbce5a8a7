// DVDs on the command line, run as the built program: the title list, chapter and
// time ranges on a title's line decoded back from the MP3 with FFmpeg and found at the
// expected sample of each source, the default name, and every bad disc ending cleanly.

#include "support/program_run.h"

#include "media/dvd/dvd_disc.h"
#include "media/dvd/dvd_sector.h"
#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "support/dvd_rip.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace fs = fixture_signal;

namespace {

constexpr int kRate = kDvdRipRate;
// A title's time 0 is its first picture, for every sample: a time typed for a range is a
// picture's time, the source's sample at that time.
constexpr int64_t kJoin = int64_t(fs::kTitleASeconds * kRate); // the second source
constexpr int64_t kNeedle = 4096;

// Marks every audio and video packet of a VOB scrambled, as CSS leaves them when
// nothing descrambles them (navigation packs stay clear).
void Scramble(const QString& vob) {
    QFile file(vob);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray data = file.readAll();
    for (qsizetype sector = 0; sector + 2048 <= data.size(); sector += 2048) {
        const uchar id = uchar(data[sector + 17]);
        if ((id == 0xBD || id == 0xE0 || id == 0xC0) && (uchar(data[sector + 20]) & 0xC0) == 0x80)
            data[sector + 20] = char(data[sector + 20] | 0x10);
    }
    file.seek(0);
    file.write(data);
}

// Turns the audio packets (private stream 1) of the first source's video object units that
// start between `from` and `to` seconds into padding: a hole in the title's sound while its
// pictures go on.
void RemoveSoundBetween(const QString& vob, double from, double to) {
    QFile file(vob);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray data = file.readAll();
    std::optional<int64_t> first;
    int64_t previous = -1;
    bool inside = false;
    int removed = 0;
    for (qsizetype sector = 0; sector + 2048 <= data.size(); sector += 2048) {
        auto* bytes = reinterpret_cast<uint8_t*>(data.data() + sector);
        if (const auto nav = dvd::ReadNavTimes(bytes)) {
            if (nav->start < previous)
                break; // the second source's clock
            previous = nav->start;
            if (!first)
                first = nav->start;
            const double at = double(nav->start - *first) / 90000;
            inside = at >= from && at < to;
        }
        if (inside && bytes[14] == 0 && bytes[15] == 0 && bytes[16] == 1 && bytes[17] == 0xBD) {
            bytes[17] = 0xBE;
            ++removed;
        }
    }
    ASSERT_GT(removed, 10);
    file.seek(0);
    file.write(data);
}

} // namespace

// The packets at the hole's edges are torn, so the parser also loses a single frame just
// after it: that frame is a hole of its own, or everything after it comes 32 ms early.
TEST(DvdRipCommand, AHoleInTheTitlesSoundIsSilenceOnItsLine) {
    const QString disc = CopyOfTestDvd(QStringLiteral("soundhole"));
    ASSERT_FALSE(disc.isEmpty());
    RemoveSoundBetween(disc + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"), 2.0, 3.0);
    const QString dir = FreshDir(QStringLiteral("dvdhole"));
    // After the hole, and in the second source, the sound is where the intact title has it.
    const TProgramRun run = RunSonavel(
        {QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"), QStringLiteral("1"),
         QStringLiteral("-o"), dir + QStringLiteral("/title.mp3"), QStringLiteral("--samplerate"),
         QStringLiteral("48000"), QStringLiteral("--bitrate"), QStringLiteral("320"),
         QStringLiteral("--mode"), QStringLiteral("stereo")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio title = DecodeAudioFile(dir + QStringLiteral("/title.mp3"));
    ASSERT_TRUE(title.ok);
    EXPECT_EQ(title.frames(), kJoin + int64_t(fs::kTitleBSeconds * kRate));
    ExpectSignalAt(title, fs::kTitleAEng, kRate, kRate);
    ExpectSignalAt(title, fs::kTitleAEng, 4 * kRate, 4 * kRate);
    ExpectSignalAt(title, fs::kTitleBEng, kRate, kJoin + kRate);
    EXPECT_TRUE(run.err.contains(QStringLiteral("warning:"))) << run.err.toStdString();
    // The hole itself is silence (where the disc muxed that sound, ahead of its pictures).
    int64_t quietRun = 0, longest = 0;
    for (int64_t i = kRate / 2; i < 4 * kRate; ++i) {
        const bool quiet = std::abs(int(title.samples[size_t(2 * i)])) < 50 &&
                           std::abs(int(title.samples[size_t(2 * i + 1)])) < 50;
        quietRun = quiet ? quietRun + 1 : 0;
        longest = std::max(longest, quietRun);
    }
    EXPECT_GT(longest, kRate / 2);
}

TEST(DvdRipCommand, SoundMuxedAfterACellsLastPictureIsKept) {
    // Both sources end their cells before their VOB IDs end (the title plays only a part of
    // each), once inside the title and once at its end: the sound of the last pictures lies
    // in the sectors that follow.
    QString error;
    const QString disc =
        AuthorDvd(QStringLiteral("vobtail"),
                  QStringLiteral(R"(
      <pgc>
        <vob file="%1"><cell start="0" end="4.8" chapter="1"/></vob>
        <vob file="%2"><cell start="0" end="2.0" chapter="1"/></vob>
      </pgc>
)")
                      .arg(FixturePath("dvd_title_a.mpg"), FixturePath("dvd_title_b.mpg")),
                  &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const TDvdTitle title = TDvdDisc::Open(disc)->Title(1);
    ASSERT_EQ(title.cells.size(), 2u);
    const auto samples = [](int64_t ticks) { return ticks * kRate / 90000; };
    const int64_t first = samples(title.cells[0].duration),
                  second = samples(title.cells[1].duration);
    ASSERT_LT(first, int64_t((fs::kTitleASeconds - 1) * kRate)); // the cut is inside the source
    const DecodedAudio mp3 =
        RipDvd({QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"), QStringLiteral("1")},
               FreshDir(QStringLiteral("vobtailout")) + QStringLiteral("/t.mp3"));
    ASSERT_EQ(mp3.frames(), first + second);
    // The last 10 ms before each cut are the source's sound, not silence.
    const int64_t back = kNeedle + kRate / 100;
    ExpectSignalAt(mp3, fs::kTitleAEng, first - back, first - back);
    ExpectSignalAt(mp3, fs::kTitleBEng, second - back, first + second - back);
}

TEST(DvdRipCommand, AnNtscTitleKeepsItsLengthAcrossItsSources) {
    // Two NTSC sources, the clock restarting between them: read at 30 frames a second, the
    // second one would land 10 ms early and the title would end 20 ms short.
    QString error;
    const QString ntsc = FixturePath("dvd_title_ntsc.mpg");
    const QString disc = AuthorDvd(QStringLiteral("ntsctwo"),
                                   QStringLiteral(R"(
      <video format="ntsc"/>
      <pgc><vob file="%1"/><vob file="%1"/></pgc>
)")
                                       .arg(ntsc),
                                   &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    ASSERT_EQ(TDvdDisc::Open(disc)->Title(1).cells.size(), 2u);
    // How long the first source plays, by its navigation packs: from the first one's start
    // to the last one's end, before the clock restarts.
    QFile file(disc + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray vob = file.readAll();
    std::optional<dvd::TNavTimes> first, last;
    for (qsizetype at = 0; at + 2048 <= vob.size(); at += 2048) {
        const auto nav = dvd::ReadNavTimes(reinterpret_cast<const uint8_t*>(vob.constData() + at));
        if (!nav)
            continue;
        if (last && nav->start < last->start)
            break;
        if (!first)
            first = nav;
        last = nav;
    }
    ASSERT_TRUE(first && last);
    const double source = double(last->end - first->start) * kRate / 90000;
    ASSERT_GT(source, (fs::kTitleNtscSeconds - 0.1) * kRate);
    const DecodedAudio mp3 =
        RipDvd({QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"), QStringLiteral("1")},
               FreshDir(QStringLiteral("ntscout")) + QStringLiteral("/t.mp3"));
    // The disc's cell times and its navigation packs agree within a millisecond.
    constexpr double kMs = kRate / 1000.0;
    EXPECT_NEAR(double(mp3.frames()), 2 * source, 2 * kMs);
    // Each source's sound plays with its pictures: the second from its first one on.
    for (const int64_t at : {int64_t(0), int64_t(std::llround(source))}) {
        SCOPED_TRACE(at);
        double score = 0;
        const int64_t found =
            FindBestOffset(mp3.samples, fs::SourceS16(fs::kTitleAEng, kRate, kRate, kNeedle), 2,
                           at + kRate - 1000, at + kRate + 1000, &score, kNeedle);
        EXPECT_NEAR(double(found), double(at + kRate), kMs);
        EXPECT_GT(score, 0.9);
    }
}

TEST(DvdRipCommand, ListsTitlesAndTheirTracks) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    const TProgramRun titles = RunSonavel({QStringLiteral("--list-titles"), root});
    ASSERT_EQ(titles.exitCode, 0) << titles.err.toStdString();
    EXPECT_EQ(titles.out,
              QStringLiteral("1  0:00:10.4  5 chapters   1: eng ac3 2ch, 2: fra ac3 2ch\n"
                             "2  0:00:04.0  1 chapter    1: eng ac3 2ch, 2: fra ac3 2ch\n"
                             "3  0:00:03.2  1 chapter    1: pcm_dvd 2ch\n"));
    const TProgramRun tracks = RunSonavel({QStringLiteral("--list-tracks"),
                                           root + QStringLiteral("/VIDEO_TS/VTS_01_0.IFO"),
                                           QStringLiteral("--dvd-title"), QStringLiteral("1")});
    ASSERT_EQ(tracks.exitCode, 0) << tracks.err.toStdString();
    const QStringList lines = tracks.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1  ac3       eng")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2  ac3       fra")));
}

TEST(DvdRipCommand, StreamsKeepTheDiscsNumbersWhenOneIsUnavailable) {
    // Title 1's program chain marks its first stream (English) unavailable.
    const QString disc = CopyOfTestDvd(QStringLiteral("nostream"));
    ASSERT_FALSE(disc.isEmpty());
    for (const char* name : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"}) {
        const QString file = disc + QString::fromLatin1(name);
        QByteArray ifo = ReadFile(file);
        const qsizetype table = qFromBigEndian<quint32>(ifo.constData() + 0xCC) * 2048;
        const qsizetype chain = table + qFromBigEndian<quint32>(ifo.constData() + table + 12);
        ASSERT_LT(chain + 0x10, ifo.size());
        ASSERT_TRUE(uchar(ifo[chain + 0x0C]) & 0x80);
        ifo[chain + 0x0C] = char(uchar(ifo[chain + 0x0C]) & 0x7F);
        ASSERT_TRUE(WriteFile(file, ifo));
    }
    const TProgramRun titles = RunSonavel({QStringLiteral("--list-titles"), disc});
    ASSERT_EQ(titles.exitCode, 0) << titles.err.toStdString();
    EXPECT_TRUE(titles.out.startsWith(
        QStringLiteral("1  0:00:10.4  5 chapters   1: unavailable, 2: fra ac3 2ch\n")))
        << titles.out.toStdString();
    const TProgramRun tracks = RunSonavel({QStringLiteral("--list-tracks"), disc,
                                           QStringLiteral("--dvd-title"), QStringLiteral("1")});
    ASSERT_EQ(tracks.exitCode, 0) << tracks.err.toStdString();
    const QStringList lines = tracks.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 2) << tracks.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1  ")) &&
                lines[0].contains(QStringLiteral("unavailable")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2  ac3       fra"))) << lines[1].toStdString();

    // The stream the disc marks unavailable is refused as that, not as one it lacks, by a
    // rip and by the search for its songs.
    const QString dir = FreshDir(QStringLiteral("dvdstreams"));
    const std::string unavailable =
        QStringLiteral("sonavel: audio track 1 of \"%1\" cannot be played: the disc marks it "
                       "unavailable (see --list-tracks)")
            .arg(QDir::toNativeSeparators(QFileInfo(disc).absoluteFilePath()))
            .toStdString();
    EXPECT_EQ(ExpectCleanFailure({QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"),
                                  QStringLiteral("1"), QStringLiteral("--audio-track"),
                                  QStringLiteral("1"), QStringLiteral("-o"),
                                  dir + QStringLiteral("/x.mp3")},
                                 dir)
                  .toStdString(),
              unavailable);
    // The search for songs reads no other track in its place.
    EXPECT_EQ(ExpectCleanFailure({QStringLiteral("--list-pauses"), disc,
                                  QStringLiteral("--audio-track"), QStringLiteral("1")},
                                 dir)
                  .toStdString(),
              unavailable);
    // Stream 2 by its number, and by default as the first that plays.
    for (const QStringList& choice :
         {QStringList{QStringLiteral("--audio-track"), QStringLiteral("2")}, QStringList{}}) {
        const DecodedAudio french =
            RipDvd(QStringList{QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"),
                               QStringLiteral("1"), QStringLiteral("--start"), QStringLiteral("1"),
                               QStringLiteral("--end"), QStringLiteral("2")} +
                       choice,
                   dir + QStringLiteral("/fra%1.mp3").arg(choice.size()));
        ExpectSignalAt(french, fs::kTitleAFra, kRate, 0);
    }
}

TEST(DvdRipCommand, ChaptersAndTimesRipTheSamplesOfTheTitlesLine) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    const QString image = MakeDvdImage(root, QStringLiteral("SONAVEL_TEST"));
    ASSERT_FALSE(image.isEmpty());
    const QString dir = FreshDir(QStringLiteral("dvdrip"));

    // Chapters 4 and 5, the second source, in French: from its first sample to the end.
    const DecodedAudio last =
        RipDvd({QStringLiteral("--rip"), image, QStringLiteral("--chapter"), QStringLiteral("4-5"),
                QStringLiteral("--audio-track"), QStringLiteral("2")},
               dir + QStringLiteral("/c45.mp3"));
    EXPECT_EQ(last.frames(), int64_t(fs::kTitleBSeconds * kRate));
    ExpectSignalAt(last, fs::kTitleBFra, 0, 0);
    ExpectSignalAt(last, fs::kTitleBFra, 3 * kRate, 3 * kRate);

    // Chapter 2 of the first source: its cell to the sample (2.32 s in, 2.4 s long).
    const DecodedAudio second =
        RipDvd({QStringLiteral("--rip"), root, QStringLiteral("--dvd-title"), QStringLiteral("1"),
                QStringLiteral("--chapter"), QStringLiteral("2")},
               dir + QStringLiteral("/c2.mp3"));
    const int64_t chapter2 = std::llround(2.32 * kRate);
    EXPECT_EQ(second.frames(), std::llround(2.4 * kRate));
    ExpectSignalAt(second, fs::kTitleAEng, chapter2, 0);
    ExpectSignalAt(second, fs::kTitleAEng, chapter2 + second.frames() - kNeedle,
                   second.frames() - kNeedle);
    // The same times typed as a range (the disc's, as players show them) are that chapter.
    const DecodedAudio typed =
        RipDvd({QStringLiteral("--rip"), root, QStringLiteral("--dvd-title"), QStringLiteral("1"),
                QStringLiteral("--start"), QStringLiteral("2.32"), QStringLiteral("--end"),
                QStringLiteral("4.72")},
               dir + QStringLiteral("/typed.mp3"));
    EXPECT_TRUE(typed.samples == second.samples);

    // A time range across the point where the timestamps restart.
    const DecodedAudio across =
        RipDvd({QStringLiteral("--rip"), root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"),
                QStringLiteral("--start"), QStringLiteral("5"), QStringLiteral("--end"),
                QStringLiteral("0:00:08.5")},
               dir + QStringLiteral("/across.mp3"));
    EXPECT_EQ(across.frames(), std::llround(3.5 * kRate));
    ExpectSignalAt(across, fs::kTitleAEng, 5 * kRate, 0);
    ExpectSignalAt(across, fs::kTitleBEng, 0, kJoin - 5 * kRate);
    ExpectSignalAt(across, fs::kTitleBEng, 2 * kRate, kJoin - 5 * kRate + 2 * kRate);

    // The LPCM title, resampled: the sound is there, its length within a few samples.
    const TProgramRun lpcm =
        RunSonavel({QStringLiteral("--rip"), root, QStringLiteral("--dvd-title"),
                    QStringLiteral("3"), QStringLiteral("--samplerate"), QStringLiteral("44100"),
                    QStringLiteral("-o"), dir + QStringLiteral("/lpcm.mp3")});
    ASSERT_EQ(lpcm.exitCode, 0) << lpcm.err.toStdString();
    const DecodedAudio pcm = DecodeAudioFile(dir + QStringLiteral("/lpcm.mp3"));
    EXPECT_NEAR(double(pcm.frames()), fs::kTitleLpcmSeconds * 44100, 2);

    // Without -o: the disc's name, title and chapter, in the output folder.
    const TProgramRun named =
        RunSonavel({QStringLiteral("--rip"), image, QStringLiteral("--chapter"),
                    QStringLiteral("3"), QStringLiteral("--quiet")});
    ASSERT_EQ(named.exitCode, 0) << named.err.toStdString();
    const QString expected = TestRoot() + QStringLiteral("/Documents/SONAVEL_TEST_t01_c03.mp3");
    EXPECT_TRUE(QFileInfo::exists(expected))
        << FilesIn(TestRoot() + "/Documents").join(u' ').toStdString();
    QFile::remove(expected);
}

TEST(DvdRipCommand, BadDiscsFailCleanly) {
    const QString out = FreshDir(QStringLiteral("dvdbad"));
    const QString mp3 = out + QStringLiteral("/x.mp3");
    const QString rip = QStringLiteral("--rip"), o = QStringLiteral("-o");
    const QString root = TestDvdRoot();

    EXPECT_TRUE(ExpectCleanFailure(
                    {rip, root, o, mp3, QStringLiteral("--dvd-title"), QStringLiteral("4")}, out)
                    .contains(QStringLiteral("no title 4")));
    EXPECT_TRUE(ExpectCleanFailure(
                    {rip, root, o, mp3, QStringLiteral("--chapter"), QStringLiteral("6")}, out)
                    .contains(QStringLiteral("5 chapters")));
    EXPECT_TRUE(ExpectCleanFailure({rip, FixturePath("dvd_ac3_stereo.vob"), o, mp3,
                                    QStringLiteral("--chapter"), QStringLiteral("1")},
                                   out)
                    .contains(QStringLiteral("not a DVD")));

    const QString encrypted = CopyOfTestDvd(QStringLiteral("css"));
    Scramble(encrypted + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    const QString css = ExpectCleanFailure({rip, encrypted, o, mp3}, out);
    EXPECT_TRUE(css.contains(QStringLiteral("encrypted")) &&
                css.contains(QStringLiteral("libdvdcss")))
        << css.toStdString();

    const QString cut = CopyOfTestDvd(QStringLiteral("cutvob"));
    QFile vob(cut + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_TRUE(vob.resize(vob.size() / 3));
    EXPECT_TRUE(ExpectCleanFailure(
                    {rip, cut, o, mp3, QStringLiteral("--dvd-title"), QStringLiteral("1")}, out)
                    .contains(QStringLiteral("VTS_01_")));
    // The title set that is whole still rips.
    EXPECT_EQ(
        RunSonavel({rip, cut, QStringLiteral("--dvd-title"), QStringLiteral("3"), o, mp3}).exitCode,
        0);
    QFile::remove(mp3);

    // No title can be played: each says why, and the listing fails.
    const QString allCut = CopyOfTestDvd(QStringLiteral("allcut"));
    for (const QString& name : QDir(allCut + QStringLiteral("/VIDEO_TS"))
                                   .entryList({QStringLiteral("VTS_*_*.VOB")}, QDir::Files)) {
        QFile part(allCut + QStringLiteral("/VIDEO_TS/") + name);
        if (!name.endsWith(QStringLiteral("_0.VOB"))) {
            ASSERT_TRUE(part.resize(part.size() / 3));
        }
    }
    const TProgramRun listing = RunSonavel({QStringLiteral("--list-titles"), allCut});
    EXPECT_EQ(listing.exitCode, 1);
    const QStringList lines = listing.out.trimmed().split(u'\n');
    EXPECT_EQ(lines.size(), 3) << listing.out.toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.contains(QStringLiteral("cannot be played"))) << line.toStdString();
    EXPECT_EQ(listing.err.trimmed(),
              QStringLiteral("sonavel: no title of \"%1\" can be played").arg(allCut));

    const QString damaged = CopyOfTestDvd(QStringLiteral("ifo"));
    for (const char* name : {"/VIDEO_TS/VIDEO_TS.IFO", "/VIDEO_TS/VIDEO_TS.BUP"})
        ASSERT_TRUE(WriteFile(damaged + QString::fromLatin1(name), QByteArray(6144, char(0xA5))));
    EXPECT_TRUE(ExpectCleanFailure({rip, damaged, o, mp3}, out).contains(QStringLiteral("IFO")));
    ExpectCleanFailure({QStringLiteral("--list-titles"), damaged}, out);

    const QString plain = FreshDir(QStringLiteral("data"));
    ASSERT_TRUE(QFile::copy(FixturePath("short.mpg"), plain + QStringLiteral("/clip.mpg")));
    const QString image = MakeDvdImage(plain, QStringLiteral("DATA"));
    EXPECT_TRUE(ExpectCleanFailure({rip, image, o, mp3}, out).contains(QStringLiteral("DVD")));
    ExpectCleanFailure({QStringLiteral("--list-titles"), FixturePath("demo.mpg")}, out);
}
