#pragma once

// The program's only working window: opening a source and previewing it, choosing the
// range, the output and the settings, and the rip itself.
//
// One class split by concern over the main_frm*.cpp files; this header is their table of
// contents: the components first, then each file's functions (and the fields only it
// uses) under its name, then the state the files share. Three parts are classes of their
// own: TRangeModel (range_model.h, the range and its rules), TSourceOpener
// (source_opener.h, opening a source on its thread) and TRunSession (run_session.h, the
// MP3 output and its runs).
//
// Threads: a widget of the GUI thread; every handler runs there and every field below is
// the GUI thread's. The opening worker writes only TSourceOpener's result, which reaches
// the GUI thread by a queued call; the MP3 output's worker reads TRunSession's run input
// and reports back through the output's OnDone / OnThreadException, both delivered on the
// GUI thread.

#include "app/dvd_choice.h"
#include "app/globals.h"
#include "app/track_list.h"
#include "base/exception.h"
#include "media/media_audio_stream.h"
#include "mediagraph/media_interfaces.h"
#include "ui/dialogs/reports.h"
#include "ui/main/range_model.h"
#include "ui/main/window_edit.h"
#include "ui/skin/track_bar.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPainter;
class QPushButton;
class QTimer;
class TCaptionProgressBar;
class TFilterGraph;
class TImage;
class TImageButton;
class TLinkLabel;
class TLoudnessDetail;
class TLoudnessEnvelope;
class TMP3Out;
class TRunInput;
class TRunSession;
class TSkinPanel;
class TSourceOpener;
class QTreeWidget;
class QUndoStack;
class TSpeedButton;
class TTimeOverview;
class TTrackBar;
class TVideoWindow;
class QGroupBox;
struct TEnvelopeBucket;
struct TTrackJob;

class TMainFrm : public QWidget {
    Q_OBJECT
public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The designed size of the window's client area; the tracks list stands right of the
    // summary. Narrower than designed (a large scale factor on a small screen), only the
    // tracks list gives up width, down to MinTrackListWidth.
    static constexpr int TrackListWidth = 252;
    static constexpr int MinTrackListWidth = 200;
    static constexpr int ClientWidth = 568 + TrackListWidth + 8;
    static constexpr int MinClientWidth = ClientWidth - (TrackListWidth - MinTrackListWidth);
    static constexpr int ClientHeight = 394;
    // The row of About, Help and Rip!, where the progress panel stands during a run.
    static constexpr int BottomRowTop = 348;

    // ---- Components ---------------------------------------------------------------------
    // The preview column, the file edits and the buttons (main_frm.cpp builds them).
    QFrame* Splitter1;
    TVideoWindow* VideoWin;
    TSkinPanel* TimePanel;
    QLabel* TimeLabel;
    QLabel* TotalTimeLabel;
    TTrackBar* TrackBar;
    TTimeOverview* TimeStrip; // the whole time line above the track bar, with its view
    TImage* StartPointBtn;
    TImage* EndPointBtn;
    TImageButton* PlayBtn;
    TImageButton* PauseBtn;
    TImageButton* BeginBtn;
    TImageButton* EndBtn;
    TImageButton* OpenBtn;
    TImageButton* modifyBtn;
    QLabel* sourceFileLabel;
    QLineEdit* sourceFileEdit;
    TSpeedButton* OpenFileBtn; // its menu: the sources opened last
    QMenu* RecentMenu;         // made in main_frm_recent.cpp
    QLabel* outputFileLabel;
    QLineEdit* outputFileEdit;
    TSpeedButton* SaveFileBtn;
    QPushButton* skinButton1; // "&About"
    QPushButton* skinButton2; // "&Help"
    QPushButton* ExtractBtn;
    // Over the others while they are up: the run's progress, the opening's hint.
    TSkinPanel* ProgressPanel;
    QLabel* ProgressLabel;
    TCaptionProgressBar* ProgressBar;
    QPushButton* CancelBtn; // "&Cancel", also Escape
    TSkinPanel* HintPanel;
    QLabel* HintLabel;

