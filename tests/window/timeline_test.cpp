// The window at any size and the zoomable time line, driven by real mouse, wheel and key
// events: what grows when the window grows, the time under a pixel while zooming and
// scrolling, markers placed to the millisecond while zoomed (and ripped so), snapping to
// a silence, tick times at every zoom, and the window's place kept between sessions.
#include "window_fixture.h"

#include "app/settings.h"
#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "base/registry.h"
#include "mediagraph/video_renderer_widget.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "ui/main/window_placement.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/time_overview.h"
#include "ui/skin/track_bar.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

namespace fs = fixture_signal;

namespace {
// AC-3 pads 256 samples before source sample 0; the window's time 0 is where they start.
constexpr double kAc3Lead = 256.0 / 48000;

void Wheel(QWidget* to, QPoint at, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent e(QPointF(at), QPointF(to->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(to, &e);
}

// Drags a marker with the left button so that the pointer ends at window x `to` (where
// the marker's left edge follows it), the moves carrying `mods`. Each move is reported
// where the pointer is relative to the marker at that moment, as a real drag is.
void DragMarkerTo(TImage* marker, int to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPoint grip(marker->width() / 2, marker->height() / 2);
    QTest::mousePress(marker, Qt::LeftButton, Qt::NoModifier, grip);
    const int middle = (marker->x() + grip.x() + to) / 2;
    QTest::mouseEvent(QTest::MouseMove, marker, Qt::NoButton, mods,
                      QPoint(middle - marker->x(), grip.y()));
    QTest::mouseEvent(QTest::MouseMove, marker, Qt::NoButton, mods,
                      QPoint(to - marker->x(), grip.y()));
    QTest::mouseRelease(marker, Qt::LeftButton, Qt::NoModifier, QPoint(to - marker->x(), grip.y()));
}

// Whether the source's sound at window time `ms` is in one of the fixture's gaps.
bool SilentAtWindowTime(int64_t ms) {
    return fs::IsSilentAt(ms / 1000.0 - kAc3Lead, 0.0);
}
} // namespace

class WindowTimeLineTest : public WindowTest {
protected:
    // The sound source every test here uses, in a window of the given client size.
    void OpenDvd(QSize size) {
        Frm->resize(size);
        Pump(30);
        Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
        ASSERT_GT(Frm->DurationMs(), 9000);
        ASSERT_TRUE(WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); }));
        Bar = Frm->TrackBar;
        Y = Bar->channelRect().center().y();
    }
    // Track bar x of a time in its view (window x: WX), and the time under a track bar x.
    int X(int64_t ms) const { return Bar->xOf(int(ms)); }
    int WX(int64_t ms) const { return Bar->x() + X(ms); }
    // What the window makes of a marker edge at window x.
    int64_t TimeAtWindowX(int x) const {
        const int64_t width = Bar->width() - 2 * Frm->TrackMargin();
        return Bar->viewFrom() + int64_t(x - Bar->x() - Frm->TrackMargin()) *
                                     (Bar->viewTo() - Bar->viewFrom()) / width;
    }
    int64_t At(int x) const { return Bar->positionAt(x); }
    void Keys(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(Frm->ExtractBtn, Qt::Key(key), mods);
    }

    TTrackBar* Bar = nullptr;
    int Y = 0;
};

