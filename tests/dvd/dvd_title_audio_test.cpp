// A DVD title decoded as one sound on its time line: each source's sound at the sample
// the line puts it, joined without gap or overlap where the timestamps restart, the
// IFO's languages and numbering, exact seeks anywhere, the same samples from the folder,
// its image and (for the first part) the VOB opened as a plain file; each camera angle of
// a block alike, interleaved or not.

#include "media/dvd/dvd_path.h"
#include "media/dvd_title_audio.h"
#include "media/file_audio_stream.h"
#include "media/media_audio_stream.h"
#include "support/decoded_audio.h"
#include "support/dvd_angles.h"
#include "support/dvd_authoring.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QFile>

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

constexpr int kRate = 48000;
// AC-3's padding: a plain file's sound starts that far ahead of its first picture, a
// title's with that picture.
constexpr int64_t kPadding = 256;
constexpr int64_t kTitleA = int64_t(fs::kTitleASeconds * kRate);
constexpr int64_t kNeedle = 4096;

struct TSound {
    std::vector<int16_t> samples; // stereo
    int64_t frames() const { return int64_t(samples.size()) / 2; }
};

TSound ReadAll(TMediaAudioStream& stream, int64_t limit = INT64_MAX) {
    TSound sound;
    std::vector<uint8_t> block(16384);
    TMediaReadInfo info;
    while (sound.frames() < limit &&
           stream.Read(block.data(), uint32_t(block.size()), info) == media::S_OK) {
        const auto* s = reinterpret_cast<const int16_t*>(block.data());
        sound.samples.insert(sound.samples.end(), s, s + info.bytes / 2);
    }
    if (sound.frames() > limit)
        sound.samples.resize(size_t(limit * 2));
    return sound;
}

TSound ReadSource(const QString& source, int track = 0) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(source);
    stream->SetOutputFormat(TPcmFormat{kRate, 2, 16});
    int index = -1;
    if (track > 0) {
        std::vector<TMediaTrackInfo> tracks;
        EXPECT_EQ(TMediaAudioStream::ListAudioTracks(source, tracks), media::S_OK);
        index = tracks.at(size_t(track - 1)).streamIndex;
    }
    EXPECT_EQ(stream->Open(index), media::S_OK) << source.toStdString();
    return ReadAll(*stream);
}

// Source sample `from` of `signal` lies at frame `expected` of `sound`.
void ExpectSignalAt(const TSound& sound, const fs::TSignal& signal, int64_t from,
                    int64_t expected) {
    double score = 0;
    const int64_t found = FindBestOffset(sound.samples, fs::SourceS16(signal, kRate, from, kNeedle),
                                         2, expected - 300, expected + 300, &score, kNeedle);
    EXPECT_EQ(found, expected) << "source sample " << from;
    EXPECT_GT(score, 0.9) << "source sample " << from;
}

std::vector<int16_t> Frames(const TSound& sound, int64_t first, int64_t count) {
    return {sound.samples.begin() + first * 2, sound.samples.begin() + (first + count) * 2};
}

} // namespace

