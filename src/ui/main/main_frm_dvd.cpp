// TMainFrm: a DVD opened as a DVD: the "Title:" and "Chapter:" summary rows, the chapter
// marks on the track bar, moving by chapters and setting the range to them exactly.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/output_policy.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kTicksPerMs = 10000;

int64_t Ms(int64_t time) {
    return time / kTicksPerMs;
}

} // namespace

QString TMainFrm::MediaSource() const {
    return FDvd.locator.isEmpty() ? sourceFileEdit->text() : FDvd.locator;
}

void TMainFrm::LayoutSummaryRows() {
    // The rows under "File Size:" follow each other as they are shown; the group grows with
    // them (a run's progress panel covers the lowest ones while it goes).
    int top = FileSizePanel->geometry().bottom() + 2;
    for (TSkinPanel* row : {AudioTrackPanel, TitlePanel, ChapterPanel}) {
        if (row->isHidden())
            continue;
        row->setGeometry(FileSizePanel->x(), top, FileSizePanel->width(), 22);
        top += 24;
    }
    skinPanel1->resize(skinPanel1->width(), std::max(294, top));
}

void TMainFrm::ShowDvd() {
    const bool dvd = !FDvd.locator.isEmpty();
    // A title opens with all of it as the range, exactly.
    FRange.MarkExact(dvd ? 0 : -1, dvd ? FDvd.Duration() : -1);
    std::vector<int> marks;
    {
        const QSignalBlocker blockTitles(TitleBox);
        const QSignalBlocker blockChapters(ChapterBox);
        TitleBox->clear();
        ChapterBox->clear();
        if (dvd) {
            for (const TDvdTitleEntry& entry : FDvd.titles)
                TitleBox->addItem(DvdTitleLabel(entry));
            TitleBox->setCurrentIndex(FDvd.title - 1);
            ChapterBox->addItem(tr("All %1 chapters").arg(FDvd.Chapters()));
            for (int c = 1; c <= FDvd.Chapters(); ++c) {
                ChapterBox->addItem(
                    QStringLiteral("%1: %2").arg(c).arg(FormatTimeText(Ms(FDvd.ChapterStart(c)))));
                if (c > 1)
                    marks.push_back(int(Ms(FDvd.ChapterStart(c))));
            }
        }
    }
    TitlePanel->setVisible(dvd);
    ChapterPanel->setVisible(dvd && FDvd.Chapters() > 1);
    TrackBar->setTickTimes(marks);
    LayoutSummaryRows();
    ShowChapterOfRange();
}

QString TMainFrm::DvdOutputDefault(int firstChapter, int lastChapter) const {
    return AppSettings.OutputFileDir + DefaultOutputName(sourceFileEdit->text(), FDvd, firstChapter,
                                                         lastChapter, OutputExtension());
}

void TMainFrm::TitleBoxChange(int Index) {
    const int title = Index + 1;
    if (FDvd.locator.isEmpty() || title == FDvd.title)
        return;
    if (!IsIdle() || title < 1 || title > int(FDvd.titles.size())) {
        const QSignalBlocker block(TitleBox);
        TitleBox->setCurrentIndex(FDvd.title - 1);
        return;
    }
    // The preview opens again, at the new title's start.
    OpenSourceFile(sourceFileEdit->text(), title);
}

void TMainFrm::ChapterBoxChange(int Index) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || FDvd.locator.isEmpty())
        return;
    if (Index <= 0)
        SelectChapters(1, FDvd.Chapters());
    else
        SelectChapters(Index, Index);
}

void TMainFrm::TrackBarDblClick(int Position) {
    if (FDvd.locator.isEmpty() || FDvd.Chapters() < 2)
        return;
    const int chapter = FDvd.ChapterAt(int64_t(Position) * kTicksPerMs);
    SelectChapters(chapter, chapter);
}

void TMainFrm::SetExactRange(int64_t start, int64_t end) {
    FRange.SetExact(start, end);
    TrackBar->setSelStart(int(FRange.StartMs()));
    TrackBar->setSelEnd(int(FRange.EndMs()));
}

void TMainFrm::SelectChapters(int first, int last) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || FDvd.locator.isEmpty())
        return;
    first = std::clamp(first, 1, FDvd.Chapters());
    last = std::clamp(last, first, FDvd.Chapters());
    const QString defaultName = outputFileEdit->text();
    const bool whole = first == 1 && last == FDvd.Chapters();
    SetExactRange(FDvd.ChapterStart(first), FDvd.ChapterEnd(last));
    TrackBar->setPosition(int(FRange.StartMs()));
    FRange.SetActive(TMarker::Both);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
    // A name the program made follows the chapters; one the user typed stays.
    const QString made = whole ? DvdOutputDefault(0, 0) : DvdOutputDefault(first, last);
    bool ours = defaultName == DvdOutputDefault(0, 0);
    for (int c = 1; c <= FDvd.Chapters() && !ours; ++c)
        ours = defaultName == DvdOutputDefault(c, c);
    if (ours) {
        outputFileEdit->setText(made);
        ShowOutputFile();
    }
}

void TMainFrm::ShowChapterOfRange() {
    if (FDvd.locator.isEmpty() || ChapterPanel->isHidden())
        return;
    // The chapters the range is, exactly; else none.
    int first = 0, last = 0;
    for (int c = 1; c <= FDvd.Chapters(); ++c) {
        if (FDvd.ChapterStart(c) == RunStart())
            first = c;
        if (FDvd.ChapterEnd(c) == RunEnd())
            last = c;
    }
    const bool chapters = first > 0 && last >= first;
    const QSignalBlocker block(ChapterBox);
    ChapterBox->setPlaceholderText(chapters ? tr("Chapters %1-%2").arg(first).arg(last)
                                            : QString());
    if (chapters && first == 1 && last == FDvd.Chapters())
        ChapterBox->setCurrentIndex(0);
    else
        ChapterBox->setCurrentIndex(chapters && first == last ? first : -1);
}

void TMainFrm::StepChapter(int direction) {
    if (FRange.DurationMs() <= 0 || FDvd.locator.isEmpty())
        return;
    const int64_t position = int64_t(TrackBar->position()) * kTicksPerMs;
    int64_t target = direction < 0 ? 0 : -1;
    for (int c = 1; c <= FDvd.Chapters(); ++c) {
        const int64_t start = FDvd.ChapterStart(c);
        // Positions are whole milliseconds: a start within the current one is "here".
        if (direction < 0 && Ms(start) < Ms(position))
            target = start;
        if (direction > 0 && Ms(start) > Ms(position) && target < 0)
            target = start;
    }
    if (target >= 0)
        TrackBar->setPosition(int(Ms(target)));
}

void TMainFrm::SetMarkerAtChapterBoundary(TMarker marker) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || FDvd.locator.isEmpty())
        return;
    const int64_t position = int64_t(TrackBar->position()) * kTicksPerMs;
    int64_t nearest = FDvd.Duration();
    for (int c = 1; c <= FDvd.Chapters(); ++c)
        if (std::abs(FDvd.ChapterStart(c) - position) < std::abs(nearest - position))
            nearest = FDvd.ChapterStart(c);
    // The rules of dragging: the markers stay a second apart.
    const int64_t ms = Ms(nearest);
    const bool start = marker == TMarker::Start;
    if (start ? ms > FRange.EndMs() - TRangeModel::MarkerGapMs
              : ms < FRange.StartMs() + TRangeModel::MarkerGapMs)
        return;
    SetExactRange(start ? nearest : RunStart(), start ? RunEnd() : nearest);
    TrackBar->setPosition(int(ms));
    FRange.SetActive(marker);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}