TEST_F(WindowTimeLineTest, GrowsWithTheWindowKeepingThePicturesShape) {
    EXPECT_EQ(Frm->minimumSize(), QSize(TMainFrm::MinClientWidth, TMainFrm::ClientHeight));
    Frm->resize(300, 200); // never smaller than designed, but for the tracks list's width
    EXPECT_EQ(Frm->size(), QSize(TMainFrm::MinClientWidth, TMainFrm::ClientHeight));
    OpenDvd(QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight));
    Keys(Qt::Key_Right);
    Keys(Qt::Key_Right);
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketLeft);
    ASSERT_EQ(Frm->StartMs(), 2000);
    const int64_t end = Frm->EndMs();

    auto* renderer = qobject_cast<media::TVideoRendererWidget*>(Frm->VideoWin->VideoHandle());
    ASSERT_NE(renderer, nullptr);
    ASSERT_TRUE(renderer->HasFrame());
    const double aspect = renderer->DisplayAspect();
    const QRect picture0 = renderer->PictureRect();
    EXPECT_EQ(Frm->VideoWin->geometry(), QRect(24, 14, 233, 162));
    const QRect summary0 = Frm->skinPanel1->geometry();
    const QRect rip0 = Frm->ExtractBtn->geometry();
    const int channel0 = Bar->channelRect().width();
    const int edit0 = Frm->outputFileEdit->width();

    auto markersWhereTheyBelong = [&] {
        const int base = Bar->x() + Frm->TrackMargin();
        const int64_t w = Bar->width() - 2 * Frm->TrackMargin();
        const int64_t span = Bar->viewTo() - Bar->viewFrom();
        EXPECT_EQ(Frm->StartPointBtn->x(), base + int(w * (2000 - Bar->viewFrom()) / span));
        EXPECT_EQ(Frm->EndPointBtn->geometry().right() + 1,
                  base + int(w * (end - Bar->viewFrom()) / span));
        EXPECT_EQ(Frm->StartPointBtn->y(), Bar->geometry().bottom() + 1);
    };
    markersWhereTheyBelong();

    const QSize big(TMainFrm::ClientWidth + 232, 600);
    Frm->resize(big);
    Pump(50);
    ASSERT_EQ(Frm->size(), big);
    // A third of the extra width goes to the tracks list (long titles), the rest to the
    // track bar, its channel, the strip and the edits.
    const int extra = big.width() - TMainFrm::ClientWidth;
    const int dx = extra - extra / 3;
    EXPECT_EQ(Frm->TrackListGroup->width(), TMainFrm::TrackListWidth + extra / 3);
    EXPECT_EQ(Frm->TrackListGroup->geometry().right(), big.width() - 11);
    EXPECT_EQ(Bar->width(), 250 + dx);
    EXPECT_EQ(Bar->channelRect().width(), channel0 + dx);
    EXPECT_EQ(Frm->TimeStrip->barRect().width(), Bar->channelRect().width());
    EXPECT_EQ(Frm->outputFileEdit->width(), edit0 + dx);
    // The summary keeps its size at the right, the Rip button its corner.
    EXPECT_EQ(Frm->skinPanel1->size(), summary0.size());
    EXPECT_EQ(Frm->skinPanel1->geometry().right(), summary0.right() + dx);
    EXPECT_EQ(Frm->ExtractBtn->geometry(), rip0.translated(dx, big.height() - 394));
    // The picture grows, its shape kept, and fills its box one way.
    const QRect picture = renderer->PictureRect();
    EXPECT_GT(picture.width(), picture0.width() * 3 / 2);
    EXPECT_NEAR(double(picture.width()) / picture.height(), aspect, 0.02);
    EXPECT_TRUE(picture.width() >= renderer->width() - 1 ||
                picture.height() >= renderer->height() - 1);
    EXPECT_EQ(renderer->geometry(), Frm->VideoWin->geometry());
    EXPECT_EQ(Frm->TimePanel->geometry().top(), Frm->VideoWin->geometry().bottom() + 1);
    EXPECT_LT(Frm->TimePanel->geometry().bottom(), Frm->TimeStrip->geometry().top());
    markersWhereTheyBelong();

    // Maximised and full screen fill the screen; F11 goes back to maximised.
    const QRect screen = Frm->screen()->availableGeometry();
    Frm->showMaximized();
    Pump(50);
    EXPECT_EQ(Frm->frameGeometry(), screen);
    markersWhereTheyBelong();
    Keys(Qt::Key_F11);
    Pump(50);
    EXPECT_TRUE(Frm->isFullScreen());
    EXPECT_EQ(Frm->frameGeometry(), Frm->screen()->geometry());
    Keys(Qt::Key_F11);
    Pump(50);
    EXPECT_TRUE(Frm->isMaximized());
    Frm->showNormal();
    Pump(50);
    EXPECT_EQ(Frm->size(), big);
    EXPECT_EQ(Bar->channelRect().width(), channel0 + dx);
}

