// TMainFrm: the window's keys (as video editors have them) and opening a file dropped
// on the window.
#include "ui/main/main_frm.h"

#include "media/dvd/dvd_path.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace {
// The one local file (or DVD folder) a drag carries, else an empty text.
QString DraggedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1)
        return QString();
    const QUrl url = mime->urls().first();
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    return info.isFile() || (info.isDir() && !dvd::DvdRootFor(path).isEmpty()) ? path : QString();
}
} // namespace

void TMainFrm::InstallKeyFilter() {
    // The track bar takes the arrows for itself: the window sees the keys first. The
    // output edit keeps every key for typing (its unused ones still reach the window).
    // The tracks list keeps its keys too (arrows choose, typing renames).
    // The range's time boxes keep their keys for typing, as the output edit does.
    for (QWidget* w : findChildren<QWidget*>())
        if (w != outputFileEdit && w != sourceFileEdit && // the source edit is filtered already
            w != startPointEdit && w != endPointEdit && w != TrackListView &&
            !TrackListView->isAncestorOf(w))
            w->installEventFilter(this);
    // Keyboard users go through the window as it reads: the preview column top down, the
    // summary, the rip's buttons at its foot, then the tracks list. A click does not give a
    // button the focus, so Space stays play/pause for mouse users.
    const QList<QWidget*> order{VideoWin,       TrackBar,       PlayBtn,       PauseBtn,
                                BeginBtn,       EndBtn,         OpenBtn,       sourceFileEdit,
                                OpenFileBtn,    outputFileEdit, SaveFileBtn,   MP3SettingsEdit,
                                Id3TagEdit,     startPointEdit, endPointEdit,  AudioTrackBox,
                                TitleBox,       AngleBox,       ChapterBox,    CancelBtn,
                                skinButton1,    skinButton2,    ExtractBtn,    TrackListView,
                                TrackUpBtn,     TrackDownBtn,   FindSongsBtn,  AddRangeBtn,
                                RenameTrackBtn, RemoveTrackBtn, ClearTracksBtn};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ExtractBtn, CancelBtn, skinButton1, skinButton2, TrackBar, PlayBtn, PauseBtn, BeginBtn,
             EndBtn, OpenBtn, OpenFileBtn, SaveFileBtn})
        w->setFocusPolicy(Qt::TabFocus);
    PlayBtn->setHint(tr("Play (Space)"));
    PauseBtn->setHint(tr("Pause (Space)"));
    BeginBtn->setHint(tr("to the Begin (Home)"));
    EndBtn->setHint(tr("to the End (End)"));
    OpenBtn->setHint(tr("Open File (Ctrl+O)"));
    TrackBar->setToolTip(tr("Left/Right: 1 s back/on (Shift: 10 s); "
                            "[ and ]: start and end of the range here; "
                            "Ctrl+wheel: zoom (right button: more)\n"
                            "DVD: PageUp/PageDown: previous/next chapter; "
                            "Ctrl+[ and Ctrl+]: start and end at the nearest "
                            "chapter mark; double-click: that chapter"));
}

bool TMainFrm::KeyForFocusedButton(QObject* watched, QEvent* event) const {
    // Space presses the button (or follows the link) that has the focus.
    const auto* button = qobject_cast<const QAbstractButton*>(watched);
    const auto* key = static_cast<const QKeyEvent*>(event);
    return button && button->window()->focusWidget() == button && key->key() == Qt::Key_Space &&
           !(key->modifiers() & ~Qt::KeypadModifier);
}

bool TMainFrm::HandleWindowKey(int Key, Qt::KeyboardModifiers Shift) {
    const Qt::KeyboardModifiers mods =
        Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (Key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (!Running())
            return false;
        CancelBtnClick();
        return true;
    }
    if (Key == Qt::Key_O && mods == Qt::ControlModifier) {
        OpenFileBtnClick();
        return true;
    }
    if ((Key == Qt::Key_BracketLeft || Key == Qt::Key_BracketRight) &&
        mods == Qt::ControlModifier && !FDvd.locator.isEmpty()) {
        SetMarkerAtChapterBoundary(Key == Qt::Key_BracketLeft ? TMarker::Start : TMarker::End);
        return true;
    }
    if (HandleTimeLineKey(Key, mods))
        return true;
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (Key) {
    case Qt::Key_Space:
        // Nothing to play yet: the key is left to whoever wants it.
        if (FRange.DurationMs() <= 0)
            return false;
        if (PauseBtn->isEnabled())
            PauseBtnClick();
        else
            PlayBtnClick();
        return true;
    case Qt::Key_Left:
        SeekBy(mods & Qt::ShiftModifier ? -10000 : -1000);
        return true;
    case Qt::Key_Right:
        SeekBy(mods & Qt::ShiftModifier ? 10000 : 1000);
        return true;
    case Qt::Key_Home:
        BeginBtnClick();
        return true;
    case Qt::Key_End:
        EndBtnClick();
        return true;
    case Qt::Key_BracketLeft:
        SetMarkerAtPosition(TMarker::Start);
        return true;
    case Qt::Key_BracketRight:
        SetMarkerAtPosition(TMarker::End);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (FDvd.locator.isEmpty() || mods != Qt::NoModifier)
            return false;
        StepChapter(Key == Qt::Key_PageUp ? -1 : 1);
        return true;
    default:
        return false;
    }
}

void TMainFrm::SeekBy(int64_t deltaMs) {
    if (FRange.DurationMs() <= 0)
        return;
    const int64_t t = std::clamp<int64_t>(TrackBar->position() + deltaMs, TrackBar->minimum(),
                                          TrackBar->maximum());
    TrackBar->setPosition(int(t));
}

void TMainFrm::SetMarkerAtPosition(TMarker marker) {
    if (!IsIdle() || FRange.DurationMs() <= 0)
        return;
    const int64_t t = TrackBar->position();
    // The rules of dragging: the markers stay a second apart and inside the source.
    if (!FRange.Allows(marker, t, TRangeModel::MarkerGapMs))
        return;
    FRange.Set(marker, t);
    ShowMarkerOnBar(marker);
    FRange.SetActive(marker);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}

void TMainFrm::keyPressEvent(QKeyEvent* e) {
    const bool taken = e == FRuleKeyEvent;
    FRuleKeyEvent = nullptr;
    if (taken) {
        QWidget::keyPressEvent(e);
        return;
    }
    bool handled = false;
    Guarded([&] { handled = HandleWindowKey(e->key(), e->modifiers()); });
    if (handled)
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

void TMainFrm::dragEnterEvent(QDragEnterEvent* e) {
    // Refused silently while a source opens or a rip runs.
    if (IsIdle() && !DraggedFile(e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TMainFrm::dropEvent(QDropEvent* e) {
    const QString path = DraggedFile(e->mimeData());
    if (!IsIdle() || path.isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Opening waits in a loop of its own: not inside the drop, which the file manager
    // waits for.
    QTimer::singleShot(0, this, [this, path] { Guarded([&] { OpenSourceFile(path); }); });
}
