// FLAC and Opus from the built program, read back by readers that are not ours: FFmpeg's
// decoders and demuxers (samples, lengths, chapters, the cover), mutagen (the comments, the
// pictures, STREAMINFO), flac -t and opusinfo (the streams as their own tools check them),
// libebur128 on the decoded sound (the gains).

#include "support/program_run.h"

#include "media/ffmpeg_ptr.h"
#include "support/decoded_audio.h"
#include "support/joined_tracks.h"
#include "support/test_env.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// mutagen's view of a file: its comments (key upper case, values joined by a line break),
// its pictures as "type mime bytes" and its stream's figures.
const char* const kMutagenScript = R"(
import base64, json, sys, mutagen
from mutagen.flac import Picture
f = mutagen.File(sys.argv[1])
out = {"kind": type(f).__name__, "tags": {}, "pictures": []}
pictures = list(getattr(f, "pictures", []))
for key, value in f.tags or []:
    key = key.upper()
    if key == "METADATA_BLOCK_PICTURE":
        pictures.append(Picture(base64.b64decode(value)))
    else:
        out["tags"][key] = out["tags"][key] + "\n" + value if key in out["tags"] else value
for p in pictures:
    out["pictures"].append("%d %s %d %s" % (p.type, p.mime, len(p.data), p.data[:2].hex()))
for name in ("bits_per_sample", "sample_rate", "total_samples", "md5_signature", "channels"):
    if hasattr(f.info, name):
        out[name] = str(getattr(f.info, name))
print(json.dumps(out))
)";

struct TMutagenView {
    QString kind;
    QJsonObject tags;
    QStringList pictures;
    QJsonObject info;
    QString Tag(const char* Key) const { return tags.value(QLatin1String(Key)).toString(); }
};

TMutagenView ReadWithMutagen(const QString& Path) {
    TMutagenView view;
    const TProgramRun run =
        RunWithHive(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-c"), QLatin1String(kMutagenScript), Path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    view.kind = json.value(QStringLiteral("kind")).toString();
    view.tags = json.value(QStringLiteral("tags")).toObject();
    for (const QJsonValue& p : json.value(QStringLiteral("pictures")).toArray())
        view.pictures << p.toString();
    view.info = json;
    return view;
}

// What a stream's own tool says: flac -t (warnings count as errors), or opusinfo.
void ExpectToolPasses(const QString& Path) {
    const bool flac = Path.endsWith(QStringLiteral(".flac"));
    const TProgramRun run =
        flac ? RunWithHive(QStringLiteral("flac"),
                           {QStringLiteral("-t"), QStringLiteral("-w"), QStringLiteral("-s"), Path})
             : RunWithHive(QStringLiteral("opusinfo"), {Path});
    EXPECT_EQ(run.exitCode, 0) << Path.toStdString() << run.out.toStdString()
                               << run.err.toStdString();
    const QString said = run.out + run.err;
    EXPECT_FALSE(said.contains(QStringLiteral("WARNING")) || said.contains(QStringLiteral("ERROR")))
        << said.toStdString();
}

// Opus's identification header: pre-skip and output gain.
std::pair<int, int> OpusHead(const QString& Path) {
    const QByteArray bytes = ReadFile(Path);
    const qsizetype at = bytes.indexOf("OpusHead");
    if (at < 0 || at + 19 > bytes.size())
        return {-1, -1};
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.constData() + at);
    return {b[10] | b[11] << 8, int16_t(b[16] | b[17] << 8)};
}

} // namespace

