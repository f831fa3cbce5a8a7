// The MP3 output encoding a run in parts on several threads, judged by FFmpeg against the
// same run on one encoder: the same kind of file (length to the sample, information frame,
// tags, constant bit rate to the byte), as close to the input, and nothing left behind
// when a part fails, the run is aborted or the output goes away mid-run.

#include "audio_test_doubles.h"
#include "mp3_out_outcome.h"

#include "audio/layer3/mpeg_frame_header.h"
#include "audio/mp3/mp3_info_tag.h"
#include "audio/rip/mp3_out.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

// Squared error of the decoded sound against the input, both channels.
double ErrorEnergy(const DecodedAudio& Decoded, const std::vector<int16_t>& Input, int Channels) {
    double sum = 0;
    const int64_t frames = std::min<int64_t>(Decoded.frames(), int64_t(Input.size()) / Channels);
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < Decoded.channels; ++c) {
            const double d = double(Decoded.samples[size_t(i * Decoded.channels + c)]) -
                             Input[size_t(i * Channels + std::min(c, Channels - 1))];
            sum += d * d;
        }
    return sum;
}

// The MPEG audio of a file: after the ID3v2 tag, before the ID3v1 tag.
QByteArray AudioPart(const QByteArray& File) {
    qsizetype from = 0, to = File.size();
    if (File.startsWith("ID3")) {
        const auto* h = reinterpret_cast<const uint8_t*>(File.constData());
        from =
            10 + ((h[6] & 0x7f) << 21 | (h[7] & 0x7f) << 14 | (h[8] & 0x7f) << 7 | (h[9] & 0x7f));
    }
    if (to - from >= 128 && File.mid(to - 128, 3) == "TAG")
        to -= 128;
    return File.mid(from, to - from);
}

struct TPartsCase {
    const char* Name;
    int Channels;
    int Rate;
    int Bits; // 16, or 32 for float
    std::function<void(TMP3Out&)> Setup;
};

} // namespace

