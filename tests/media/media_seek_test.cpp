// Seeks land on exactly the sample asked for: what a seek delivers is byte for byte what a
// straight decode from the start delivers at that sample number, on every fixture.

#include "media_test_util.h"

#include "media/packet_length.h"
#include "media/program_stream_scan.h"
#include "support/test_env.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace media;

namespace {

const char* const kSeekableFixtures[] = {
    "dvd_ac3_stereo.vob", "dvd_ac3_51.vob", "vcd_mp2.mpg",    "vcd_mp2.dat",
    "mono_u8.avi",        "offset_ts.mpg",  "two_tracks.vob", "two_tracks.mkv",
    "short.mpg",          "demo.mpg",       "dvd_lpcm16.vob", "dvd_lpcm24_mono.vob",
    "dvd_lpcm20_51.vob",  "dvd_lpcm24.vob",
};

// A packet of an LPCM stream as the demuxer hands it over, with what came before it.
struct TDemuxedLpcm {
    TPacketCountIndex::TPlace place;
    int size = 0;
    int64_t frames = 0;
};

std::vector<TDemuxedLpcm> DemuxLpcm(AVFormatContext* format, int stream) {
    std::vector<TDemuxedLpcm> packets;
    const ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    int64_t counted = 0, bytes = 0;
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            const int64_t frames = PacketFrames(par, packet.get());
            EXPECT_GT(frames, 0) << "at " << packet->pos;
            packets.push_back({{packet->pos, counted, bytes}, packet->size, frames});
            counted += frames;
            bytes += LpcmPayloadBytes(par, packet.get());
        }
        av_packet_unref(packet.get());
    }
    return packets;
}

} // namespace

TEST(MediaSeek, EverySeekDeliversWhatAStraightDecodeHasAtThatSample) {
    for (const char* file : kSeekableFixtures) {
        SCOPED_TRACE(file);
        const std::unique_ptr<TMediaAudioStream> straight = MakeAudioStream(FixturePath(file));
        ASSERT_EQ(straight->Open(), S_OK);
        TDecodedRun all = ReadAll(*straight);
        ASSERT_EQ(all.result, MS_S_ENDOFSTREAM);
        ASSERT_TRUE(all.continuous);
        const int align = straight->Format().BlockAlign();
        const int rate = straight->Format().sampleRate;
        const int64_t total = int64_t(all.bytes.size()) / align;
        ASSERT_GT(total, rate / 2);

        const std::unique_ptr<TMediaAudioStream> seeker = MakeAudioStream(FixturePath(file));
        ASSERT_EQ(seeker->Open(), S_OK);
        // Forwards, backwards, into the first frame, into a silent gap, close to the end,
        // and where LPCM ranges were found to start early.
        const int64_t targets[] = {total / 2 + 7,
                                   rate / 10 + 3,
                                   total - 300,
                                   total / 3 + 1,
                                   all.firstSample,
                                   1,
                                   int64_t(0.8 * rate) + 11,
                                   total * 2 / 3,
                                   int64_t(7.31 * rate),
                                   3 * int64_t(rate)};
        for (int64_t target : targets) {
            if (target >= all.firstSample + total)
                continue;
            SCOPED_TRACE(target);
            ASSERT_EQ(seeker->SeekSample(target), S_OK);
            EXPECT_EQ(seeker->NextSample(), std::max(target, all.firstSample));
            TDecodedRun part = ReadAll(*seeker, 8192, 4000);
            ASSERT_FALSE(part.bytes.empty());
            ASSERT_EQ(part.firstSample, std::max(target, all.firstSample));
            const size_t offset = size_t(part.firstSample - all.firstSample) * align;
            ASSERT_LE(offset + part.bytes.size(), all.bytes.size());
            EXPECT_EQ(std::memcmp(part.bytes.data(), all.bytes.data() + offset, part.bytes.size()),
                      0)
                << "seek is not sample-exact";
        }
    }
}

TEST(MediaSeek, TimesAndSamplesAgree) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath("vcd_mp2.dat"));
    ASSERT_EQ(stream->Open(), S_OK);
    for (int64_t n : {0LL, 1LL, 44099LL, 44100LL, 123456LL, 441000LL})
        EXPECT_EQ(stream->TimeToSample(stream->SampleToTime(n)), n);
    // 1 s is sample 44100 exactly; a hair later is the next sample.
    EXPECT_EQ(stream->TimeToSample(TMediaTime::FromSeconds(1)), 44100);
    EXPECT_EQ(stream->TimeToSample(TMediaTime::FromUnits(10'000'001)), 44101);
    EXPECT_EQ(stream->SampleToTime(44101), TMediaTime::FromUnits(10'000'226));

    ASSERT_EQ(stream->Seek(TMediaTime::FromMs(2500)), S_OK);
    std::vector<uint8_t> buffer(4096);
    TMediaReadInfo info;
    ASSERT_EQ(stream->Read(buffer.data(), uint32_t(buffer.size()), info), S_OK);
    EXPECT_EQ(info.firstSample, 110250);
    EXPECT_EQ(info.startTime, TMediaTime::FromMs(2500));
    EXPECT_EQ(info.frames, 1024);
    EXPECT_EQ(info.endTime, stream->SampleToTime(110250 + 1024));
}

