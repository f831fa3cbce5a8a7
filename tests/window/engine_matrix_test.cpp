// One engine for every rip, as the window runs it: {a plain file, a DVD title read across a
// VOB part} x {the marked range, the Tracks list} x {one encoder, every core} x {constant,
// variable bit rate}, every file read back with FFmpeg. The same at real size is in
// tests/realsize.

#include "window_fixture.h"

#include "audio/rip/mp3_out.h"
#include "support/dvd_authoring.h"
#include "support/joined_tracks.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

struct TSpan {
    TMediaTime start, end;
    QString name, title;
};

} // namespace

class WindowEngineTest : public WindowTest {
protected:
    void Mark(int marker, int64_t ms) {
        Frm->TrackBar->setPosition(int(ms));
        Frm->SetMarkerAtPosition(marker == 0 ? TMarker::Start : TMarker::End);
    }

    void ClearTrackList() {
        while (Frm->TrackListView->topLevelItemCount() > 0) {
            Frm->TrackListView->setCurrentItem(Frm->TrackListView->topLevelItem(0));
            Frm->RemoveTrackBtn->click();
        }
    }

    // Rips what the window holds into `out` with one encoder and with two, at both
    // kinds of bit rate, and checks the files `spans` name against `sound`.
    void RipEveryWay(const QString& outName, const std::vector<TSpan>& spans,
                     const TSourceSound& sound) {
        for (bool vbr : {false, true}) {
            double serialError = 0;
            for (int jobs : {1, 2}) {
                SCOPED_TRACE(
                    QStringLiteral("%1 jobs %2").arg(vbr ? "vbr" : "cbr").arg(jobs).toStdString());
                AppSettings.AudioVBR = vbr;
                Frm->RunSession->MP3Out->Jobs = jobs;
                const QString out = FreshDir(QStringLiteral("winmatrix")) + u'/';
                Frm->outputFileEdit->setText(out + outName);
                Boxes.clear();
                Frm->ExtractBtnClick();
                ASSERT_TRUE(Frm->Running())
                    << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
                ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 60000));
                Pump(20);
                ASSERT_FALSE(Boxes.empty());
                EXPECT_EQ(Boxes.back().Icon, 1) << Boxes.back().Text.toStdString();

                const std::vector<TRipJobResult>& results = Frm->RunSession->MP3Out->LastResults();
                ASSERT_EQ(results.size(), spans.size());
                int most = 0;
                for (const TRipJobResult& r : results)
                    most = std::max(most, r.Segments);
                if (jobs == 1)
                    EXPECT_EQ(most, 1);
                else // the long ones are cut into segments
                    EXPECT_GT(most, 1);

                QStringList files, names, titles;
                std::vector<int64_t> lengths;
                for (const TSpan& s : spans) {
                    files << out + s.name;
                    names << s.name;
                    titles << s.title;
                    lengths.push_back(sound.SampleAt(s.end) - sound.SampleAt(s.start));
                }
                EXPECT_EQ(FilesIn(out), names);
                const TJoinedTracks joined = DecodeTracks(files, lengths, titles, sound.rate);
                const int64_t first = sound.SampleAt(spans.front().start);
                ExpectSeamless(joined, sound, first);
                const double error = ErrorDb(joined, sound, first);
                if (jobs == 1)
                    serialError = error;
                else
                    EXPECT_NEAR(error, serialError, 0.3);
            }
        }
    }

    void SetUp() override {
        WindowTest::SetUp();
        AppSettings.AudioSampleRate = 48000; // the sources' own
        AppSettings.AudioBitrate = 192;
        AppSettings.AudioVbrLimits = true;
        AppSettings.AudioVbrMinBitrate = 96;
        AppSettings.AudioVbrMaxBitrate = 256;
        AppSettings.AudioChannels = 2;
    }
};

TEST_F(WindowEngineTest, PlainFileRangeAndTrackList) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    Open(source);
    ASSERT_GT(Frm->DurationMs(), 29000);
    const TSourceSound sound = ReadSourceSound(source, 48000);
    Mark(0, 1500);
    Mark(1, 28700);
    RipEveryWay(
        QStringLiteral("range.mp3"),
        {{TMediaTime::FromMs(1500), TMediaTime::FromMs(28700), QStringLiteral("range.mp3"), {}}},
        sound);

    Mark(0, 500);
    Mark(1, 8300);
    Frm->AddRangeBtn->click();
    Mark(1, 29100);
    Frm->AddRangeBtn->click();
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 2u);
    RipEveryWay(QStringLiteral("x.mp3"),
                {{TMediaTime::FromMs(500), TMediaTime::FromMs(8300),
                  QStringLiteral("01 - Track 1.mp3"), QStringLiteral("Track 1")},
                 {TMediaTime::FromMs(8300), TMediaTime::FromMs(29100),
                  QStringLiteral("02 - Track 2.mp3"), QStringLiteral("Track 2")}},
                sound);
}

TEST_F(WindowEngineTest, DvdTitleChaptersAndRangeAcrossAVobPart) {
    QString error;
    const QString root = MakeConcertDvd(QStringLiteral("windvd"), 2, {0, 1}, 0.5, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    Open(root);
    ASSERT_EQ(Frm->Dvd().ChapterList().size(), 2u);
    const TSourceSound sound = ReadSourceSound(Frm->Dvd().locator, 48000);
    // The chapters are the Tracks list of a title that opens.
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 2u);
    std::vector<TSpan> chapters;
    for (const TSourceChapter& c : Frm->Dvd().ChapterList())
        chapters.push_back({c.start, c.end, QStringLiteral("0%1 - Chapter %1.mp3").arg(c.number),
                            QStringLiteral("Chapter %1").arg(c.number)});
    RipEveryWay(QStringLiteral("x.mp3"), chapters, sound);

    ClearTrackList();
    Mark(0, 3300);
    Mark(1, 57100);
    RipEveryWay(
        QStringLiteral("title.mp3"),
        {{TMediaTime::FromMs(3300), TMediaTime::FromMs(57100), QStringLiteral("title.mp3"), {}}},
        sound);
}