// Each case is encoded on one encoder and in parts on three threads. The parts' file must
// be what one encoder's is: decoded by FFmpeg without a complaint to exactly the input's
// length and place, with an information frame that counts its frames and bytes and carries
// valid CRCs, the same tags, the same size for a constant bit rate (within 1 % for a
// variable one), and an error against the input within 0.3 dB of one encoder's.
TEST(MP3OutParts, ARunInPartsIsTheFileOneEncoderWouldWrite) {
    const TPartsCase cases[] = {
        {"joint-cbr192", 2, 44100, 16,
         [](TMP3Out& o) {
             o.BitRate = br192;
             o.Quality = ql2;
             o.Mode = TMP3Mode::JOINT_STEREO;
             o.Id3TagTitle = QStringLiteral("Teil für Teil");
             o.Id3TagArtist = QStringLiteral("Sonavel");
             o.Id3TagGenre = QStringLiteral("Jazz");
         }},
        {"vbr-float", 2, 48000, 32,
         [](TMP3Out& o) {
             o.EnableVBR = o.WriteVBRHeader = true;
             o.VBRQuality = ql2;
             o.VBRMinBitrate = 96;
             o.VBRMaxBitrate = 256;
             o.Id3TagComment = QStringLiteral("parts");
         }},
        {"mono-crc-cbr128", 1, 32000, 16,
         [](TMP3Out& o) {
             o.BitRate = br128;
             o.CRC = true;
             o.Mode = TMP3Mode::MONO;
         }},
    };
    for (const TPartsCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString dir = FreshDir(QStringLiteral("parts"));
        const int64_t frames = 12 * c.Rate + 321;
        const std::vector<int16_t> pcm = TestSignal(frames, c.Channels, c.Rate);
        std::vector<uint8_t> input = TPcmInput::FromSamples(pcm);
        if (c.Bits == 32) {
            std::vector<float> floats(pcm.size());
            for (size_t i = 0; i < pcm.size(); ++i)
                floats[i] = float(pcm[i]) / 32768.0f;
            input.resize(floats.size() * sizeof(float));
            std::memcpy(input.data(), floats.data(), input.size());
        }
        auto encode = [&](int Jobs, const QString& Path) {
            TPcmInput in(input, c.Channels, c.Rate, c.Bits);
            in.Parts = true;
            TMP3Out out;
            out.SampleRate = c.Rate == 32000 ? sr32kHz : c.Rate == 44100 ? sr41kHz : sr48kHz;
            c.Setup(out);
            out.Jobs = Jobs;
            out.Tuning.MinSegmentSeconds = 2;
            EncodeOk(out, in, Path);
            EXPECT_EQ(out.LastResults().at(0).Segments, in.PartsOpened.load());
            return in.PartsOpened.load();
        };
        const QString onePath = dir + QStringLiteral("/one.mp3"),
                      partsPath = dir + QStringLiteral("/parts.mp3");
        EXPECT_EQ(encode(1, onePath), 1);
        EXPECT_GE(encode(3, partsPath), 2);

        const DecodedAudio one = DecodeAudioFile(onePath), parts = DecodeAudioFile(partsPath);
        ASSERT_TRUE(one.ok && parts.ok) << parts.error.toStdString();
        EXPECT_EQ(parts.complaints, 0);
        EXPECT_EQ(parts.frames(), frames);
        EXPECT_EQ(parts.tags, one.tags);
        const double ratio =
            ErrorEnergy(parts, pcm, c.Channels) / ErrorEnergy(one, pcm, c.Channels);
        EXPECT_LT(std::fabs(10 * std::log10(ratio)), 0.3);

        const QByteArray oneFile = ReadFile(onePath), partsFile = ReadFile(partsPath);
        EXPECT_EQ(partsFile.startsWith("ID3"), oneFile.startsWith("ID3"));
        if (oneFile.right(128).startsWith("TAG")) { // ID3v1
            EXPECT_EQ(partsFile.right(128), oneFile.right(128));
        }
        if (!QByteArray(c.Name).startsWith("vbr")) {
            EXPECT_EQ(partsFile.size(), oneFile.size());
        } else {
            EXPECT_NEAR(double(partsFile.size()), double(oneFile.size()), oneFile.size() / 100.0);
        }

        const QByteArray audio = AudioPart(partsFile);
        const auto* bytes = reinterpret_cast<const uint8_t*>(audio.constData());
        auto tag = TMp3InfoTag::Parse(bytes, size_t(audio.size()));
        ASSERT_TRUE(tag);
        EXPECT_TRUE(tag->TagCrcValid());
        int64_t counted = 0;
        size_t at = size_t(TMpegFrameHeader::Parse(bytes, size_t(audio.size()))->FrameBytes());
        const size_t first = at;
        while (at < size_t(audio.size())) {
            const auto header = TMpegFrameHeader::Parse(bytes + at, size_t(audio.size()) - at);
            ASSERT_TRUE(header) << "at byte " << at;
            at += size_t(header->FrameBytes());
            ++counted;
        }
        EXPECT_EQ(at, size_t(audio.size()));
        EXPECT_EQ(tag->Frames(), uint32_t(counted));
        EXPECT_EQ(tag->ByteCount(), uint32_t(audio.size()));
        EXPECT_EQ(tag->MusicCrc(), TMp3InfoTag::Crc16(bytes + first, size_t(audio.size()) - first));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
}

// A part that fails fails the run with its message; an aborted run and an output destroyed
// mid-run stop every thread; none of them leaves a file, and the earlier file stays.
TEST(MP3OutParts, FailuresAbortsAndDestructionLeaveNothing) {
    const QString dir = FreshDir(QStringLiteral("partsfail"));
    const QString path = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(path, "earlier file"));
    auto expectUntouched = [&] {
        EXPECT_EQ(ReadFile(path), QByteArray("earlier file"));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("song.mp3")});
    };
    auto input = [] {
        auto in = SignalInput(30 * 44100, 2, 44100);
        in->Parts = true;
        return in;
    };
    auto start = [&](TMP3Out& Out, TPcmInput& In, TOutcome& Outcome) {
        Out.Jobs = 3;
        Out.Tuning.MinSegmentSeconds = 2;
        Outcome.Attach(Out);
        Out.FileName = path;
        Out.SetInput(&In);
        Out.Run();
    };
    {
        auto in = input();
        in->FailLaterParts = true;
        TMP3Out out;
        TOutcome outcome;
        start(out, *in, outcome);
        ASSERT_TRUE(outcome.Wait());
        EXPECT_EQ(outcome.failed, 1);
        EXPECT_EQ(outcome.Error(), QStringLiteral("test part failed"));
        EXPECT_EQ(in->EndReads, 1);
        expectUntouched();
    }
    {
        auto in = input();
        in->DelayMs = 5;
        TMP3Out out;
        TOutcome outcome;
        start(out, *in, outcome);
        ASSERT_TRUE(WaitUntil([&] { return out.Progress().DoneFrames > 0; }));
        out.Abort();
        ASSERT_TRUE(outcome.Wait());
        EXPECT_EQ(outcome.done, 1);
        EXPECT_TRUE(outcome.aborted);
        EXPECT_EQ(in->EndReads, 1);
        expectUntouched();
    }
    {
        auto in = input();
        in->DelayMs = 5;
        auto out = std::make_unique<TMP3Out>();
        out->Jobs = 3;
        out->Tuning.MinSegmentSeconds = 2;
        out->FileName = path;
        out->SetInput(in.get());
        out->Run();
        ASSERT_TRUE(WaitUntil([&] { return in->PartsOpened >= 2; }));
        out.reset();
        EXPECT_EQ(in->EndReads, 1);
        expectUntouched();
    }
}