TEST(DvdTitleAudio, EachSourceLandsWhereTheTitlesLinePutsIt) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    const QString title1 = dvd::TitleLocator(root, 1);

    std::vector<TMediaTrackInfo> tracks;
    ASSERT_EQ(TMediaAudioStream::ListAudioTracks(title1, tracks), media::S_OK);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].language, QStringLiteral("eng"));
    EXPECT_EQ(tracks[1].language, QStringLiteral("fra"));
    EXPECT_EQ(tracks[1].codec, QStringLiteral("ac3"));
    EXPECT_EQ(tracks[1].channels, 2);

    // Title 1: the first source from time 0 (its first picture: the sound muxed ahead of it
    // is no part of the title), the second where the first one's cells end.
    const TSound eng = ReadSource(title1, 1);
    const int64_t join = kTitleA;
    ASSERT_EQ(eng.frames(), join + int64_t(fs::kTitleBSeconds * kRate));
    ExpectSignalAt(eng, fs::kTitleAEng, 0, 0);
    ExpectSignalAt(eng, fs::kTitleAEng, 4 * kRate + 123, 4 * kRate + 123);
    ExpectSignalAt(eng, fs::kTitleAEng, kTitleA - 256 - kNeedle, join - 256 - kNeedle);
    ExpectSignalAt(eng, fs::kTitleBEng, 0, join);
    ExpectSignalAt(eng, fs::kTitleBEng, 3 * kRate + 7, join + 3 * kRate + 7);
    // Across the join the sound goes straight from one source into the other.
    TSound across;
    across.samples = fs::SourceS16(fs::kTitleAEng, kRate, kTitleA - kNeedle / 2, kNeedle / 2);
    const std::vector<int16_t> next = fs::SourceS16(fs::kTitleBEng, kRate, 0, kNeedle / 2);
    across.samples.insert(across.samples.end(), next.begin(), next.end());
    double score = 0;
    EXPECT_EQ(FindBestOffset(eng.samples, across.samples, 2, join - kNeedle, join, &score, kNeedle),
              join - kNeedle / 2);
    EXPECT_GT(score, 0.9);

    const TSound fra = ReadSource(title1, 2);
    ExpectSignalAt(fra, fs::kTitleAFra, kRate, kRate);
    ExpectSignalAt(fra, fs::kTitleBFra, kRate, join + kRate);

    // Title 2 holds the second source alone; title 3 its LPCM.
    ExpectSignalAt(ReadSource(dvd::TitleLocator(root, 2)), fs::kTitleBEng, kRate, kRate);
    const TSound lpcm = ReadSource(dvd::TitleLocator(root, 3));
    EXPECT_EQ(lpcm.frames(), int64_t(fs::kTitleLpcmSeconds * kRate));
    ExpectSignalAt(lpcm, fs::kTitleLpcm, 0, 0);
    ExpectSignalAt(lpcm, fs::kTitleLpcm, 2 * kRate + 11, 2 * kRate + 11);

    // The disc's image gives the very same samples.
    const QString image = MakeDvdImage(root, QStringLiteral("SONAVEL_TEST"));
    ASSERT_FALSE(image.isEmpty());
    EXPECT_EQ(ReadSource(dvd::TitleLocator(image, 1), 1).samples, eng.samples);

    // The first VOB part opened as a plain file holds the first source's samples as the
    // title does, after its padding (up to the first source's last frame, which the
    // authoring left out: the title keeps its place silent, the plain file runs on into the
    // next source).
    const QString plain = FreshDir(QStringLiteral("plainvob")) + QStringLiteral("/part.vob");
    ASSERT_TRUE(QFile::copy(root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"), plain));
    const TSound part = ReadSource(plain);
    ASSERT_GE(part.frames(), kTitleA);
    EXPECT_EQ(Frames(part, kPadding, kTitleA - kPadding), Frames(eng, 0, kTitleA - kPadding));
}

TEST(DvdTitleAudio, SeeksLandExactlyOnEitherSideOfTheJoin) {
    const QString title1 = dvd::TitleLocator(TestDvdRoot(), 1);
    const TSound straight = ReadSource(title1);
    ASSERT_GT(straight.frames(), 0);
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(title1);
    stream->SetOutputFormat(TPcmFormat{kRate, 2, 16});
    ASSERT_EQ(stream->Open(), media::S_OK);
    EXPECT_EQ(stream->DurationSamples(), straight.frames());
    const int64_t join = kTitleA;
    for (const int64_t target : std::initializer_list<int64_t>{
             join + 2 * kRate + 5, 3, join - 1000, join, 2 * kRate + 77, straight.frames() - 500}) {
        SCOPED_TRACE(target);
        ASSERT_EQ(stream->SeekSample(target), media::S_OK);
        EXPECT_EQ(stream->NextSample(), target);
        const int64_t count = std::min<int64_t>(6000, straight.frames() - target);
        const TSound got = ReadAll(*stream, count);
        EXPECT_EQ(got.samples, Frames(straight, target, count));
    }
    ASSERT_EQ(stream->SeekSample(straight.frames() + 10), media::S_OK);
    TMediaReadInfo info;
    uint8_t block[4096];
    EXPECT_EQ(stream->Read(block, sizeof block, info), media::MS_S_ENDOFSTREAM);
}

TEST(DvdTitleAudio, ATitleIsAStreamLikeAnyOtherWithTheDiscsChapters) {
    const QString title1 = dvd::TitleLocator(TestDvdRoot(), 1);
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(title1);
    ASSERT_NE(dynamic_cast<TDvdTitleAudio*>(stream.get()), nullptr);
    uint8_t block[4096];
    TMediaReadInfo info;
    EXPECT_EQ(stream->Read(block, sizeof block, info), media::MS_E_NOTINIT);
    EXPECT_EQ(stream->Seek(TMediaTime()), media::MS_E_NOTINIT);
    // A stream the title does not have: refused, and nothing is left open.
    EXPECT_EQ(stream->Open(0x87), media::MS_E_NOSTREAM);
    EXPECT_FALSE(stream->IsOpen());
    EXPECT_TRUE(stream->Chapters().empty());

    ASSERT_EQ(stream->Open(), media::S_OK);
    EXPECT_EQ(stream->Read(block, 3, info), media::E_INVALIDBUFFERSIZE); // under one frame
    EXPECT_EQ(stream->Read(nullptr, sizeof block, info), media::E_POINTER);
    ASSERT_EQ(stream->Read(block, sizeof block, info), media::S_OK);
    EXPECT_EQ(info.firstSample, 0);
    EXPECT_EQ(info.endTime, stream->SampleToTime(info.frames));
    // Its chapters are the time line's, numbered from 1 and end to end.
    media::TDvdTitleInfo title;
    ASSERT_EQ(media::ReadDvdTitleInfo(title1, title), media::S_OK);
    const std::vector<TSourceChapter>& chapters = stream->Chapters();
    ASSERT_EQ(chapters.size(), title.timeline.Chapters().size());
    ASSERT_FALSE(chapters.empty());
    for (size_t c = 0; c < chapters.size(); ++c) {
        EXPECT_EQ(chapters[c].number, int(c) + 1);
        EXPECT_EQ(chapters[c].start, title.timeline.Chapters()[c].start);
        EXPECT_EQ(chapters[c].end,
                  c + 1 < chapters.size() ? chapters[c + 1].start : stream->Duration());
    }
    stream->Close();
    EXPECT_EQ(stream->Read(block, sizeof block, info), media::MS_E_NOTINIT);

    // A plain file is a file's stream, without chapters as yet.
    const std::unique_ptr<TMediaAudioStream> file =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_NE(dynamic_cast<TFileAudioStream*>(file.get()), nullptr);
    ASSERT_EQ(file->Open(), media::S_OK);
    EXPECT_TRUE(file->Chapters().empty());
}

TEST(DvdTitleAudio, EachAngleOfABlockIsReadAndSoughtLikeAnyTitle) {
    QString error;
    const QString disc =
        MakeAngleDvd(QStringLiteral("angleaudio"), TAngleLayout::alInterleaved, &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const int64_t before = int64_t(fs::kTitleBSeconds * kRate);
    const int64_t block = kTitleA;
    // Each angle's own sound through the block, the other source on either side of it.
    for (const int angle : {1, 2}) {
        SCOPED_TRACE(angle);
        const TSound straight = ReadSource(dvd::TitleLocator(disc, 1, angle));
        ASSERT_EQ(straight.frames(), 2 * before + block);
        const fs::TSignal& own = angle == 1 ? fs::kTitleAEng : fs::kTitleAFra;
        for (const int64_t at :
             std::initializer_list<int64_t>{0, kRate + 17, 3 * kRate + 200, 5 * kRate + 4000})
            ExpectSignalAt(straight, own, at, before + at);
        ExpectSignalAt(straight, fs::kTitleBEng, kRate, before + block + kRate);
        // Seeks into the block, across its units, and out of it, to the sample.
        const std::unique_ptr<TMediaAudioStream> stream =
            MakeAudioStream(dvd::TitleLocator(disc, 1, angle));
        stream->SetOutputFormat(TPcmFormat{kRate, 2, 16});
        ASSERT_EQ(stream->Open(), media::S_OK);
        for (const int64_t target : std::initializer_list<int64_t>{
                 before + 2 * kRate + 33, before + 5, before + block - 3000, before + kRate / 2,
                 before + block + kRate}) {
            SCOPED_TRACE(target);
            ASSERT_EQ(stream->SeekSample(target), media::S_OK);
            const TSound got = ReadAll(*stream, 6000);
            EXPECT_EQ(got.samples, Frames(straight, target, 6000));
        }
    }
    // A block laid out without interleaving: each angle's cell is a run of its own.
    const QString contiguous =
        MakeAngleDvd(QStringLiteral("anglerun"), TAngleLayout::alContiguous, &error);
    ASSERT_FALSE(contiguous.isEmpty()) << error.toStdString();
    for (const int angle : {1, 2}) {
        SCOPED_TRACE(angle);
        const TSound straight = ReadSource(dvd::TitleLocator(contiguous, 1, angle));
        ASSERT_EQ(straight.frames(), 2 * before + block);
        for (const int64_t at : std::initializer_list<int64_t>{0, 3 * kRate + 200})
            ExpectSignalAt(straight, angle == 1 ? fs::kTitleAEng : fs::kTitleAFra, at, before + at);
    }
}
