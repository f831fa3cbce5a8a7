// Bad input ends in a clear result code and message, never a crash, a hang or a success;
// the result table reads exactly as the stream reader reports it.

#include "media_test_util.h"

#include "support/test_env.h"

extern "C" {
#include <libavutil/error.h>
}

#include <QDir>

#include <gtest/gtest.h>

#include <random>

using namespace media;

TEST(MediaErrors, ResultTexts) {
    EXPECT_EQ(ResultText(MS_S_ENDOFSTREAM),
              "Reached the end of the stream; the sample wasn't updated.");
    EXPECT_EQ(ResultText(E_INVALIDBUFFERSIZE), "Invalid buffer size.");
    EXPECT_EQ(ResultText(MS_E_NOSTREAM), "No stream can be found with the specified attributes.");
    EXPECT_EQ(ResultText(E_INVALIDARG), "One of the parameters is invalid.");
    EXPECT_EQ(ResultText(MS_E_SAMPLEALLOC),
              "An IMediaStream object could not be removed from an IMultiMediaStream object "
              "because it still contains at least one allocated sample.");
    EXPECT_EQ(ResultText(int32_t(0x8004040A)),
              "The IMultiMediaStream object is not in running state.");
    // Outside the table: FFmpeg's text for its own codes, else the fallback.
    EXPECT_EQ(ResultText(AVERROR(ENOENT)), "No such file or directory");
    EXPECT_EQ(ResultText(AVERROR_INVALIDDATA), "Invalid data found when processing input");
    EXPECT_EQ(ResultText(1), "Unrecognized error value.");
    EXPECT_EQ(ResultText(-1234567), "Unrecognized error value.");
}

TEST(MediaErrors, NoAudioStream) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath("no_audio.mpg"));
    EXPECT_EQ(stream->Open(), MS_E_NOSTREAM);
    EXPECT_FALSE(stream->IsOpen());
    std::vector<TMediaTrackInfo> tracks{TMediaTrackInfo{}};
    EXPECT_EQ(TMediaAudioStream::ListAudioTracks(FixturePath("no_audio.mpg"), tracks), S_OK);
    EXPECT_TRUE(tracks.empty());
}

TEST(MediaErrors, FilesThatAreNotMediaFail) {
    const QString dir = FreshDir("bad");
    std::mt19937 random(7);
    QByteArray noise(256 * 1024, 0);
    for (char& c : noise)
        c = char(random());
    ASSERT_TRUE(WriteFile(dir + "/noise.vob", noise));
    ASSERT_TRUE(WriteFile(dir + "/empty.mpg", QByteArray()));
    ASSERT_TRUE(WriteFile(dir + "/text.dat", QByteArray("this is not a video\n").repeated(100)));
    // Only the first pack of a VOB: headers, no whole audio frame.
    ASSERT_TRUE(
        WriteFile(dir + "/stub.vob", ReadFile(FixturePath("dvd_ac3_stereo.vob")).left(2048)));
    QDir().mkpath(dir + "/folder.vob");

    for (const char* name :
         {"noise.vob", "empty.mpg", "text.dat", "stub.vob", "folder.vob", "missing.vob"}) {
        SCOPED_TRACE(name);
        const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(dir + "/" + name);
        TMediaResult result = stream->Open();
        EXPECT_TRUE(Failed(result)) << ResultText(result).toStdString();
        EXPECT_FALSE(ResultText(result).isEmpty());
        EXPECT_NE(ResultText(result), "Unrecognized error value.");
        EXPECT_FALSE(stream->IsOpen());
    }
    EXPECT_EQ(MakeAudioStream(dir + "/missing.vob")->Open(), AVERROR(ENOENT));
    // A name that looks like another protocol is still only a file name.
    EXPECT_EQ(MakeAudioStream(QStringLiteral("concat:%1|%1").arg(FixturePath("short.mpg")))->Open(),
              AVERROR(ENOENT));
}

TEST(MediaErrors, DamagedAndTruncatedFilesDecodeWhatIsThereAndEnd) {
    const QString dir = FreshDir("damaged");
    const QByteArray vob = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_GT(vob.size(), 600000);
    QByteArray damaged = vob;
    std::mt19937 random(11);
    for (int i = 300000; i < 500000; ++i)
        damaged[i] = char(random());
    ASSERT_TRUE(WriteFile(dir + "/damaged.vob", damaged));
    ASSERT_TRUE(WriteFile(dir + "/cut.vob", vob.left(vob.size() / 2 + 1234)));
    QByteArray dat = ReadFile(FixturePath("vcd_mp2.dat"));
    ASSERT_TRUE(WriteFile(dir + "/cut.dat", dat.left(dat.size() / 3 + 77)));

    for (const char* name : {"damaged.vob", "cut.vob", "cut.dat"}) {
        SCOPED_TRACE(name);
        const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(dir + "/" + name);
        ASSERT_EQ(stream->Open(), S_OK);
        TDecodedRun run = ReadAll(*stream);
        EXPECT_TRUE(run.result == MS_S_ENDOFSTREAM || Failed(run.result));
        EXPECT_GT(run.bytes.size(), 100000u);
        EXPECT_TRUE(run.continuous);
        // Seeks into and past the damage stay calm too.
        for (int64_t seconds : {4, 9, 0}) {
            TMediaResult seek = stream->Seek(TMediaTime::FromSeconds(seconds));
            EXPECT_TRUE(seek == S_OK || Failed(seek));
            if (seek == S_OK)
                ReadAll(*stream, 32768, 48000);
        }
    }
}

TEST(MediaErrors, CallsOutOfOrder) {
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    uint8_t buffer[16];
    TMediaReadInfo info;
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, info), MS_E_NOTINIT);
    EXPECT_EQ(stream->Seek(TMediaTime()), MS_E_NOTINIT);
    ASSERT_EQ(stream->Open(), S_OK);
    EXPECT_EQ(stream->Read(buffer, 3, info), E_INVALIDBUFFERSIZE); // less than one frame
    EXPECT_EQ(stream->Read(nullptr, 4096, info), E_POINTER);
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, info), S_OK);
    EXPECT_EQ(info.frames, 4);
    stream->Close();
    EXPECT_EQ(stream->Read(buffer, sizeof buffer, info), MS_E_NOTINIT);
}
