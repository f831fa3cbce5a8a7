// What a music library reads of a rip, from rips on the command line read back with
// FFmpeg: the loudness values, checked against a loudness measurement of what FFmpeg
// decodes (not of what the encoder heard), and the front cover, decoded as a picture.

#include "support/program_run.h"

#include "media/ffmpeg_ptr.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/joined_tracks.h"
#include "support/outside_readers.h"
#include "support/test_env.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>

namespace {

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
                               QString::number(kRipRate), QStringLiteral("--jobs"),
                               QString::fromLatin1(Jobs), QStringLiteral("--quiet")} +
                   Extra);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    TListRip rip;
    const QStringList names = {QStringLiteral("01 - Opening.mp3"),
                               QStringLiteral("02 - Long Song.mp3")};
    EXPECT_EQ(FilesIn(out), names);
    // Exact lengths and titles: the tag rewritten after the encode moved no audio.
    DecodeTracks({out + names[0], out + names[1]},
                 {int64_t(7.8 * kRipRate + 0.5), int64_t(20.8 * kRipRate + 0.5)},
                 {QStringLiteral("Opening"), QStringLiteral("Long Song")}, kRipRate);
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
            // The decoded file's peak, with a 16-bit step to spare for other decoders.
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

// A mono file's gain describes its own sound as an ITU BS.1770 meter other than the
// program's hears it (bs1770gain: one channel, as the standard counts mono), not the
// stereo source's; and the peak is never below what a decoder gives of the file, also
// where coding overshoots full scale (a full-scale square wave at -V 9 and at 32 kbit/s).
TEST(LoudnessTags, GainAndPeakDescribeTheFileAsPlayed) {
    const QString dir = FreshDir(QStringLiteral("asplayed"));
    const TProgramRun mono =
        RunSonavel({QStringLiteral("--rip"), FixturePath(QStringLiteral("dvd_concert.mpg")),
                    QStringLiteral("--start"), QStringLiteral("2"), QStringLiteral("--end"),
                    QStringLiteral("14"), QStringLiteral("--mode"), QStringLiteral("mono"),
                    QStringLiteral("-o"), dir + "/mono.mp3", QStringLiteral("--quiet")});
    ASSERT_EQ(mono.exitCode, 0) << mono.err.toStdString();
    QString error;
    const double lufs = Bs1770Lufs(dir + "/mono.mp3", &error);
    ASSERT_FALSE(std::isnan(lufs)) << error.toStdString();
    const DecodedAudio monoFile = DecodeAudioFile(dir + "/mono.mp3");
    EXPECT_EQ(monoFile.channels, 1);
    const double gain = GainOf(monoFile.tags.value(QStringLiteral("REPLAYGAIN_TRACK_GAIN")));
    EXPECT_NEAR(gain, -18 - lufs, 0.5);

    // Three seconds of a 441 Hz square wave at full scale, as a WAV file.
    constexpr int rate = 48000, frames = 3 * rate;
    QByteArray wav("RIFF");
    auto put32 = [&](uint32_t v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    put32(36 + frames * 4);
    wav += "WAVEfmt ";
    put32(16), put16(1), put16(2), put32(rate), put32(rate * 4), put16(4), put16(16);
    wav += "data";
    put32(frames * 4);
    for (int i = 0; i < frames; ++i) {
        const int16_t v = (i * 441 * 2 / rate) % 2 ? -32767 : 32767;
        put16(uint16_t(v)), put16(uint16_t(v));
    }
    ASSERT_TRUE(WriteFile(dir + "/square.wav", wav));
    for (const QStringList& rateChoice :
         {QStringList{QStringLiteral("--vbr-quality"), QStringLiteral("9")},
          QStringList{QStringLiteral("--bitrate"), QStringLiteral("32")}}) {
        SCOPED_TRACE(rateChoice.join(u' ').toStdString());
        const TProgramRun run = RunSonavel(
            QStringList{QStringLiteral("--rip"), dir + "/square.wav",
                        QStringLiteral("--samplerate"), QString::number(rate), QStringLiteral("-o"),
                        dir + "/square.mp3", QStringLiteral("--force"), QStringLiteral("--quiet")} +
            rateChoice);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedAudio decoded = DecodeAudioFile(dir + "/square.mp3", -1, true);
        ASSERT_TRUE(decoded.ok);
        const double peak = PeakOf(decoded.tags.value(QStringLiteral("REPLAYGAIN_TRACK_PEAK")));
        const double played = PeakOfSound(decoded);
        EXPECT_GT(played, 1.1) << "the coding overshoots";
        EXPECT_GE(peak, played);
        EXPECT_LT(peak, played + 0.001);
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

namespace {

// The index of the picture a player shows at `Seconds` on the source's time line: decoded
// from the start, the last one whose time has come.
int FrameShownAt(const QString& Source, double Seconds) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(Source).constData(), nullptr, nullptr) < 0)
        return -1;
    ffmpeg::InputFormatPtr format(raw);
    avformat_find_stream_info(raw, nullptr);
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0)
        return -1;
    const AVStream* stream = raw->streams[index];
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return -1;
    const int64_t wanted = av_rescale_q(raw->start_time + int64_t(Seconds * AV_TIME_BASE),
                                        AV_TIME_BASE_Q, stream->time_base);
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    int shown = -1;
    auto take = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            if (frame->best_effort_timestamp <= wanted)
                shown = fixture_signal::DecodeFrameIndex(frame->data[0], frame->linesize[0],
                                                         frame->width, frame->height);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == index)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        take();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    take();
    return shown;
}

} // namespace