    // The summary, "Output MP3 Information" (main_frm_summary.cpp).
    QGroupBox* skinPanel1;
    TSkinPanel* outputFilePanel;
    QLabel* outputFileText;
    TSkinPanel* MP3SettingsPanel;
    QLabel* MP3SettingsText1;
    QLabel* MP3SettingsText2;
    TLinkLabel* MP3SettingsEdit;
    TSkinPanel* ID3TagPanel;
    QLabel* Id3TagText1;
    QLabel* Id3TagText2;
    TLinkLabel* Id3TagEdit;
    TLinkLabel* UseAsCoverLink; // the preview's picture becomes the next rip's cover
    TSkinPanel* DurationPanel;
    QLabel* DurationText;
    QWidget* selPointPanel;
    QLineEdit* startPointEdit;
    QLineEdit* endPointEdit;
    TImageButton* startPointUpBtn;
    TImageButton* startPointDownBtn;
    TImageButton* endPointUpBtn;
    TImageButton* endPointDownBtn;
    TSkinPanel* FileSizePanel;
    QLabel* FileSizeText;
    TSkinPanel* AudioTrackPanel; // shown for sources with more than one audio stream
    QComboBox* AudioTrackBox;
    TSkinPanel* TitlePanel; // shown for a DVD: its titles
    QComboBox* TitleBox;
    TSkinPanel* AnglePanel; // shown for a DVD title with camera angles
    QComboBox* AngleBox;
    TSkinPanel* ChapterPanel; // shown for a DVD: the title's chapters as ranges
    QComboBox* ChapterBox;

    // "Tracks": ranges a rip splits into, one MP3 each (empty: the rip is the range)
    // (main_frm_track_list.cpp).
    QGroupBox* TrackListGroup;
    QTreeWidget* TrackListView; // number, title (editable), start, length
    QPushButton* AddRangeBtn;
    QPushButton* RenameTrackBtn;
    QPushButton* RemoveTrackBtn;
    QPushButton* ClearTracksBtn;
    QPushButton* TrackUpBtn;
    QPushButton* TrackDownBtn;
    QPushButton* FindSongsBtn; // the songs found in the sound's pauses fill the list

    // Without a face (main_frm.cpp).
    TFilterGraph* FilterGraph;
    TSourceOpener* Opener; // opens a source into FilterGraph on a thread of its own
    std::unique_ptr<TRunSession> RunSession; // the rips: MP3Out, Timer2 (run progress), ...
    QTimer* Timer1;                          // preview position
    QTimer* Timer3;                          // fine-adjust repeat
    TLoudnessEnvelope* Envelope; // the source's loudness overview, made in the background
    TLoudnessDetail* Detail;     // finer loudness of the part of a zoomed time line in view

    // ---- main_frm.cpp: creating the controls, showing, idleness, the event filter ------
public:
    void FormCreate();
    void FormShow();
    void Splitter1CanResize(int& NewSize, bool& Accept);
    bool IsIdle() const;
    // True while a run is going (the progress panel is up).
    bool Running() const;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The window is the active one (a finished rip notifies the desktop when not).
    virtual bool WindowActive() const;

private:
    // The Build functions make the controls at their sizes; LayoutControls places them.
    void BuildPreviewArea();
    void BuildFileArea();
    void BuildOverlays();
    void ConnectHandlers();
    // Runs a handler so that no exception leaves it: one that escapes goes to the
    // default error report.
    template <class F> static void Guarded(F&& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            ReportException(e);
        } catch (...) {
            ReportException(Exception(tr("Unknown error.")));
        }
    }

    bool FTipsShown = false;
    const QKeyEvent* FRuleKeyEvent = nullptr; // a key the source edit's rule has taken

    // ---- main_frm_close.cpp: closing, also at a signal's request ---------------------
public:
    void FormClose();
    // The desktop or the terminal asked the program to end (SIGTERM, SIGINT, SIGHUP):
    // closes any open dialog, then the window as its close button does (a run is
    // stopped, the settings are saved); what cannot be saved goes to stderr, not a box.
    void CloseForSignal();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Asks whether to stop a running rip for closing; true to close.
    bool ConfirmCloseDuringRun();
    // Tells the user, once per run, that the settings cannot be kept.
    void TellSettingsProblem();

    bool FQuietClose = false; // closing for a signal: no boxes
    bool FSettingsProblemTold = false;

    // ---- main_frm_open.cpp: opening a source, the preview's transport ----------------