TEST_F(WindowTimeLineTest, ZoomAndScrollKeepTheTimeUnderThePointer) {
    OpenDvd(QSize(760, 520));
    const QRect ch = Bar->channelRect();
    const int x = ch.left() + ch.width() * 3 / 10;
    const int64_t t0 = At(x);
    const int64_t stretch0 = At(x + 100) - t0;

    // Ctrl+wheel over the channel zooms in around the pointer.
    Wheel(Bar, QPoint(x, Y), 120, Qt::ControlModifier);
    EXPECT_TRUE(Bar->zoomed());
    EXPECT_NEAR(At(x), t0, 1);
    EXPECT_NEAR(double(At(x + 100) - t0), stretch0 / 1.5, 2);
    // ... down to 10 ms a pixel and no further.
    for (int i = 0; i < 12; ++i)
        Wheel(Bar, QPoint(x, Y), 120, Qt::ControlModifier);
    EXPECT_EQ(Bar->viewTo() - Bar->viewFrom(), 10 * ch.width());
    EXPECT_NEAR(At(x), t0, 2);
    EXPECT_EQ(At(x + 100) - At(x), 1000);

    // The plain wheel scrolls an eighth of the view a notch; backwards goes on in time.
    const int64_t span = Bar->viewTo() - Bar->viewFrom();
    const int64_t before = At(x);
    Wheel(Bar, QPoint(x, Y), -120);
    EXPECT_NEAR(At(x), before + span / 8, 1);
    Wheel(Frm->TimeStrip, QPoint(10, 4), 240); // over the strip too
    EXPECT_NEAR(At(x), before - span / 8, 1);

    // Pressing the strip centres the view there; dragging carries it along.
    TTimeOverview* strip = Frm->TimeStrip;
    ASSERT_LT(Bar->viewTo(), 5500);
    QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->xOf(6000), 4));
    const int64_t unit = Frm->DurationMs() / strip->barRect().width() + 1;
    EXPECT_NEAR(Bar->viewFrom() + span / 2, 6000, unit);
    QTest::mouseMove(strip, QPoint(strip->xOf(4500), 4));
    QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->xOf(4500), 4));
    EXPECT_NEAR(Bar->viewFrom() + span / 2, 4500, 2 * unit);
    EXPECT_EQ(Bar->viewTo() - Bar->viewFrom(), span);

    // Clicking the channel puts the position under the pointer; Ctrl+Minus and Ctrl+Plus
    // zoom around it, keeping it on its pixel.
    const int px = ch.left() + ch.width() / 2;
    QTest::mouseClick(Bar, Qt::LeftButton, Qt::NoModifier, QPoint(px, Y));
    const int position = Bar->position();
    EXPECT_EQ(position, At(px));
    Keys(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(Bar->viewTo() - Bar->viewFrom(), 2 * span);
    EXPECT_NEAR(X(position), px, 1);
    Keys(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Bar->viewTo() - Bar->viewFrom(), span);
    EXPECT_NEAR(X(position), px, 1);

    // The position leaving the view brings it along (a page on).
    Keys(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_GE(Bar->position(), Bar->viewFrom());
    EXPECT_LE(Bar->position(), Bar->viewTo());

    // Ctrl+0 shows all; Ctrl+R fits the range with a little room on both sides.
    Keys(Qt::Key_0, Qt::ControlModifier);
    EXPECT_FALSE(Bar->zoomed());
    EXPECT_EQ(At(ch.left()), 0);
    EXPECT_EQ(At(ch.right() + 1), Frm->DurationMs());
    Keys(Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        Keys(Qt::Key_Right);
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketLeft);
    for (int i = 0; i < 5; ++i)
        Keys(Qt::Key_Right);
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketRight);
    ASSERT_EQ(Frm->StartMs(), 3000);
    ASSERT_EQ(Frm->EndMs(), 8000);
    Keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_LT(Bar->viewFrom(), 3000);
    EXPECT_GT(Bar->viewFrom(), 2800);
    EXPECT_GT(Bar->viewTo(), 8000);
    EXPECT_LT(Bar->viewTo(), 8200);
    EXPECT_TRUE(Frm->StartPointBtn->isVisible());
    EXPECT_TRUE(Frm->EndPointBtn->isVisible());
    // The context menu offers the same (checked by its presence only).
    EXPECT_EQ(Bar->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(WindowTimeLineTest, ZoomedDetailTicksAndMarkersToTheMillisecondReachTheRip) {
    AppSettings.AudioSampleRate = 48000;
    AppSettings.AudioBitrate = 256;
    OpenDvd(QSize(760, 520));
    const QRect ch = Bar->channelRect();

    // Tick times (chapters) show below the channel at every zoom, and on the strip; they
    // end with the ruler's strokes, above its labels, which they would strike through.
    Bar->setTickTimes({2500, 3900, 7500});
    auto tickAt = [&](int64_t ms) {
        const QImage shot = Bar->grab().toImage();
        const double scale = shot.width() / double(Bar->width());
        const QColor tick(0xD0, 0x60, 0x00);
        return shot.pixelColor(int(X(ms) * scale), int((ch.bottom() + 2) * scale)) == tick &&
               shot.pixelColor(int(X(ms) * scale), int((Bar->height() - 2) * scale)) != tick;
    };
    EXPECT_TRUE(tickAt(2500));
    EXPECT_TRUE(tickAt(7500));

    // Zoomed in to 10 ms a pixel around 3.8 s by the keys: the position first.
    for (int i = 0; i < 3; ++i)
        Keys(Qt::Key_Right);
    Keys(Qt::Key_Right); // 4000
    for (int i = 0; i < 8; ++i)
        Keys(Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_EQ(Bar->viewTo() - Bar->viewFrom(), 10 * ch.width());
    ASSERT_LE(Bar->viewFrom(), 3700);
    EXPECT_TRUE(tickAt(3900));
    EXPECT_FALSE(Frm->StartPointBtn->isVisible()); // 0 ms is out of view

    // The channel draws the finer loudness of the view: a column where the overview's
    // bucket still holds sound but the sound has stopped is empty once the detail is there.
    ASSERT_TRUE(WaitFor([&] { return Frm->Detail->ChunkAt(3.7) != nullptr; }));
    Pump(50);
    const auto coarse = Frm->Envelope->Snapshot();
    // The bucket that holds 3.78 s starts before the sound stops (3.755 s).
    ASSERT_GT(coarse->buckets.at(size_t(3.78 / coarse->bucketSeconds)).peak, 0.05f);
    ASSERT_TRUE(SilentAtWindowTime(3780));
    ASSERT_FALSE(SilentAtWindowTime(3700));
    const QImage shot = Bar->grab().toImage();
    const double scale = shot.width() / double(Bar->width());
    auto marked = [&](int64_t ms) { // the range is all of it: the background is blue
        int n = 0;
        for (int y = int((ch.top() + 2) * scale); y < int((ch.bottom() - 2) * scale); ++y)
            if (shot.pixelColor(int(X(ms) * scale), y) != QColor(0, 0, 255))
                ++n;
        return n;
    };
    EXPECT_GT(marked(3700), 2);
    EXPECT_EQ(marked(3780), 0);

    // The start marker dragged in the zoomed view: its time is the time under its left
    // edge, to the millisecond, and the range shows milliseconds.
    Frm->TrackBar->setPosition(3400);
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketLeft);
    ASSERT_EQ(Frm->StartMs(), 3400);
    ASSERT_TRUE(Frm->StartPointBtn->isVisible());
    const int to = Frm->StartPointBtn->x() + 37;
    DragMarkerTo(Frm->StartPointBtn, to);
    EXPECT_EQ(Frm->StartPointBtn->x(), to);
    const int64_t dragged = TimeAtWindowX(to);
    EXPECT_EQ(Frm->StartMs(), dragged);
    EXPECT_NEAR(double(dragged), 3400 + 370, 10);
    EXPECT_EQ(Frm->startPointEdit->text(),
              QStringLiteral("0:00:03.%1").arg(dragged - 3000, 3, 10, QLatin1Char('0')));
    // The fine steps keep their 100 ms.
    Frm->startPointDownBtnMouseDown();
    Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    const int64_t startMs = Frm->StartMs();
    ASSERT_EQ(startMs, dragged - 100);
    // "]" puts the end marker at the position, any millisecond.
    Frm->TrackBar->setPosition(int(startMs + 1511));
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketRight);
    const int64_t endMs = Frm->EndMs();
    ASSERT_EQ(endMs, startMs + 1511);
    EXPECT_EQ(Frm->endPointEdit->text(),
              QStringLiteral("0:00:05.%1").arg(endMs - 5000, 3, 10, QLatin1Char('0')));

    // The rip holds exactly that range.
    const QString output = FreshDir(QStringLiteral("zoomed")) + QStringLiteral("/fine.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    ASSERT_EQ(mp3.sampleRate, 48000);
    EXPECT_NEAR(double(mp3.frames()), double((endMs - startMs) * 48), 48.0);
    const int64_t expectedFirst = startMs * 48 - 256;
    const auto source = fs::SourceS16(fs::kDvdStereo, 48000, 0, int64_t(fs::kDvdSeconds * 48000));
    const std::vector<int16_t> head(mp3.samples.begin(), mp3.samples.begin() + 24000 * 2);
    double score = 0;
    const int64_t at =
        FindBestOffset(source, head, 2, expectedFirst - 4800, expectedFirst + 4800, &score);
    EXPECT_GT(score, 0.9);
    EXPECT_NEAR(double(at), double(expectedFirst), 2.0);
}

TEST_F(WindowTimeLineTest, AltDragAndTheSnapKeyFindTheSilence) {
    OpenDvd(QSize(568, 394));
    // Not zoomed (about 40 ms a pixel, the overview's 100 ms buckets): without Alt the
    // start marker goes where the pointer is, in the sound at about 3.4 s; with Alt it
    // lands in a pause within half a second of there.
    DragMarkerTo(Frm->StartPointBtn, WX(3400));
    const int64_t loud = Frm->StartMs();
    EXPECT_EQ(loud, TimeAtWindowX(WX(3400)));
    ASSERT_FALSE(SilentAtWindowTime(loud)) << loud;
    DragMarkerTo(Frm->StartPointBtn, WX(3400), Qt::AltModifier);
    EXPECT_TRUE(SilentAtWindowTime(Frm->StartMs())) << Frm->StartMs();
    EXPECT_LE(std::abs(Frm->StartMs() - loud), 500);
    EXPECT_EQ(Frm->StartPointBtn->x(), WX(Frm->StartMs()));

    // Zoomed in, with the finer loudness: "]" at 6.5 s, then S, snaps the end marker into
    // the nearest pause (from 6.75 s).
    Frm->TrackBar->setPosition(6500);
    for (int i = 0; i < 6; ++i)
        Keys(Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_TRUE(Bar->unitsPerPixel() < 20);
    ASSERT_TRUE(WaitFor([&] { return Frm->Detail->ChunkAt(6.5) != nullptr; }));
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_BracketRight);
    ASSERT_EQ(Frm->EndMs(), 6500);
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_S);
    EXPECT_TRUE(SilentAtWindowTime(Frm->EndMs())) << Frm->EndMs();
    EXPECT_GT(Frm->EndMs(), 6750);
    EXPECT_LE(Frm->EndMs(), 7000);
    EXPECT_EQ(Frm->TrackBar->selEnd(), Frm->EndMs());
    EXPECT_EQ(Frm->EndPointBtn->geometry().right() + 1, WX(Frm->EndMs()));
    // Once in the silence it stays.
    const int64_t end = Frm->EndMs();
    QTest::keyClick(Frm->ExtractBtn, Qt::Key_S);
    EXPECT_EQ(Frm->EndMs(), end);
}

TEST_F(WindowTimeLineTest, WindowPlaceIsRememberedOnAScreenThatStillShowsIt) {
    const QString hive = FreshDir(QStringLiteral("place")) + QStringLiteral("/registry.reg");
    const QByteArray previous = qgetenv("SONAVEL_REGISTRY");
    qputenv("SONAVEL_REGISTRY", hive.toUtf8());
    LoadSettings(); // the key exists from the first start on
    TipsIndex = TipsOff;
    const QRect screen = Frm->screen()->availableGeometry();

    // Another session: the window closes (saving its place), then a new one is made.
    auto create = [&] {
        Frm = std::make_unique<TTestMainFrm>();
        Frm->show();
        Pump(30);
    };
    auto reopen = [&] {
        Frm->close();
        create();
    };
    const QRect placed(screen.left() + 40, screen.top() + 30, TMainFrm::ClientWidth + 132, 480);
    Frm->setGeometry(placed);
    Pump(30);
    reopen();
    EXPECT_EQ(Frm->geometry(), placed);
    EXPECT_FALSE(Frm->isMaximized());
    {
        TRegistry reg(hive);
        ASSERT_TRUE(reg.OpenKey(RegistryKey, false));
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("WindowWidth")), placed.width());
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("WindowMaximized")), 0);
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioBitrate")), 192); // the others stay
    }

    // Maximised: comes back maximised, and goes back to the same normal place.
    Frm->showMaximized();
    Pump(30);
    reopen();
    EXPECT_TRUE(Frm->isMaximized());
    Frm->showNormal();
    Pump(30);
    EXPECT_EQ(Frm->geometry(), placed);

    // A place no screen shows any more (a second monitor unplugged): the window comes up
    // on the screen at its size; odd values are not used.
    Frm->close();
    {
        TRegistry reg(hive);
        ASSERT_TRUE(reg.OpenKey(RegistryKey, false));
        reg.WriteInteger(QStringLiteral("WindowLeft"), screen.right() + 200);
        reg.WriteInteger(QStringLiteral("WindowMaximized"), 0);
    }
    create();
    EXPECT_TRUE(screen.contains(Frm->geometry())) << Frm->geometry().x();
    EXPECT_EQ(Frm->size(), placed.size());
    Frm->close();
    {
        TRegistry reg(hive);
        ASSERT_TRUE(reg.OpenKey(RegistryKey, false));
        reg.WriteString(QStringLiteral("WindowWidth"), QStringLiteral("wide"));
    }
    create();
    EXPECT_EQ(Frm->size(), QSize(TMainFrm::ClientWidth, TMainFrm::ClientHeight));
    EXPECT_TRUE(screen.contains(Frm->geometry()));

    // The choice itself, with two screens of which the second went away, and a saved
    // size larger than the screen that is left.
    TWindowPlacement stored{true, QRect(2000, 100, 900, 700), false};
    const QRect left(0, 0, 1920, 1050), right(1920, 0, 1280, 1000);
    const QRect fallback(100, 100, 568, 394);
    EXPECT_EQ(ChooseWindowRect(stored, {left, right}, QSize(568, 394), fallback), stored.normal);
    EXPECT_EQ(ChooseWindowRect(stored, {left}, QSize(568, 394), fallback), fallback);
    stored.normal = QRect(1800, 100, 900, 700); // mostly on the right one, title reachable on both
    EXPECT_EQ(ChooseWindowRect(stored, {left}, QSize(568, 394), fallback),
              QRect(1920 - 900, 100, 900, 700));
    stored.normal = QRect(10, 10, 3000, 2000);
    EXPECT_EQ(ChooseWindowRect(stored, {left}, QSize(568, 394), fallback), left);

    Frm->close();
    qputenv("SONAVEL_REGISTRY", previous);
}