// A source whose parts do not hear the same sound where they meet (its seeks land beside
// the sample asked for) cannot be joined: the run falls back to one encoder and writes
// exactly the file one encoder writes, never a file with a jump at every seam.
TEST(MP3OutParts, PartsThatHearOtherSoundFallBackToOneEncoder) {
    const QString dir = FreshDir(QStringLiteral("partsshift"));
    const int64_t frames = 20 * 44100 + 77;
    auto encode = [&](int Jobs, int Shift, const QString& Path) {
        auto in = SignalInput(frames, 2, 44100);
        in->Parts = true;
        in->ShiftLaterParts = Shift;
        TMP3Out out;
        out.Jobs = Jobs;
        out.Tuning.MinSegmentSeconds = 2;
        EncodeOk(out, *in, Path);
        EXPECT_EQ(out.LastResults().at(0).Redone, Shift != 0);
        return in->PartsOpened.load();
    };
    const QString onePath = dir + QStringLiteral("/one.mp3"),
                  partsPath = dir + QStringLiteral("/parts.mp3");
    EXPECT_EQ(encode(1, 0, onePath), 1);
    EXPECT_GE(encode(3, 5, partsPath), 3); // the parts, then the whole run once more
    EXPECT_EQ(ReadFile(partsPath), ReadFile(onePath));
    const DecodedAudio parts = DecodeAudioFile(partsPath);
    ASSERT_TRUE(parts.ok) << parts.error.toStdString();
    EXPECT_EQ(parts.complaints, 0);
    EXPECT_EQ(parts.frames(), frames);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Every constant bit rate an MP3 at 32, 44.1 and 48 kHz can have, down to the small frames
// of 32 kbit/s (too small for the encoder's own information frame), on one encoder and in
// parts: exact length, every audio frame at the rate asked for. A rate the sample rate
// cannot carry is refused, saying which it can.
TEST(MP3OutParts, EveryBitRateOfEverySampleRateOnEveryEngine) {
    const QString dir = FreshDir(QStringLiteral("rates"));
    for (int rate : {32000, 44100, 48000}) {
        const int64_t frames = 3 * rate + 123;
        const std::vector<uint8_t> input = TPcmInput::FromSamples(TestSignal(frames, 2, rate));
        for (int index = 0; index < int(MP3BitRates.size()); ++index) {
            const int kbps = MP3BitRates[size_t(index)];
            const bool carried = kbps >= 32 && kbps != 144;
            for (int jobs : {1, 3}) {
                SCOPED_TRACE(QStringLiteral("%1 Hz %2 kbit/s, %3 jobs")
                                 .arg(rate)
                                 .arg(kbps)
                                 .arg(jobs)
                                 .toStdString());
                TPcmInput in(input, 2, rate);
                in.Parts = true;
                TMP3Out out;
                out.SampleRate = rate == 32000 ? sr32kHz : rate == 44100 ? sr41kHz : sr48kHz;
                out.BitRate = TMP3BitRate(index);
                out.Jobs = jobs;
                out.Tuning.MinSegmentSeconds = 0.5;
                const QString path =
                    dir + QStringLiteral("/%1_%2_%3.mp3").arg(rate).arg(kbps).arg(jobs);
                TOutcome outcome;
                outcome.Attach(out);
                out.FileName = path;
                out.SetInput(&in);
                out.Run();
                ASSERT_TRUE(outcome.Wait());
                if (!carried) {
                    EXPECT_EQ(outcome.failed, 1);
                    EXPECT_TRUE(outcome.Error().contains(QStringLiteral("it can have 32, 40, 48")))
                        << outcome.Error().toStdString();
                    EXPECT_FALSE(QFileInfo::exists(path));
                    continue;
                }
                ASSERT_EQ(outcome.failed, 0) << outcome.Error().toStdString();
                if (jobs > 1) {
                    EXPECT_GT(out.LastResults().at(0).Segments, 1);
                }
                const DecodedAudio mp3 = DecodeAudioFile(path);
                ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
                EXPECT_EQ(mp3.complaints, 0);
                EXPECT_EQ(mp3.frames(), frames);
                const Mp3FrameScan scan = ScanMp3Frames(path);
                ASSERT_GT(scan.bitratesKbps.size(), 2u);
                // After the information frame (at whatever rate holds it), a carrier may
                // take a larger rate where the stream's frames are too small.
                int other = 0;
                for (size_t f = 0; f < scan.bitratesKbps.size(); ++f)
                    other += scan.bitratesKbps[f] != kbps;
                EXPECT_LE(other, 1);
            }
        }
    }
}