public:
    void OpenFileBtnClick();
    // Opens `path` as if it had been chosen in the open dialog (the command line's FILE);
    // of a DVD, title `dvdTitle` (0: the longest) in camera angle `dvdAngle`.
    void OpenSourceFile(const QString& path, int dvdTitle = 0, int dvdAngle = 1);
    void PlayBtnClick();
    void PauseBtnClick();
    void StartPlayback();
    void PausePlayback();
    void Timer1Timer();
    void TrackBarChange();
    void BeginBtnClick();
    void EndBtnClick();
    void VideoWinDblClick();
    void sourceFileEditKeyDown(int Key, Qt::KeyboardModifiers Shift);

protected:
    // The open dialog and the opening thread, replaceable by tests. The dialog answers the
    // chosen path, or an empty text when cancelled.
    virtual QString ChooseSourceFile();
    // Starts `work` on a new thread at the highest normal priority; false when no thread
    // can be made.
    virtual bool StartOpenWorker(std::function<void()> work);

private:
    void OpenChosenFile(const QString& path, int dvdTitle, int dvdAngle);
    void OpenInBackground(const QString& path, int dvdTitle, int dvdAngle);
    // Back to the state of a window with no source (after a failed open).
    void ResetToNoSource();
    void FinishDeferredClose();
    bool MediaReady() const;

    bool FPositionFromTimer = false;

    // ---- main_frm_range.cpp: the markers, their fine steps, the channel drawing ------
public:
    void TrackBarCustomDraw(TTrackBar& Sender, TTrackBarItem Item, const QRect& ARect,
                            QPainter& Canvas, bool& DefaultDraw);
    // With Alt held the marker snaps to the quietest point near the pointer.
    void StartPointBtnMouseMove(Qt::MouseButtons Shift, int X, int Y,
                                Qt::KeyboardModifiers Keys = Qt::NoModifier);
    void EndPointBtnMouseMove(Qt::MouseButtons Shift, int X, int Y,
                              Qt::KeyboardModifiers Keys = Qt::NoModifier);
    void startPointUpBtnMouseDown();
    void startPointDownBtnMouseDown();
    void endPointUpBtnMouseDown();
    void endPointDownBtnMouseDown();
    void startPointUpBtnMouseUp();
    void Timer3Timer();
    int32_t PixelToTime(int32_t Offset) const;
    void PlaceMarkers();
    void StepMarker();
    int64_t DurationMs() const { return FRange.DurationMs(); }
    int64_t StartMs() const { return FRange.StartMs(); }
    int64_t EndMs() const { return FRange.EndMs(); }
    TMarker ActiveMarker() const { return FRange.Active(); }
    int32_t TrackMargin() const { return FTrackMargin; }

private:
    // Places the marker (or both) where its time is in the track bar's view.
    void PlaceMarker(TMarker marker);
    // The track bar's selection follows the marker's time.
    void ShowMarkerOnBar(TMarker marker);
    // A dragged marker at time t, its edge at window x newLeft.
    void MoveDraggedMarker(TMarker marker, int64_t t, int newLeft, bool snapped);

    int32_t FTrackMargin = 4; // of the track bar's channel, as its last drawing found it
    bool FStepUp = false;

    // ---- main_frm_range_edits.cpp: times typed into the range boxes ------------------
public:
    // Why the last time typed into a range box was refused (empty: it was taken).
    const QString& RangeEditRefusal() const { return FRangeEditRefusal; }

private:
    void SetupRangeEdits();
    // A time typed into the start or end box: set when it keeps the range's rules, else
    // the box shows the marker's time again and says why.
    void RangeEditDone(TMarker marker);

    QString FRangeEditRefusal;

    // ---- main_frm_run.cpp: the rip, its progress, cancelling, its end ----------------