// A 24-bit LPCM range in DVD packs and a 24-bit PCM range in Matroska at 44.1 kHz: every bit
// of the source's samples, at its rate, in a stream flac -t passes, with its comments, its
// loudness and its cover read back by mutagen and FFmpeg; and a long range in segments.
TEST(FormatsRip, FlacHoldsEveryBitOf24BitSources) {
    struct TCase {
        const char* source;
        double from, to;
        int rate;
    };
    for (const TCase& c :
         {TCase{"dvd_lpcm24.vob", 1.234, 4.5, 48000}, TCase{"pcm24.mkv", 0.5, 3.25, 44100}}) {
        SCOPED_TRACE(c.source);
        const QString source = FixturePath(QLatin1String(c.source));
        const QString out = FreshDir(QStringLiteral("flac")) + QStringLiteral("/range.flac");
        const TProgramRun run = RunSonavel(
            {QStringLiteral("--rip"), source, QStringLiteral("--start"), QString::number(c.from),
             QStringLiteral("--end"), QString::number(c.to), QStringLiteral("-o"), out,
             QStringLiteral("--title"), QStringLiteral("Süße Stille"), QStringLiteral("--artist"),
             QStringLiteral("Band"), QStringLiteral("--year"), QStringLiteral("2024"),
             QStringLiteral("--genre"), QStringLiteral("Rock"), QStringLiteral("--cover"),
             QStringLiteral("2"), QStringLiteral("--quiet")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        ExpectToolPasses(out);

        const DecodedAudio flac = DecodeAudioFile(out, -1, true);
        const DecodedAudio whole = DecodeAudioFile(source, -1, true);
        ASSERT_TRUE(flac.ok && whole.ok) << flac.error.toStdString() << whole.error.toStdString();
        EXPECT_EQ(flac.codecName, QStringLiteral("flac"));
        EXPECT_EQ(flac.complaints, 0);
        EXPECT_EQ(flac.sampleRate, c.rate);
        ASSERT_EQ(flac.channels, 2);
        const TSourceSound sound = ReadSourceSound(source);
        const int64_t first = sound.SampleAt(TMediaTime::FromSeconds(c.from)) - sound.firstSample;
        const int64_t frames = sound.SampleAt(TMediaTime::FromSeconds(c.to)) -
                               sound.SampleAt(TMediaTime::FromSeconds(c.from));
        EXPECT_EQ(flac.frames(), frames);
        ASSERT_LE(first + flac.frames(), whole.frames());
        // Float holds 24 bits exactly: equal floats are equal samples.
        const size_t values = size_t(std::min(flac.frames(), frames)) * 2;
        EXPECT_EQ(std::memcmp(flac.floats.data(), whole.floats.data() + first * 2,
                              values * sizeof(float)),
                  0);
        int64_t found = -1; // where the file's first samples lie in the source, if not there
        for (int64_t at = std::max<int64_t>(0, first - 4800); found < 0 && at < first + 4800; ++at)
            if (std::memcmp(flac.floats.data(), whole.floats.data() + at * 2, 64 * sizeof(float)) ==
                0)
                found = at;
        EXPECT_EQ(found, first);

        const TMutagenView tags = ReadWithMutagen(out);
        EXPECT_EQ(tags.kind, QStringLiteral("FLAC"));
        EXPECT_EQ(tags.info.value(QStringLiteral("bits_per_sample")).toString(),
                  QStringLiteral("24"));
        EXPECT_EQ(tags.info.value(QStringLiteral("sample_rate")).toString().toInt(), c.rate);
        EXPECT_EQ(tags.info.value(QStringLiteral("total_samples")).toString().toLongLong(), frames);
        EXPECT_NE(tags.info.value(QStringLiteral("md5_signature")).toString(), QStringLiteral("0"));
        EXPECT_EQ(tags.Tag("TITLE"), QStringLiteral("Süße Stille"));
        EXPECT_EQ(tags.Tag("ARTIST"), QStringLiteral("Band"));
        EXPECT_EQ(tags.Tag("DATE"), QStringLiteral("2024"));
        EXPECT_EQ(tags.Tag("GENRE"), QStringLiteral("Rock"));
        EXPECT_TRUE(tags.Tag("ALBUM").isEmpty());                 // empty texts are left out
        EXPECT_TRUE(tags.Tag("REPLAYGAIN_ALBUM_GAIN").isEmpty()); // one file, no album
        const auto [lufs, peak] = LoudnessOf({&flac});
        EXPECT_EQ(tags.Tag("REPLAYGAIN_TRACK_GAIN"),
                  QStringLiteral("%1 dB").arg(-18 - lufs, 0, 'f', 2));
        EXPECT_NEAR(tags.Tag("REPLAYGAIN_TRACK_PEAK").toDouble(), peak, 1e-6);
        ASSERT_EQ(tags.pictures.size(), 1);
        EXPECT_TRUE(tags.pictures[0].startsWith(QStringLiteral("3 image/jpeg ")));
        EXPECT_TRUE(tags.pictures[0].endsWith(QStringLiteral(" ffd8")));
        const DecodedPicture cover = DecodeAttachedPicture(out);
        EXPECT_TRUE(cover.found) << cover.error.toStdString();
        EXPECT_EQ(cover.codec, AV_CODEC_ID_MJPEG);
        EXPECT_GT(cover.width, 0);
    }

    // A long range on every core: segments whose frames join into one stream (flac -t checks
    // their numbers, their CRCs and the samples' MD5), holding every sample the AC-3 decoder
    // gives as the media layer reads it.
    const QString concert = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString out = FreshDir(QStringLiteral("flac")) + QStringLiteral("/long.flac");
    const TProgramRun run = RunSonavel(
        {QStringLiteral("--rip"), concert, QStringLiteral("--start"), QStringLiteral("1"),
         QStringLiteral("--end"), QStringLiteral("29"), QStringLiteral("-o"), out,
         QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--quiet")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ExpectToolPasses(out);
    const DecodedAudio flac = DecodeAudioFile(out);
    ASSERT_TRUE(flac.ok) << flac.error.toStdString();
    EXPECT_EQ(flac.complaints, 0);
    const TSourceSound sound = ReadSourceSound(concert);
    const int64_t first = sound.SampleAt(TMediaTime::FromSeconds(1)) - sound.firstSample;
    EXPECT_EQ(flac.frames(), sound.SampleAt(TMediaTime::FromSeconds(29)) -
                                 sound.SampleAt(TMediaTime::FromSeconds(1)));
    ASSERT_LE(first * 2 + int64_t(flac.samples.size()), int64_t(sound.samples.size()));
    EXPECT_TRUE(
        std::equal(flac.samples.begin(), flac.samples.end(), sound.samples.begin() + first * 2));
    EXPECT_EQ(ReadWithMutagen(out).info.value(QStringLiteral("bits_per_sample")).toString(),
              QStringLiteral("16"));
}

// A list ripped to Opus on one encoder and on every core (its long last track then cut into
// segments): each track exact to the sample through its pre-skip and its last granule
// position, the tracks joining into the source without a gap or a click (the error energy at
// the joins against that inside them is printed), as close to the source on every core as on
// one, with RFC 7845's loudness (the header's gain 0, R128_TRACK_GAIN and R128_ALBUM_GAIN
// against -23 LUFS), names with .opus, comments and the cover as METADATA_BLOCK_PICTURE.
TEST(FormatsRip, OpusTracksAreExactAndJoinIntoTheSource) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("opus"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "1.0 4.337 Eins\n4.337 9.01 Zwei\n9.01 29.5 Drei\n"));
    const double bounds[] = {1.0, 4.337, 9.01, 29.5}; // a list's times are to the ms
    const QStringList names{QStringLiteral("01 - Eins.opus"), QStringLiteral("02 - Zwei.opus"),
                            QStringLiteral("03 - Drei.opus")};
    const TSourceSound sound = ReadSourceSound(source, 48000);
    const int64_t first = sound.SampleAt(TMediaTime::FromSeconds(bounds[0]));
    double serialError = 0;
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("jobs ") + jobs);
        const QString out = dir + QStringLiteral("/out") + QLatin1String(jobs) + u'/';
        const TProgramRun run = RunSonavel(
            {QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
             QStringLiteral("-o"), out, QStringLiteral("--format"), QStringLiteral("opus"),
             QStringLiteral("--artist"), QStringLiteral("Band"), QStringLiteral("--album"),
             QStringLiteral("Live"), QStringLiteral("--cover"), QStringLiteral("3"),
             QStringLiteral("--jobs"), QLatin1String(jobs), QStringLiteral("--quiet")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        ASSERT_EQ(FilesIn(out), names);

        TJoinedTracks joined;
        std::vector<DecodedAudio> tracks;
        QString album;
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(names[k].toStdString());
            const QString file = out + names[k];
            ExpectToolPasses(file);
            const auto [preSkip, gain] = OpusHead(file);
            EXPECT_GE(preSkip, 3840); // at least RFC 7845's 80 ms
            EXPECT_EQ(gain, 0);
            tracks.push_back(DecodeAudioFile(file, -1, true));
            const DecodedAudio& opus = tracks.back();
            ASSERT_TRUE(opus.ok) << opus.error.toStdString();
            EXPECT_EQ(opus.codecName, QStringLiteral("opus"));
            EXPECT_EQ(opus.complaints, 0);
            EXPECT_EQ(opus.sampleRate, 48000);
            EXPECT_EQ(opus.channels, 2);
            EXPECT_EQ(opus.frames(), sound.SampleAt(TMediaTime::FromSeconds(bounds[k + 1])) -
                                         sound.SampleAt(TMediaTime::FromSeconds(bounds[k])));
            if (k > 0)
                joined.boundaries.push_back(int64_t(joined.samples.size()) / 2);
            for (float v : opus.floats)
                joined.samples.push_back(
                    int16_t(std::lround(std::clamp(v * 32768.0f, -32768.0f, 32767.0f))));

            const TMutagenView tags = ReadWithMutagen(file);
            EXPECT_EQ(tags.kind, QStringLiteral("OggOpus"));
            EXPECT_EQ(tags.Tag("TITLE"), names[k].mid(5).chopped(5));
            EXPECT_EQ(tags.Tag("ARTIST"), QStringLiteral("Band"));
            EXPECT_EQ(tags.Tag("ALBUM"), QStringLiteral("Live"));
            EXPECT_EQ(tags.Tag("TRACKNUMBER"), QString::number(k + 1));
            EXPECT_EQ(tags.Tag("TRACKTOTAL"), QStringLiteral("3"));
            const auto [lufs, peak] = LoudnessOf({&opus});
            EXPECT_NEAR(tags.Tag("R128_TRACK_GAIN").toInt(), (-23 - lufs) * 256, 0.2 * 256);
            if (k > 0) {
                EXPECT_EQ(tags.Tag("R128_ALBUM_GAIN"), album);
            }
            album = tags.Tag("R128_ALBUM_GAIN");
            ASSERT_EQ(tags.pictures.size(), 1);
            EXPECT_TRUE(tags.pictures[0].startsWith(QStringLiteral("3 image/jpeg ")));
            const DecodedPicture cover = DecodeAttachedPicture(file);
            EXPECT_TRUE(cover.found) << cover.error.toStdString();
            EXPECT_EQ(cover.codec, AV_CODEC_ID_MJPEG);
        }
        const auto [albumLufs, albumPeak] = LoudnessOf({&tracks[0], &tracks[1], &tracks[2]});
        EXPECT_NEAR(album.toInt(), (-23 - albumLufs) * 256, 0.2 * 256);

        ExpectSeamless(joined, sound, first);
        // The error energy at the joins (20 ms around each) against that inside the tracks.
        const int16_t* reference = sound.samples.data() + (first - sound.firstSample) * 2;
        auto windowDb = [&](int64_t from) {
            double e = 0;
            for (int64_t i = from * 2; i < (from + 960) * 2; ++i) {
                const double d = double(joined.samples[size_t(i)]) - reference[i];
                e += d * d;
            }
            return 10 * std::log10(e / 960 + 1);
        };
        std::vector<double> inside;
        for (int64_t w = 960; w + 1920 < int64_t(joined.samples.size()) / 2; w += 480) {
            bool near = false;
            for (int64_t b : joined.boundaries)
                near = near || std::abs(w + 480 - b) < 2400;
            if (!near)
                inside.push_back(windowDb(w));
        }
        std::sort(inside.begin(), inside.end());
        const double error = ErrorDb(joined, sound, first);
        for (int64_t b : joined.boundaries) {
            const double db = windowDb(b - 480);
            std::printf("Opus, --jobs %s, join at %lld: error energy %.1f dB (inside: median "
                        "%.1f, 99th percentile %.1f; the whole list %.1f dB)\n",
                        jobs, (long long)b, db, inside[inside.size() / 2],
                        inside[inside.size() * 99 / 100], error);
            EXPECT_LE(db, inside[inside.size() * 99 / 100]);
        }
        if (QByteArray(jobs) == "1")
            serialError = error;
        else // the seams of the segments cost next to nothing
            EXPECT_NEAR(error, serialError, 0.3);
    }
}

// A list ripped into one file of each format keeps the tracks as chapters that FFmpeg and
// mutagen read (CHAPTERxxx comments); a 16-bit source gives a 16-bit FLAC; a format and an
// extension that disagree are refused before any work.
TEST(FormatsRip, ChaptersOfOneFileInBothFormats) {
    const QString source = FixturePath(QStringLiteral("dvd_ac3_stereo.vob"));
    const QString dir = FreshDir(QStringLiteral("chapters"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0.5 2.25 Erstes\n2.25 4.0 Zweites\n4.0 5.5 Drittes\n"));
    for (const QString& name : {QStringLiteral("album.flac"), QStringLiteral("album.opus")}) {
        SCOPED_TRACE(name.toStdString());
        const QString out = dir + u'/' + name;
        const TProgramRun run = RunSonavel(
            {QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
             QStringLiteral("--one-file"), QStringLiteral("-o"), out, QStringLiteral("--album"),
             QStringLiteral("Alle"), QStringLiteral("--quiet")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        ExpectToolPasses(out);
        const std::vector<TChapterRead> chapters = ReadChapters(out);
        ASSERT_EQ(chapters.size(), 3u);
        const double starts[] = {0, 1.75, 3.5};
        const char* titles[] = {"Erstes", "Zweites", "Drittes"};
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(chapters[i].startS, starts[i], 0.001);
            EXPECT_EQ(chapters[i].title, QLatin1String(titles[i]));
        }
        const TMutagenView tags = ReadWithMutagen(out);
        EXPECT_EQ(tags.Tag("TITLE"), QStringLiteral("Alle"));
        EXPECT_EQ(tags.Tag("CHAPTER002"), QStringLiteral("00:00:01.750"));
        EXPECT_EQ(tags.Tag("CHAPTER003NAME"), QStringLiteral("Drittes"));
        if (name.endsWith(QStringLiteral(".flac"))) {
            EXPECT_EQ(tags.info.value(QStringLiteral("bits_per_sample")).toString(),
                      QStringLiteral("16"));
        }
        const DecodedAudio decoded = DecodeAudioFile(out);
        EXPECT_EQ(decoded.frames(), 5 * 48000);
    }
    const TProgramRun refused = RunSonavel(
        {QStringLiteral("--rip"), source, QStringLiteral("--format"), QStringLiteral("opus"),
         QStringLiteral("-o"), dir + QStringLiteral("/out/x.flac")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("sonavel: the output ") + dir +
                                       QStringLiteral("/out/x.flac is named as a FLAC file, not "
                                                      "Opus (.opus)\n")))
        << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/out")));
}
