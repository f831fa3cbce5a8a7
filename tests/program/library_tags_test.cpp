// What a music library reads of a rip, from rips on the command line read back with
// FFmpeg: the loudness values, checked against a loudness measurement of what FFmpeg
// decodes (not of what the encoder heard), and the front cover, decoded as a picture.

#include "support/program_run.h"

#include "media/ffmpeg_ptr.h"
#include "support/decoded_audio.h"
#include "support/joined_tracks.h"
#include "support/test_env.h"

#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kRate = 48000;

// Integrated loudness (LUFS) of decoded sound, one file or several laid end to end.
double Lufs(const std::vector<const DecodedAudio*>& Parts) {
    return LoudnessOf(Parts).lufs;
}

// "-3.21 dB" -> -3.21; NaN when the text is not a ReplayGain gain.
double GainOf(const QString& Text) {
    static const QRegularExpression form(QStringLiteral("^([-+]?[0-9]+\\.[0-9]{2}) dB$"));
    const QRegularExpressionMatch m = form.match(Text);
    return m.hasMatch() ? m.captured(1).toDouble() : NAN;
}

double PeakOf(const QString& Text) {
    static const QRegularExpression form(QStringLiteral("^[0-9]+\\.[0-9]{6}$"));
    return form.match(Text).hasMatch() ? Text.toDouble() : NAN;
}

struct TTrackValues {
    double trackGain, trackPeak, albumGain, albumPeak;
    QString albumGainText;
};

struct TListRip {
    std::vector<DecodedAudio> files;
    std::vector<TTrackValues> values;
};

TListRip RipList(const QStringList& Extra, const char* Jobs) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("gain"));
    const QString list = dir + QStringLiteral("/list.txt");
    // The second track is long enough to be cut into segments on two cores.
    EXPECT_TRUE(WriteFile(list, "0.5 8.3 Opening\n8.3 29.1 Long Song\n"));
    const QString out = dir + QStringLiteral("/out/");
    const TProgramRun run =
        RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
                               QStringLiteral("-o"), out, QStringLiteral("--samplerate"),
                               QString::number(kRate), QStringLiteral("--jobs"),
                               QString::fromLatin1(Jobs), QStringLiteral("--quiet")} +
                   Extra);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    TListRip rip;
    const QStringList names = {QStringLiteral("01 - Opening.mp3"),
                               QStringLiteral("02 - Long Song.mp3")};
    EXPECT_EQ(FilesIn(out), names);
    // Exact lengths and titles: the tag rewritten after the encode moved no audio.
    DecodeTracks({out + names[0], out + names[1]},
                 {int64_t(7.8 * kRate + 0.5), int64_t(20.8 * kRate + 0.5)},
                 {QStringLiteral("Opening"), QStringLiteral("Long Song")}, kRate);
    for (const QString& name : names) {
        rip.files.push_back(DecodeAudioFile(out + name, -1, true));
        const DecodedAudio& file = rip.files.back();
        EXPECT_TRUE(file.ok) << file.error.toStdString();
        EXPECT_EQ(file.complaints, 0);
        const auto& t = file.tags;
        rip.values.push_back({GainOf(t.value(QStringLiteral("REPLAYGAIN_TRACK_GAIN"))),
                              PeakOf(t.value(QStringLiteral("REPLAYGAIN_TRACK_PEAK"))),
                              GainOf(t.value(QStringLiteral("REPLAYGAIN_ALBUM_GAIN"))),
                              PeakOf(t.value(QStringLiteral("REPLAYGAIN_ALBUM_PEAK"))),
                              t.value(QStringLiteral("REPLAYGAIN_ALBUM_GAIN"))});
    }
    return rip;
}

double PeakOfSound(const DecodedAudio& File) {
    float peak = 0;
    for (float v : File.floats)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

TProgramRun RipWithCover(const QString& Source, const QString& Cover, const QString& Out) {
    return RunSonavel({QStringLiteral("--rip"), Source, QStringLiteral("--start"),
                       QStringLiteral("1"), QStringLiteral("--end"), QStringLiteral("3"),
                       QStringLiteral("--cover"), Cover, QStringLiteral("-o"), Out,
                       QStringLiteral("--quiet")});
}

} // namespace