public:
    void ExtractBtnClick();
    void Timer2Timer();
    void MP3OutDone(bool aborted);
    void MP3OutThreadException(const QString& Message);
    void SaveFileBtnClick();
    void CancelBtnClick();
    // Asks to create a missing output folder and creates it; the folder made, or empty
    // (with the output edit focused) when the user declines or it cannot be made.
    QString MakeOutputFolder(const QString& folder);
    // Copies the settings and the tag texts onto an MP3 output, as each run does.
    static void ConfigureOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag);
    // The last run's input (null before the first run).
    TRunInput* RunInput() const;
    // Whether `output` is a name the program made (the source's, or a chapter's).
    bool IsDefaultOutput(const QString& output) const;
    // The folder a list goes into for the output `output`: by default one named after the
    // album (the tag's, else the disc's label or the source's name) in the output's folder;
    // the output's own folder for a name the user gave.
    QString ListFolder(const QString& output) const;
    // After a finished run, `text` with Play (`play`), Open folder (`folder`) and Close;
    // what the desktop cannot open is said.
    static void OfferWritten(const QString& text, const QString& play, const QString& folder);
    // The names of the first of `count` files (a box has room for a few), and how many
    // follow.
    static QString FirstFilesText(const QStringList& files, int count);

protected:
    // The save dialog, replaceable by tests: the chosen path, or an empty text.
    virtual QString ChooseOutputFile(const QString& preset);

private:
    // The jobs of the next rip with their files, checked by the output rules (asking about
    // existing files and a missing folder); false when the rip must not start.
    bool PlanRunFiles(std::vector<TTrackJob>& jobs, QString& folder);
    void EnableRunControls(bool Enabled);
    // A list's run: done marks on the tracks written, the share of the one being written
    // (of `doneMs` into the jobs one after another); `written` < 0: the numbers and
    // lengths again, as without a run.
    void ShowTrackProgress(int written, int64_t doneMs);
    void ReturnToIdle();
    void StopRunForClose();
    // Moves the keyboard focus off a control about to be disabled (or a link that Space
    // would follow) to the preview, where Space plays.
    void FocusNeutralPlace();
    QString SourceAsMp3() const;
    // The extension of the format the settings choose (".mp3").
    static QString OutputExtension();
    void ShowRunFailure(const QString& reason);
    void ShowKeptAfterCancel(const QString& file);
    // A list's run stopped by Cancel: which of its files were complete and stay, where.
    void ShowCancelOutcome(int written);

    void NotifyRunEnd(const QString& body);

    // ---- main_frm_summary.cpp: the summary rows and their hover highlight -------------
public:
    void outputFilePanelMouseMove(TSkinPanel* Sender);
    void ShowOutputFile();
    void ShowMp3Settings();
    void ShowId3Tag();
    void ShowRangeInfo();

private:
    void BuildSummaryArea();
    int BuildRangeEdits(QWidget* parent); // answers the width the edits take

    // ---- main_frm_links.cpp: the settings and tag links, About, Help ------------------
public:
    void MP3SettingsEditClick();
    void Id3TagEditClick();
    void UseAsCoverClick();
    void skinButton1Click();
    void skinButton2Click();

    // ---- main_frm_tracks.cpp: the audio stream choice, the loudness overview ---------
public:
    void AudioTrackBoxChange(int Index);
    // The audio track the preview plays and the rip reads: 1-based in stream order,
    // 0 = the source's primary one (a source with a single audio stream).
    int AudioTrack() const { return FAudioTrack; }
    const std::vector<TMediaTrackInfo>& AudioTracks() const { return FAudioTracks; }

private:
    void ShowAudioTracks();
    void StartEnvelope();
    void RenderPreviewAgain();

    // ---- main_frm_keys.cpp: the window's keys, drag and drop --------------------------
public:
    // The window's keys (Space, Left/Right, Home/End, "[", "]", Ctrl+O, Escape); true
    // when the key was one of them.
    bool HandleWindowKey(int Key, Qt::KeyboardModifiers Shift);
    // A key event the focused button `watched` takes itself (Space), not the window.
    bool KeyForFocusedButton(QObject* watched, QEvent* event) const;
    void SeekBy(int64_t deltaMs);
    // Puts the start or end marker at the current position, by the dragging rules.
    void SetMarkerAtPosition(TMarker marker);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void InstallKeyFilter();

    // ---- main_frm_layout.cpp: a window of any size, full screen, its place kept ------