TEST(MediaSeek, PastTheEndAndBeforeTheStartAreCalm) {
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_EQ(stream->Open(), S_OK);
    ASSERT_EQ(stream->Seek(stream->Duration() + TMediaTime::FromSeconds(5)), S_OK);
    std::vector<uint8_t> buffer(4096);
    TMediaReadInfo info;
    EXPECT_EQ(stream->Read(buffer.data(), uint32_t(buffer.size()), info), MS_S_ENDOFSTREAM);
    EXPECT_EQ(info.bytes, 0u);
    // And back from there.
    ASSERT_EQ(stream->Seek(TMediaTime::FromUnits(-1000)), S_OK);
    ASSERT_EQ(stream->Read(buffer.data(), uint32_t(buffer.size()), info), S_OK);
    EXPECT_EQ(info.firstSample, 0);
}

TEST(MediaSeek, JoinedPartsNeverRunTimeBackwards) {
    // Two VOBs back to back, as a disc's VTS_01_1 and VTS_01_2 are read as one: the
    // timestamps of the second part start again from the beginning.
    const QByteArray vob = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_FALSE(vob.isEmpty());
    const QString joined = FreshDir("joined") + "/joined.vob";
    ASSERT_TRUE(WriteFile(joined, vob + vob));

    const std::unique_ptr<TMediaAudioStream> single =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_EQ(single->Open(), S_OK);
    const int64_t once = int64_t(ReadAll(*single).bytes.size()) / 4;

    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(joined);
    ASSERT_EQ(stream->Open(), S_OK);
    TDecodedRun run = ReadAll(*stream);
    EXPECT_EQ(run.result, MS_S_ENDOFSTREAM);
    EXPECT_TRUE(run.continuous) << "a Read started somewhere other than where the last ended";
    EXPECT_EQ(run.firstSample, 0);
    const int64_t frames = int64_t(run.bytes.size()) / 4;
    EXPECT_GE(frames, 2 * once - 2 * 1536);
    EXPECT_LE(frames, 2 * once);
    EXPECT_EQ(stream->NextSample(), frames);
}

TEST(MediaSeek, WalkingAProgramStreamCountsItsLpcmPacketsAsTheDemuxerDoes) {
    // FFmpeg's muxer cuts LPCM packets anywhere (odd sizes, groups split between packets),
    // DVD authoring on whole groups; mono, stereo and 5.1 at 16, 20 and 24 bits. The last
    // file has a pack's start code broken half-way: the walk must not count past it.
    const QString broken = FreshDir("walk") + "/broken.vob";
    QByteArray bytes = ReadFile(FixturePath("dvd_lpcm24.vob"));
    ASSERT_GT(bytes.size(), 4 * 2048);
    const qsizetype damage = bytes.indexOf(QByteArray("\x00\x00\x01\xBA", 4), bytes.size() / 2);
    ASSERT_GT(damage, 0);
    bytes[damage + 2] = 0x07;
    ASSERT_TRUE(WriteFile(broken, bytes));
    for (const QString& path :
         {FixturePath("dvd_lpcm16.vob"), FixturePath("dvd_lpcm24_mono.vob"),
          FixturePath("dvd_lpcm20_51.vob"), FixturePath("dvd_lpcm24.vob"), broken}) {
        SCOPED_TRACE(path.toStdString());
        AVFormatContext* raw = nullptr;
        ASSERT_EQ(avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr), 0);
        const ffmpeg::InputFormatPtr format(raw);
        ASSERT_GE(avformat_find_stream_info(raw, nullptr), 0);
        const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        ASSERT_TRUE(TProgramStreamScan::Fits(raw, stream));
        const std::vector<TDemuxedLpcm> demuxed = DemuxLpcm(raw, stream);
        ASSERT_GT(demuxed.size(), 20u);
        const TDemuxedLpcm& last = demuxed.back();
        const int64_t total = last.place.Counted + last.frames;

        TProgramStreamScan scan(raw->pb, raw->streams[stream]->id);
        const auto find = [&](const TPacketCountIndex::TPlace& place) {
            return std::find_if(demuxed.begin(), demuxed.end(), [&](const TDemuxedLpcm& d) {
                return d.place.Pos == place.Pos && d.place.Counted == place.Counted &&
                       d.place.Bytes == place.Bytes;
            });
        };
        const std::vector<TPacketCountIndex::TPlace> starts = {{0, 0, 0},
                                                               demuxed[demuxed.size() / 3].place};
        for (const TPacketCountIndex::TPlace& start : starts) {
            for (const int64_t target : {int64_t(0), total / 2 + 3, total - 1, total + 100}) {
                if (target < start.Counted)
                    continue;
                SCOPED_TRACE(testing::Message() << "from " << start.Pos << " to " << target);
                scan.Walk(start, target, 997);
                for (const TPacketCountIndex::TPlace& place : scan.Places())
                    EXPECT_NE(find(place), demuxed.end())
                        << "no packet of " << place.Counted << " samples in at " << place.Pos;
                // It ends on the packet that holds the target; one it cannot read past is
                // one the demuxer reads on from.
                const auto resume = find(scan.Resume());
                ASSERT_NE(resume, demuxed.end()) << "resumes at " << scan.Resume().Pos;
                EXPECT_EQ(scan.ResumeSize(), resume->size);
                if (path == broken) {
                    EXPECT_LT(scan.Resume().Pos, damage);
                    EXPECT_LE(resume->place.Counted, target);
                } else if (target < total) {
                    EXPECT_LE(resume->place.Counted, target);
                    EXPECT_GT(resume->place.Counted + resume->frames, target);
                    EXPECT_GE(scan.Places().size(), size_t((target - start.Counted) / 2000))
                        << "places left out";
                } else {
                    EXPECT_EQ(resume->place.Pos, last.place.Pos);
                }
            }
        }
    }
}