TEST(LoudnessTags, TrackListGetsTrackAndAlbumValuesOnOneCoreAndOnTwo) {
    std::vector<TTrackValues> serial;
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("jobs ") + jobs);
        const TListRip rip = RipList({}, jobs);
        ASSERT_EQ(rip.values.size(), 2u);
        for (size_t k = 0; k < 2; ++k) {
            const TTrackValues& v = rip.values[k];
            ASSERT_FALSE(std::isnan(v.trackGain)) << "no track gain in file " << k;
            EXPECT_NEAR(v.trackGain, -18 - Lufs({&rip.files[k]}), 0.3) << "file " << k;
            // The encoder's sound, not the decoder's, was measured: close, not equal.
            EXPECT_NEAR(v.trackPeak, PeakOfSound(rip.files[k]), 0.1) << "file " << k;
            EXPECT_EQ(v.albumGainText, rip.values[0].albumGainText) << "file " << k;
            EXPECT_EQ(v.albumPeak, rip.values[0].albumPeak);
        }
        ASSERT_FALSE(std::isnan(rip.values[0].albumGain));
        EXPECT_NEAR(rip.values[0].albumGain, -18 - Lufs({&rip.files[0], &rip.files[1]}), 0.3);
        EXPECT_EQ(rip.values[0].albumPeak,
                  std::max(rip.values[0].trackPeak, rip.values[1].trackPeak));
        if (serial.empty()) {
            serial = rip.values;
            continue;
        }
        // Segments measured apart add up to what one encoder's run measured.
        for (size_t k = 0; k < 2; ++k) {
            EXPECT_NEAR(rip.values[k].trackGain, serial[k].trackGain, 0.05) << "file " << k;
            EXPECT_EQ(rip.values[k].trackPeak, serial[k].trackPeak) << "file " << k;
        }
        EXPECT_NEAR(rip.values[0].albumGain, serial[0].albumGain, 0.05);
    }
}

TEST(LoudnessTags, NoReplayGainLeavesTheValuesOut) {
    const TListRip rip = RipList({QStringLiteral("--no-replaygain")}, "2");
    for (const DecodedAudio& file : rip.files)
        for (const QString& key : file.tags.keys())
            EXPECT_FALSE(key.startsWith(QStringLiteral("REPLAYGAIN"), Qt::CaseInsensitive))
                << key.toStdString();
}

// A PAL frame of 720x576 with pixels 16:15 wide shows as 768x576; a PNG file becomes a JPEG
// of its own size; a time past the end and a file that is no picture are refused cleanly.
TEST(CoverTags, VideoFrameAtATimeAndPictureFilesBecomeTheFrontCover) {
    const QString dir = FreshDir(QStringLiteral("cover"));
    const QString pal = FixturePath(QStringLiteral("dvd_title_a.mpg"));
    {
        const TProgramRun run = RipWithCover(pal, QStringLiteral("2.5"), dir + "/frame.mp3");
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedPicture cover = DecodeAttachedPicture(dir + "/frame.mp3");
        ASSERT_TRUE(cover.found) << "no attached picture";
        EXPECT_TRUE(cover.error.isEmpty()) << cover.error.toStdString();
        EXPECT_EQ(cover.codec, int(AV_CODEC_ID_MJPEG));
        EXPECT_EQ(cover.width, 768);
        EXPECT_EQ(cover.height, 576);
        // The sound is untouched by the picture before it.
        const DecodedAudio audio = DecodeAudioFile(dir + "/frame.mp3");
        EXPECT_TRUE(audio.ok) << audio.error.toStdString();
        EXPECT_EQ(audio.frames(), 2 * audio.sampleRate);
    }
    {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(dir + "/art.png", "PNG"));
        const TProgramRun run = RipWithCover(pal, dir + "/art.png", dir + "/png.mp3");
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedPicture cover = DecodeAttachedPicture(dir + "/png.mp3");
        ASSERT_TRUE(cover.found) << "no attached picture";
        EXPECT_EQ(cover.codec, int(AV_CODEC_ID_MJPEG));
        EXPECT_EQ(cover.width, 64);
        EXPECT_EQ(cover.height, 48);
    }
    const QString out = FreshDir(QStringLiteral("coverbad"));
    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--rip"), pal, QStringLiteral("--cover"),
                                    QStringLiteral("99"), QStringLiteral("-o"), out + "/a.mp3"},
                                   out)
                    .contains(QStringLiteral("the source ends at")));
    ASSERT_TRUE(WriteFile(dir + "/notes.png", "not a picture"));
    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--rip"), pal, QStringLiteral("--cover"),
                                    dir + "/notes.png", QStringLiteral("-o"), out + "/a.mp3"},
                                   out)
                    .contains(QStringLiteral("is not a JPEG or PNG picture")));
}

