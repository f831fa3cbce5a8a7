// TMainFrm: the controls placed for the window's present size, full screen, and the
// window's place remembered from one session to the next.
//
// The designed layout (ClientWidth × ClientHeight) is the smallest but in width, where
// the tracks list alone narrows (MinClientWidth). What the window has more goes to the
// preview, whose box keeps the picture's shape, to the time line (the strip, the track bar
// and its channel, the file edits) and to the tracks list in width; the summary keeps its
// width; the buttons stay at the bottom.
#include "ui/main/main_frm.h"

#include "mediagraph/video_renderer_widget.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/main/window_placement.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/time_overview.h"
#include "ui/skin/track_bar.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace {
// The preview's designed box: the smallest it gets, and its shape before a picture shows.
constexpr int PreviewLeft = 24;
constexpr int PreviewTop = 14;
constexpr int PreviewWidth = 233;
constexpr int PreviewHeight = 162;
constexpr int TimePanelHeight = 18;
constexpr int SummaryLeft = 282;     // at the designed width
constexpr int RulerHeight = 11;      // the track bar's time labels, what the left column moves down
constexpr int ChannelHeight = 16;    // the track bar's channel at the designed size
constexpr int MaxChannelGrowth = 48; // and what it takes of the height the picture leaves
} // namespace

void TMainFrm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    LayoutControls();
}

void TMainFrm::LayoutControls() {
    // A third of what the window has more goes to the tracks list (long titles), the rest
    // to the preview and the time line.
    // Narrower than designed: the tracks list gives it up.
    const int extra = width() - ClientWidth;
    const int tracksExtra = extra > 0 ? extra / 3 : std::max(extra, MinClientWidth - ClientWidth);
    const int dx = std::max(0, extra - tracksExtra);
    const int dy = std::max(0, height() - ClientHeight);
    Splitter1->setGeometry(0, 0, width(), 3);

    // The picture's shape once one is shown, else the designed box's.
    double aspect = double(PreviewWidth) / PreviewHeight;
    if (auto* renderer = qobject_cast<media::TVideoRendererWidget*>(VideoWin->VideoHandle()))
        if (renderer->HasFrame() && renderer->DisplayAspect() > 0)
            aspect = renderer->DisplayAspect();
    const int areaWidth = PreviewWidth + dx;
    int areaHeight = PreviewHeight + dy;
    int boxWidth = std::min(areaWidth, int(std::lround(areaHeight * aspect)));
    int boxHeight = std::min(areaHeight, int(std::lround(boxWidth / aspect)));
    // Never under the designed box: a picture of another shape is letter-boxed in it.
    boxWidth = std::max(boxWidth, PreviewWidth);
    boxHeight = std::max(boxHeight, PreviewHeight);
    // Height the picture's shape leaves unused deepens the track bar's channel, where the
    // loudness shows the songs and their pauses.
    const int deeper = std::clamp(areaHeight - boxHeight, 0, MaxChannelGrowth);
    areaHeight -= deeper;
    const int boxLeft = PreviewLeft + (areaWidth - boxWidth) / 2;
    const int boxTop = PreviewTop + (areaHeight - boxHeight) / 2;
    VideoWin->setGeometry(boxLeft, boxTop, boxWidth, boxHeight);
    TimePanel->setGeometry(boxLeft, boxTop + boxHeight, boxWidth, TimePanelHeight);
    TotalTimeLabel->setGeometry(boxWidth - 123, 0, 119, TimePanelHeight);

    // The time line and the transport under the preview.
    const int lineTop = 197 + dy - deeper;
    TimeStrip->setGeometry(16, lineTop, 250 + dx, 8);
    // The bar is taller than the designed one: its ruler of times sits under the channel.
    TrackBar->setChannelHeight(ChannelHeight + deeper);
    TrackBar->setGeometry(16, lineTop + 9, 250 + dx,
                          TrackBar->channelRect().bottom() + 7 + RulerHeight);
    const int markerTop = TrackBar->geometry().bottom() + 1;
    StartPointBtn->move(StartPointBtn->x(), markerTop);
    EndPointBtn->move(EndPointBtn->x(), markerTop);
    // What stands under the bar moves down by what it grew over the designed 24 pixels.
    const int fy = markerTop - 230;
    int x = 40;
    for (TImageButton* b : {PlayBtn, PauseBtn, BeginBtn, EndBtn, OpenBtn, modifyBtn}) {
        b->move(x, 245 + fy);
        x += 42;
    }

    // The file edits take the width of the time line.
    sourceFileLabel->move(16, 280 + fy);
    sourceFileEdit->setGeometry(16, 297 + fy, 211 + dx, 23);
    OpenFileBtn->move(230 + dx, 297 + fy); // its right edge under the "..." of the output
    outputFileLabel->move(16, 324 + fy);
    outputFileEdit->setGeometry(16, 341 + fy, 224 + dx, 23);
    SaveFileBtn->move(243 + dx, 341 + fy);

    // The summary keeps its size at the right; the rip's controls stay at the bottom.
    skinPanel1->move(SummaryLeft + dx, 6);
    // The tracks list beside it takes its share of the width and the height.
    TrackListGroup->setGeometry(ClientWidth - TrackListWidth - 10 + dx, 6,
                                TrackListWidth + tracksExtra, 382 + dy);
    PlaceTrackButtons();
    ProgressPanel->move(SummaryLeft + dx, BottomRowTop + dy);
    skinButton1->move(288 + dx, BottomRowTop + 12 + dy);
    skinButton2->move(364 + dx, BottomRowTop + 12 + dy);
    // Its right edge stays.
    ExtractBtn->move(558 + dx - ExtractBtn->width(), BottomRowTop + 8 + dy);
    HintPanel->move((width() - HintPanel->width()) / 2, (height() - HintPanel->height()) / 2);

    PlaceMarker(TMarker::Both);
}

void TMainFrm::ToggleFullScreen() {
    if (isFullScreen()) {
        setWindowState(FWasMaximized ? Qt::WindowMaximized : Qt::WindowNoState);
    } else {
        FWasMaximized = isMaximized();
        setWindowState(Qt::WindowFullScreen);
    }
}

void TMainFrm::RestorePlacement() {
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const TWindowPlacement stored = LoadWindowPlacement();
    // Where no screen shows the stored place: its size (as far as it fits) in the middle
    // of the main screen.
    QRect fallback(QPoint(0, 0), stored.valid ? stored.normal.size() : size());
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect area = primary->availableGeometry();
        fallback.setSize(fallback.size().boundedTo(area.size()).expandedTo(minimumSize()));
        fallback.moveCenter(area.center());
        // Wider or taller than the screen (a large scale factor): its title bar and its
        // left column stay on the screen, what does not fit goes off at the right.
        fallback.moveTopLeft(
            QPoint(std::max(fallback.left(), area.left()), std::max(fallback.top(), area.top())));
    }
    setGeometry(ChooseWindowRect(stored, screens, minimumSize(), fallback));
    if (stored.valid && stored.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainFrm::SavePlacement() {
    TWindowPlacement placement;
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    placement.normal = normal || normalGeometry().isEmpty() ? geometry() : normalGeometry();
    placement.maximized = (windowState() & Qt::WindowFullScreen)
                              ? FWasMaximized
                              : bool(windowState() & Qt::WindowMaximized);
    placement.valid = placement.normal.isValid();
    SaveWindowPlacement(placement);
}