public:
    // Places every control for the window's present size.
    void LayoutControls();
    void ToggleFullScreen();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RestorePlacement();
    void SavePlacement();

    bool FWasMaximized = false; // before full screen

    // ---- main_frm_timeline.cpp: zooming the time line, snapping to silence ------------
public:
    void TrackBarViewChange();
    void TrackBarContextPopup(const QPoint& Pos);
    // The time line: Ctrl+wheel, Ctrl+Plus/Minus (around the position), Ctrl+R (the
    // range), Ctrl+0 (all), S (snap the marker last moved to silence), F11 (full screen).
    bool HandleTimeLineKey(int Key, Qt::KeyboardModifiers Shift);
    void ZoomBy(double factor);
    void ZoomToRange();
    void ZoomAll();
    // Moves the start or end marker to the quietest point within half a second, keeping
    // the range's rules; false when nothing is known of the sound there.
    bool SnapMarkerToSilence(TMarker marker);
    // The quietest time in [t - 500, t + 500] ∩ [lo, hi] (the middle of the quietest
    // stretch nearest to t), from the finest loudness known; t when none is known.
    int64_t QuietestTimeNear(int64_t t, int64_t lo, int64_t hi) const;
    // Loudness of the stream times [from, to) seconds from the finest data made so far.
    bool LoudnessAt(double from, double to, TEnvelopeBucket& levels) const;

private:
    void ConnectTimeLine();
    // Scrolls a zoomed view to show `t`: just enough (a marker dragged past the edge), or
    // a page on (the position while playing).
    void RevealTime(int64_t t, bool justEnough);
    void TrackBarPositionFollow();
    QString RangeTimeText(int64_t ms) const;

    bool FFineTimes = false; // range times shown to the millisecond (zoomed in closely)

    // ---- main_frm_dvd.cpp: a DVD's titles and angles, the source's chapters ------------
public:
    void TitleBoxChange(int Index);
    void AngleBoxChange(int Index);
    void ChapterBoxChange(int Index);
    void TrackBarDblClick(int Position);
    // The source's chapters (a DVD title's, or those a file's container marks): the
    // position to the previous (-1) or next (1) chapter's start; the start or end marker to
    // the chapter boundary nearest the position; the range to chapters first..last
    // (1-based), exactly.
    void StepChapter(int direction);
    void SetMarkerAtChapterBoundary(TMarker marker);
    void SelectChapters(int first, int last);
    // The DVD title open (an empty locator for a plain file).
    const TDvdChoice& Dvd() const { return FDvd; }
    // The source's chapters, numbered from 1 (none when it has none).
    const std::vector<TSourceChapter>& Chapters() const { return FChapters; }
    // The source's length on its time line: a DVD title's exactly, else the range's.
    TMediaTime SourceLength() const;
    // What the preview, the overview and the rip read: the file, or the DVD title.
    QString MediaSource() const;
    // The range the next rip reads: a chapter's exactly when the range was set to chapters,
    // else the range's milliseconds.
    TMediaTime RunStart() const { return FRange.RunStart(); }
    TMediaTime RunEnd() const { return FRange.RunEnd(); }
    // The summary's rows under "File Size:" placed as they are shown.
    void LayoutSummaryRows();

private:
    void ShowDvd();
    void ShowChapters();
    void ShowChapterOfRange();
    // The chapters first..last (1-based) the range is exactly; false when it is none.
    bool RangeChapters(int& first, int& last) const;
    void SetExactRange(TMediaTime start, TMediaTime end);
    QString DvdOutputDefault(int firstChapter, int lastChapter) const;

    // ---- main_frm_track_list.cpp: the "Tracks" list ------------------------------------
public:
    void AddRangeBtnClick();
    void RenameTrackBtnClick();
    void RemoveTrackBtnClick();
    void ClearTracksBtnClick();
    void TrackUpBtnClick();
    void TrackDownBtnClick();
    void TrackListViewEdited(int Row, const QString& Title);
    // A track clicked (or chosen with Enter): the markers and the preview go to it.
    void TrackListViewPicked(int Row);
    // The tracks the next rip splits into (none: the range is one MP3).
    const TTrackList& TrackList() const { return FTrackList; }

