// The file input base: counted opening, the range it delivers, its checks; and the
// converter's input handling.

#include "audio_test_doubles.h"

#include <gtest/gtest.h>

namespace {

// A file input over an imaginary source: 16-bit stereo 44.1 kHz, 1000 frames.
class TFakeFileIn : public TAudioFileIn {
public:
    using TAudioFileIn::OpenCount;
    using TAudioFileIn::PendingSeek;

    int Opens = 0, Closes = 0;
    int64_t SizeAtOpen = 4000;

    void OpenSource() override {
        ++Opens;
        if (OpenCount++ == 0) {
            BitsPerSampleValue = 16;
            ChannelsValue = 2;
            SampleRateValue = 44100;
            TotalSamples = 1000;
            Size = SizeAtOpen;
        }
    }
    void CloseSource() override {
        ++Closes;
        if (OpenCount > 0)
            --OpenCount;
    }
    void SeekFrame(int64_t Frame) override { PendingSeek = Frame; }
    int ReadData(void*, int) override { return 0; }
};

} // namespace

TEST(AudioFileIn, BeginReadChecksAndTheRangeSetsTheSize) {
    TFakeFileIn in;
    try {
        in.BeginRead();
        FAIL();
    } catch (const EAudioException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The file name is not assigned"));
    }
    EXPECT_EQ(in.OpenCount, 0);

    in.FileName = QStringLiteral("source.vob");
    in.BeginRead(); // whole source: the size OpenSource found stays
    EXPECT_EQ(in.Size, 4000);
    EXPECT_TRUE(in.Busy);
    EXPECT_EQ(in.Position, 0);
    EXPECT_EQ(in.BufStart, 1);
    EXPECT_EQ(in.BufEnd, 0);
    EXPECT_EQ(in.OpenCount, 1);
    try {
        in.BeginRead();
        FAIL();
    } catch (const EAudioException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The component is Busy"));
    }
    EXPECT_EQ(in.OpenCount, 1);
    in.EndRead();
    EXPECT_FALSE(in.Busy);
    EXPECT_EQ(in.OpenCount, 0);

    in.StartSample = 10;
    in.EndSample = 110; // the frame EndSample itself is not delivered
    in.BeginRead();
    EXPECT_EQ(in.Size, 400);
    EXPECT_EQ(in.PendingSeek, 10);
    in.EndRead();

    in.EndSample = -1; // to the end
    in.BeginRead();
    EXPECT_EQ(in.Size, 990 * 4);
    in.EndRead();

    in.StartSample = 500;
    in.EndSample = 100; // ends before it starts: nothing
    in.BeginRead();
    EXPECT_EQ(in.Size, 0);
    in.EndRead();

    in.StreamAssigned = true; // a stream needs no name
    in.FileName.clear();
    in.StartSample = 0;
    in.EndSample = -1;
    EXPECT_NO_THROW(in.BeginRead());
    in.ResetInput();
    EXPECT_FALSE(in.Busy);
    EXPECT_EQ(in.OpenCount, 0);
}

TEST(AudioFileIn, QueriesOpenAroundThemselvesAndNest) {
    TFakeFileIn in;
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.GetSampleRate(), 44100);
    EXPECT_EQ(in.GetBitsPerSample(), 16);
    EXPECT_EQ(in.OpenCount, 0);
    EXPECT_EQ(in.Opens, 3);

    in.OpenSource();
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.OpenCount, 1); // a query on an open input leaves it open
    in.CloseSource();

    in.OpenForQueries = false;
    const int opens = in.Opens;
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.Opens, opens);

    // 4000 bytes of 16-bit stereo 44.1 kHz are 0.02 s: 0; 44100 * 4 * 2.5: 2 (ties to even)
    EXPECT_EQ(in.GetLengthSeconds(), 0);
    in.SizeAtOpen = int64_t(44100) * 4 * 5 / 2;
    EXPECT_EQ(in.GetLengthSeconds(), 2);
    in.SizeAtOpen = int64_t(44100) * 4 * 7 / 2;
    EXPECT_EQ(in.GetLengthSeconds(), 4);
    // Eleven hours: past what 32-bit byte counts hold.
    in.SizeAtOpen = int64_t(44100) * 4 * 3600 * 11;
    EXPECT_EQ(in.GetLengthSeconds(), 3600 * 11);
    EXPECT_EQ(in.OpenCount, 0);
}