// A time inside a group of pictures (12 pictures, 0.48 s, from one key frame to the next)
// gives the picture shown at that time, not the next key frame a seek lands on.
TEST(CoverTags, ATimeGivesThePictureShownThen) {
    const QString source = FixturePath(QStringLiteral("dvd_title_a.mpg"));
    const QString dir = FreshDir(QStringLiteral("covertime"));
    for (const char* at : {"2.5", "4.3"}) {
        SCOPED_TRACE(at);
        const int expected = FrameShownAt(source, QString::fromLatin1(at).toDouble());
        ASSERT_GE(expected, 0);
        const QString out = dir + u'/' + QString::fromLatin1(at) + QStringLiteral(".mp3");
        const TProgramRun run = RipWithCover(source, QString::fromLatin1(at), out);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedPicture cover = DecodeAttachedPicture(out, 720); // drawn 720 wide
        ASSERT_TRUE(cover.found);
        EXPECT_EQ(cover.frameIndex, expected);
    }
}

// A picture file is checked by decoding it: one cut short is refused as damaged (Qt would
// decode it, grey at the bottom); one far larger than a cover needs is read at a smaller
// size and stored no larger than kCoverSide.
TEST(CoverTags, PictureFilesAreDecodedCheckedAndScaled) {
    const QString source = FixturePath(QStringLiteral("dvd_title_a.mpg"));
    const QString dir = FreshDir(QStringLiteral("coverfiles"));
    QImage picture(6000, 6000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb(x * 255 / 6000, y * 255 / 6000, (x ^ y) & 0xff);
    }
    ASSERT_TRUE(picture.save(dir + "/large.jpg", "JPG", 80));
    picture = QImage();
    const TProgramRun large = RipWithCover(source, dir + "/large.jpg", dir + "/large.mp3");
    ASSERT_EQ(large.exitCode, 0) << large.err.toStdString();
    const DecodedPicture cover = DecodeAttachedPicture(dir + "/large.mp3");
    ASSERT_TRUE(cover.found);
    EXPECT_EQ(cover.codec, int(AV_CODEC_ID_MJPEG));
    EXPECT_EQ(cover.width, 1920);
    EXPECT_EQ(cover.height, 1920);

    QImage small(640, 480, QImage::Format_RGB32);
    small.fill(Qt::darkMagenta);
    ASSERT_TRUE(small.save(dir + "/whole.jpg", "JPG", 90));
    const QByteArray whole = ReadFile(dir + "/whole.jpg");
    ASSERT_TRUE(WriteFile(dir + "/cut.jpg", whole.left(whole.size() * 2 / 3)));
    const QString out = FreshDir(QStringLiteral("coverfilesout"));
    const QString reason =
        ExpectCleanFailure({QStringLiteral("--rip"), source, QStringLiteral("--cover"),
                            dir + "/cut.jpg", QStringLiteral("-o"), out + "/a.mp3"},
                           out);
    EXPECT_TRUE(reason.contains(QStringLiteral("is damaged"))) << reason.toStdString();
}