private:
    void BuildTrackListArea();
    void AddRange();
    void PlaceTrackButtons();
    QColor DefaultTitleColor() const;
    void ShowTrackList();
    // The list a source starts with: its chapters (more than one), else none.
    void ResetTrackList();

    // ---- main_frm_songs.cpp: Find songs, the tracks' boundaries on the time line -----
public:
    void FindSongsBtnClick();

private:
    // The times where the listed tracks start or end, each once, in order.
    std::vector<TMediaTime> TrackBoundaries() const;
    // Draws them over the channel `Channel` of the track bar.
    void PaintTrackBoundaries(QPainter& Canvas, const QRect& Channel);
    // A press near a boundary on the channel takes it; moves drag it (the tracks on both
    // sides follow), the release lets it go. True when the event was the boundary's.
    bool TrackBarBoundaryMouse(QMouseEvent* Event);

    std::optional<TMediaTime> FDraggedBoundary; // the track boundary being dragged

    // ---- main_frm_recent.cpp: the recent sources' menu, Ctrl+Q, Ctrl+W, F1 -------------
private:
    void BuildRecentMenu();
    void ShowRecentMenu();

    // ---- main_frm_undo.cpp: undo and redo of the range and the list; what Rip! writes --
public:
    // The range's and the Tracks list's changes, one step per action (Ctrl+Z undoes,
    // Ctrl+Shift+Z and Ctrl+Y redo).
    QUndoStack* UndoStack;
    // Whether the next Rip! writes the Tracks list, else the range as one file: the user's
    // last choice decides (a change of the list or a track picked in it: the list; a range
    // marked or a chapter chosen: the range).
    bool RipsList() const { return FRipList && !FTrackList.Tracks.empty(); }
    // What the next Rip! writes, in words ("Rip 7 tracks", "Rip chapter 3",
    // "Rip 0:01:02.0 - 0:03:10.5").
    QString RipTargetText() const;

private:
    void BuildUndo();
    TWindowEditState EditState() const;
    void ApplyEditState(const TWindowEditState& state);
    // Takes what changed since the last step as a step, unless an action is still going.
    void RecordEdit();
    // A new source: a new history, the list (if any) as the target.
    void StartEditHistory();
    // The Rip! button's caption, tip and name.
    void ShowRipTarget();
    // Runs `action` as one step of the history, however many changes it makes.
    template <class F> void AsOneEdit(F&& action) {
        ++FEditHold;
        try {
            action();
        } catch (...) {
            --FEditHold;
            throw;
        }
        --FEditHold;
        RecordEdit();
    }

    TWindowEditState FEditBase; // the state after the last step
    int FEditHold = 0;          // actions underway that record their changes at their end
    bool FMarkerHeld = false;   // a marker is being dragged
    bool FListChosen = false;   // a track was picked: the list is the target again
    bool FRipList = false;

    // ---- main_frm_accessible.cpp: names for a screen reader ----------------------------
private:
    void NameControls(); // accessible names of controls without a readable caption

    // ---- State the files share ---------------------------------------------------------
private:
    TRangeModel FRange;                    // the range the next rip reads
    TDvdChoice FDvd;                       // the DVD title open (an empty locator for a plain file)
    std::vector<TSourceChapter> FChapters; // the source's chapters (the title's, the file's)
    TTrackList FTrackList;                 // the tracks the next rip splits into
    std::vector<TMediaTrackInfo> FAudioTracks; // the source's audio streams
    int FAudioTrack = 0;                       // the one chosen, 1-based (0: the primary one)
    // The preview graph's transport, from the last opening (null without a source).
    std::shared_ptr<media::IMediaSeeking> FMediaSeeking;
    std::shared_ptr<media::IMediaControl> FMediaControl;
    bool FMarkersOn = false;      // a source was opened: markers show where they are in view
    bool FCloseRequested = false; // the window was asked to close while a source opened
    bool FClosed = false;
};