// A track list ripped as one file: one chapter per track, each starting within one MP3
// frame of the track's start on the decoded sound's own time line, and the whole range
// decoding to its exact length.
TEST(ChapterTags, TrackListAsOneFileMarksEachTrack) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("onefile"));
    ASSERT_TRUE(
        WriteFile(dir + "/list.txt", "0.5 8.3 Opening\n8.3 20 Middle\n20 29.1 Last Song\n"));
    const TProgramRun run =
        RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("--tracks"), dir + "/list.txt",
                    QStringLiteral("--one-file"), QStringLiteral("--album"), QStringLiteral("Live"),
                    QStringLiteral("-o"), dir + "/live.mp3", QStringLiteral("--samplerate"),
                    QString::number(kRate), QStringLiteral("--quiet")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("list.txt"), QStringLiteral("live.mp3")}));
    const DecodedAudio audio = DecodeAudioFile(dir + "/live.mp3");
    ASSERT_TRUE(audio.ok) << audio.error.toStdString();
    EXPECT_EQ(audio.frames(), int64_t(28.6 * kRate + 0.5));
    EXPECT_EQ(audio.tags.value(QStringLiteral("title")), QStringLiteral("Live"));
    const std::vector<TChapterMark> marks = ReadChapters(dir + "/live.mp3");
    ASSERT_EQ(marks.size(), 3u);
    const double frame = 1152.0 / kRate;
    const double starts[] = {0, 7.8, 19.5}, ends[] = {7.8, 19.5, 28.6};
    const char* titles[] = {"Opening", "Middle", "Last Song"};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(marks[k].startS, starts[k], frame) << "chapter " << k;
        EXPECT_NEAR(marks[k].endS, ends[k], frame) << "chapter " << k;
        EXPECT_EQ(marks[k].title, QString::fromLatin1(titles[k]));
    }
}

// The encoder's quality scale: -V 0 spends more bits than -V 9 on the same sound, both
// within the limits; a constant rate and a quality exclude each other.
TEST(EncoderChoices, VbrQualityTradesSizeForSound) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("vq"));
    double average[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const QString q = k == 0 ? QStringLiteral("0") : QStringLiteral("9");
        const QString file = dir + "/v" + q + ".mp3";
        const TProgramRun run = RunSonavel(
            {QStringLiteral("--rip"), source, QStringLiteral("--start"), QStringLiteral("2"),
             QStringLiteral("--end"), QStringLiteral("12"), QStringLiteral("--vbr"),
             QStringLiteral("32-320"), QStringLiteral("--vbr-quality"), q, QStringLiteral("-o"),
             file, QStringLiteral("--quiet")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const Mp3FrameScan scan = ScanMp3Frames(file);
        EXPECT_EQ(scan.infoTag, QStringLiteral("Xing"));
        ASSERT_FALSE(scan.bitratesKbps.empty());
        for (int rate : scan.bitratesKbps) {
            EXPECT_GE(rate, 32);
            EXPECT_LE(rate, 320);
            average[k] += rate;
        }
        average[k] /= double(scan.bitratesKbps.size());
        const DecodedAudio audio = DecodeAudioFile(file);
        EXPECT_EQ(audio.frames(), 10 * audio.sampleRate);
    }
    EXPECT_GT(average[0], 1.5 * average[1]) << average[0] << " against " << average[1];
    const TProgramRun both =
        RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("--bitrate"),
                    QStringLiteral("192"), QStringLiteral("--vbr-quality"), QStringLiteral("2")});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_TRUE(both.err.contains(QStringLiteral("--bitrate and --vbr-quality exclude each other")))
        << both.err.toStdString();
}