// A list's files share one copy of the cover: the peak memory of a 12-track list with a
// cover of megabytes is that of one track with it, not a copy per track more.
TEST(CoverTags, AListHoldsOneCopyOfTheCover) {
    const QString dir = FreshDir(QStringLiteral("coverlist"));
    QImage noise(1920, 1920, QImage::Format_RGB32);
    uint32_t seed = 1;
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x)
            line[x] = (seed = seed * 1664525u + 1013904223u) >> 8;
    }
    ASSERT_TRUE(noise.save(dir + "/noise.jpg", "JPG", 100));
    noise = QImage();
    QByteArray twelve;
    for (int k = 0; k < 12; ++k)
        twelve += QByteArray::number(1 + 2.2 * k) + ' ' + QByteArray::number(1 + 2.2 * (k + 1)) +
                  " T" + QByteArray::number(k + 1) + '\n';
    ASSERT_TRUE(WriteFile(dir + "/twelve.txt", twelve));
    ASSERT_TRUE(WriteFile(dir + "/one.txt", "1 27.4 One\n"));
    auto peakKb = [&](const QString& List) {
        const QString out = FreshDir(QStringLiteral("coverlistout")) + u'/';
        const TProgramRun run = RunSonavel(
            {QStringLiteral("--rip"), FixturePath(QStringLiteral("dvd_concert.mpg")),
             QStringLiteral("--tracks"), dir + u'/' + List, QStringLiteral("--cover"),
             dir + "/noise.jpg", QStringLiteral("-o"), out, QStringLiteral("--quiet")},
            {QStringLiteral("/usr/bin/time"), QStringLiteral("-f"), QStringLiteral("%M")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedPicture cover = DecodeAttachedPicture(out + FilesIn(out).constLast());
        EXPECT_TRUE(cover.found);
        return std::pair(run.err.trimmed().split(u'\n').constLast().toLongLong(), cover.bytes);
    };
    const auto [one, coverBytes] = peakKb(QStringLiteral("one.txt"));
    const auto [list, listCover] = peakKb(QStringLiteral("twelve.txt"));
    ASSERT_GT(coverBytes, 2 * 1024 * 1024);
    EXPECT_EQ(listCover, coverBytes);
    ASSERT_GT(one, 0);
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
    // A sanitizer's shadow memory grows with every allocation: the figure is the shipped
    // program's.
    EXPECT_LT((list - one) * 1024, 4 * int64_t(coverBytes))
        << "one track " << one << " kB, twelve " << list << " kB, cover " << coverBytes << " bytes";
#endif
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
                    QString::number(kRipRate), QStringLiteral("--quiet")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("list.txt"), QStringLiteral("live.mp3")}));
    const DecodedAudio audio = DecodeAudioFile(dir + "/live.mp3");
    ASSERT_TRUE(audio.ok) << audio.error.toStdString();
    EXPECT_EQ(audio.frames(), int64_t(28.6 * kRipRate + 0.5));
    EXPECT_EQ(audio.tags.value(QStringLiteral("title")), QStringLiteral("Live"));
    const std::vector<TChapterRead> marks = ReadChapters(dir + "/live.mp3");
    ASSERT_EQ(marks.size(), 3u);
    const double frame = 1152.0 / kRipRate;
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

