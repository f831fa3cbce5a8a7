// TMainFrm: the names and descriptions a screen reader gives the controls whose look
// (a picture, "...", a bare time) says nothing by itself.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image_button.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/time_overview.h"
#include "ui/skin/track_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// The main window is a frame to a screen reader (a plain widget would be a filler).
QAccessibleInterface* MainWindowFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TMainFrm") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}
} // namespace

void TMainFrm::NameControls() {
    static const bool installed = [] {
        QAccessible::installFactory(MainWindowFactory);
        return true;
    }();
    (void)installed;
    auto name = [](QWidget* w, const QString& n, const QString& description = QString()) {
        w->setAccessibleName(n);
        if (!description.isEmpty())
            w->setAccessibleDescription(description);
    };
    name(VideoWin, tr("Preview"));
    name(PlayBtn, tr("Play"));
    name(PauseBtn, tr("Pause"));
    name(BeginBtn, tr("to the Begin"));
    name(EndBtn, tr("to the End"));
    name(OpenBtn, tr("Open File"));
    name(modifyBtn, tr("Modify"));
    // Beside the transport's Open File: the same action with the recent files' menu.
    name(OpenFileBtn, tr("Choose the source file"), tr("The arrow: the files opened last"));
    name(ProgressBar, tr("Rip progress"));
    name(SaveFileBtn, tr("Save Output MP3 File..."));
    name(sourceFileEdit, tr("Source File"));
    name(outputFileEdit, tr("Output File"));
    sourceFileLabel->setBuddy(sourceFileEdit);
    outputFileLabel->setBuddy(outputFileEdit);
    name(startPointEdit, tr("Start of the range"),
         tr("The time the rip starts at, h:mm:ss.t; the arrows move it by 100 ms"));
    name(endPointEdit, tr("End of the range"),
         tr("The time the rip ends at, h:mm:ss.t; the arrows move it by 100 ms"));
    name(startPointUpBtn, tr("Start later"), tr("Moves the start of the range 100 ms later"));
    name(startPointDownBtn, tr("Start earlier"), tr("Moves the start of the range 100 ms earlier"));
    name(endPointUpBtn, tr("End later"), tr("Moves the end of the range 100 ms later"));
    name(endPointDownBtn, tr("End earlier"), tr("Moves the end of the range 100 ms earlier"));
    name(TrackBar, tr("Position"), tr("The preview's position in the source"));
    TrackBar->setValueText([](int ms) { return FormatTimeText(ms); });
    name(TimeStrip, tr("Time line"));
    name(TrackListView, tr("Tracks"));
    name(AudioTrackBox, tr("Audio"));
    name(TitleBox, tr("DVD title"));
    name(AngleBox, tr("Angle"));
    name(ChapterBox, tr("Chapter"));
    name(TrackUpBtn, tr("Move the chosen track up"));
    name(TrackDownBtn, tr("Move the chosen track down"));
    name(TimeLabel, tr("Position"));
    name(TotalTimeLabel, tr("Duration"));
}