// Fresh settings hold VBR limits (128-256) that nobody chose: the quality alone decides, so
// the levels mean what LAME's users know, in LAME's current VBR method; limits given on the
// command line bound every audio frame.
TEST(EncoderChoices, VbrLevelsMeanWhatLameUsersKnowAndLimitsOnlyWhenSet) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("vlevels"));
    auto rip = [&](const QString& Name, const QStringList& Extra) {
        const QString file = dir + u'/' + Name;
        const TProgramRun run = RunSonavel(
            QStringList{QStringLiteral("--rip"), source, QStringLiteral("--start"),
                        QStringLiteral("2"), QStringLiteral("--end"), QStringLiteral("12"),
                        QStringLiteral("-o"), file, QStringLiteral("--quiet")} +
            Extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return file;
    };
    qint64 size[10] = {};
    for (int q : {0, 2, 9}) {
        const QString file = rip(QStringLiteral("v%1.mp3").arg(q),
                                 {QStringLiteral("--vbr-quality"), QString::number(q)});
        size[q] = QFileInfo(file).size();
        QString error;
        const QJsonObject tags = MutagenRead(file, &error);
        ASSERT_FALSE(tags.isEmpty()) << error.toStdString();
        // mutagen names the method from the LAME header: the old one reads "--vbr-old".
        EXPECT_EQ(tags.value(QStringLiteral("encoder_settings")).toString().toStdString(),
                  "-V " + std::to_string(q));
        EXPECT_EQ(tags.value(QStringLiteral("bitrate_mode")).toInt(), 2) << "VBR";
    }
    EXPECT_LT(double(size[9]), 0.75 * double(size[2])) << size[9] << " against " << size[2];
    EXPECT_GT(double(size[0]), 1.25 * double(size[2])) << size[0] << " against " << size[2];

    const QString bounded =
        rip(QStringLiteral("bounded.mp3"), {QStringLiteral("--vbr"), QStringLiteral("96-160"),
                                            QStringLiteral("--vbr-quality"), QStringLiteral("0")});
    const Mp3FrameScan scan = ScanMp3Frames(bounded);
    ASSERT_GT(scan.bitratesKbps.size(), 100u);
    for (size_t f = 1; f < scan.bitratesKbps.size(); ++f) // after the information frame
        ASSERT_TRUE(scan.bitratesKbps[f] >= 96 && scan.bitratesKbps[f] <= 160)
            << "frame " << f << ": " << scan.bitratesKbps[f];
}

// Texts ID3v1 cannot hold (Latin-1 only, 30 bytes, what a simple device reads) are spelt
// in Latin letters, never a '?' a character; the chapters of one file keep their whole
// titles, an emoji where a cut at 50 UTF-16 units would split it included.
TEST(TagTexts, Id3v1SpellsOtherScriptsInLatinAndChapterTitlesStayWhole) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("texts"));
    // 49 characters, an emoji over UTF-16 units 50 and 51, then more to 95 characters.
    const QString longTitle = QStringLiteral("A title that runs on and on past where tags cut: ") +
                              QStringLiteral("\U0001F3B5") +
                              QStringLiteral(" and on to ninety-five characters in all, ok!");
    ASSERT_EQ(longTitle.toUcs4().size(), 95);
    const QString cyrillic = QStringLiteral("Первая песня");
    ASSERT_TRUE(WriteFile(dir + "/list.txt",
                          ("0.5 6 " + longTitle + "\n6 11 " + cyrillic + "\n").toUtf8()));
    const QString file = dir + "/one.mp3";
    const TProgramRun run = RunSonavel(
        {QStringLiteral("--rip"), source, QStringLiteral("--tracks"), dir + "/list.txt",
         QStringLiteral("--one-file"), QStringLiteral("--artist"), QStringLiteral("Звери"),
         QStringLiteral("--album"), cyrillic, QStringLiteral("--comment"), QStringLiteral("Café 🎵"),
         QStringLiteral("-o"), file, QStringLiteral("--quiet")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QString error;
    const QJsonObject tags = MutagenRead(file, &error);
    ASSERT_FALSE(tags.isEmpty()) << error.toStdString();

    const QJsonObject v1 = tags.value(QStringLiteral("v1")).toObject();
    EXPECT_EQ(v1.value(QStringLiteral("TPE1")).toString().toStdString(), "Zveri");
    const QString album = v1.value(QStringLiteral("TALB")).toString();
    EXPECT_TRUE(album.startsWith(QStringLiteral("Pervaa pesn"))) << album.toStdString();
    // What has no Latin spelling leaves the field empty rather than holed.
    EXPECT_FALSE(v1.contains(QStringLiteral("COMM")))
        << v1.value(QStringLiteral("COMM")).toString().toStdString();
    for (auto it = v1.begin(); it != v1.end(); ++it)
        EXPECT_FALSE(it.value().toString().contains(u'?'))
            << it.key().toStdString() << ": " << it.value().toString().toStdString();

    const QJsonArray chapters = tags.value(QStringLiteral("chapters")).toArray();
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(chapters[0].toObject().value(QStringLiteral("title")).toString().toStdString(),
              longTitle.toStdString());
    EXPECT_EQ(chapters[1].toObject().value(QStringLiteral("title")).toString().toStdString(),
              cyrillic.toStdString());
    // FFmpeg reads the same frames.
    const std::vector<TChapterRead> marks = ReadChapters(file);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].title.toStdString(), longTitle.toStdString());
}
