// TMainFrm: the "Tracks" list beside the summary: ranges marked one after the other,
// renamed, reordered and removed; a rip with tracks writes one MP3 for each.
#include "ui/main/main_frm.h"

#include "app/common.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

namespace {
enum TTrackColumn { tcNumber, tcTitle, tcStart, tcLength };
constexpr int ListButtonRoom = 26; // the up and down buttons beside the list
} // namespace

// Grey enough to tell a default title from a given one, dark enough to read (over 4.5:1
// against the list's background): three fifths of the text colour.
QColor TMainFrm::DefaultTitleColor() const {
    const QColor text = palette().color(QPalette::Text), base = palette().color(QPalette::Base);
    auto mix = [](int t, int b) { return (t * 3 + b * 2) / 5; };
    return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()),
                  mix(text.blue(), base.blue()));
}

// The buttons under the list take the width their captions need (another language, a
// larger font); what does not fit in a row goes on a row below, the two arrows together.
// The list takes the rest of the height.
void TMainFrm::PlaceTrackButtons() {
    const int inner = TrackListGroup->width() - 16, height = 26, gap = 3;
    auto fit = [](QPushButton* b, int designed) {
        const int text = b->fontMetrics().horizontalAdvance(QString(b->text()).remove(u'&'));
        b->resize(std::max(designed, text + 14), height);
    };
    fit(AddRangeBtn, 70);
    fit(RenameTrackBtn, 54);
    fit(RemoveTrackBtn, 54);
    fit(ClearTracksBtn, 49);
    FindSongsBtn->resize(inner, height); // a row of its own
    // The arrows stand beside the list; the other buttons share the rows under it.
    using TUnit = std::vector<QPushButton*>;
    const std::vector<TUnit> units = {
        {FindSongsBtn}, {AddRangeBtn}, {RenameTrackBtn}, {RemoveTrackBtn}, {ClearTracksBtn}};
    std::vector<std::vector<QPushButton*>> rows(1);
    int used = 0;
    for (const TUnit& unit : units) {
        int w = -gap;
        for (QPushButton* b : unit)
            w += gap + std::min(b->width(), inner);
        if (used > 0 && used + gap + w > inner) {
            rows.emplace_back();
            used = 0;
        }
        used += (used > 0 ? gap : 0) + w;
        for (QPushButton* b : unit)
            rows.back().push_back(b);
    }
    int top = TrackListGroup->height() - 10 - int(rows.size()) * (height + gap) + gap;
    TrackListView->resize(TrackListGroup->width() - 16 - ListButtonRoom,
                          top - 4 - TrackListView->y());
    const int side = TrackListGroup->width() - 8 - ListButtonRoom + 4;
    TrackUpBtn->move(side, TrackUpBtn->y());
    TrackDownBtn->move(side, TrackDownBtn->y());
    for (const auto& row : rows) {
        int x = 8;
        for (QPushButton* b : row) {
            b->setGeometry(x, top, std::min(b->width(), inner), height);
            x += b->width() + gap;
        }
        top += height + gap;
    }
}

void TMainFrm::BuildTrackListArea() {
    TrackListGroup = new QGroupBox(tr("Tracks"), this);
    TrackListGroup->setObjectName(QStringLiteral("TrackListGroup"));
    TrackListGroup->setGeometry(ClientWidth - TrackListWidth - 10, 6, TrackListWidth, 382);
    TrackListGroup->setToolTip(
        tr("With tracks, Rip! writes one MP3 for each, numbered and tagged, into "
           "the output file's folder"));

    TrackListView = new QTreeWidget(TrackListGroup);
    TrackListView->setObjectName(QStringLiteral("TrackListView"));
    TrackListView->setGeometry(8, 22, TrackListWidth - 16 - ListButtonRoom, 288);
    TrackListView->setColumnCount(4);
    TrackListView->setHeaderLabels({QStringLiteral("#"), tr("Title"), tr("Start"), tr("Length")});
    TrackListView->setRootIsDecorated(false);
    TrackListView->setUniformRowHeights(true);
    TrackListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Only the title is edited, whichever column was clicked.
    TrackListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = TrackListView->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(tcTitle, QHeaderView::Stretch);
    for (int column : {tcNumber, tcStart, tcLength})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    // The buttons that act on the whole list below it, moving one track beside it.
    const int top = 346, height = 26;
    AddRangeBtn = new QPushButton(tr("Add ran&ge"), TrackListGroup);
    AddRangeBtn->setObjectName(QStringLiteral("AddRangeBtn"));
    AddRangeBtn->setGeometry(8, top, 70, height);
    AddRangeBtn->setToolTip(tr("Add the range from the start to the end marker as "
                               "a track"));
    RenameTrackBtn = new QPushButton(tr("Rena&me"), TrackListGroup);
    RenameTrackBtn->setGeometry(81, top, 54, height);
    RenameTrackBtn->setToolTip(tr("Rename the chosen track (or double-click it)"));
    RemoveTrackBtn = new QPushButton(tr("Remo&ve"), TrackListGroup);
    RemoveTrackBtn->setGeometry(138, top, 54, height);
    RemoveTrackBtn->setToolTip(tr("Remove the chosen tracks (Delete)"));
    ClearTracksBtn = new QPushButton(tr("C&lear"), TrackListGroup);
    ClearTracksBtn->setObjectName(QStringLiteral("ClearTracksBtn"));
    ClearTracksBtn->setGeometry(195, top, 49, height);
    ClearTracksBtn->setToolTip(tr("Remove every track: Rip! then rips the marked range"));
    ClearTracksBtn->setEnabled(false); // nothing to clear yet
    const int side = TrackListWidth - 8 - ListButtonRoom + 4;
    TrackUpBtn = new QPushButton(QStringLiteral("\u25B2"), TrackListGroup);
    TrackUpBtn->setGeometry(side, 22, 22, height);
    TrackUpBtn->setToolTip(tr("Move the chosen track up"));
    TrackDownBtn = new QPushButton(QStringLiteral("\u25BC"), TrackListGroup);
    TrackDownBtn->setGeometry(side, 22 + height + 4, 22, height);
    TrackDownBtn->setToolTip(tr("Move the chosen track down"));
    FindSongsBtn = new QPushButton(tr("&Find songs"), TrackListGroup);
    FindSongsBtn->setObjectName(QStringLiteral("FindSongsBtn"));
    FindSongsBtn->setGeometry(8, top - 30, TrackListWidth - 16, height);
    FindSongsBtn->setToolTip(tr("Fill the list with the songs found in the pauses of the sound; "
                                "drag a track's boundary on the time line to move it"));
    for (QPushButton* b : {AddRangeBtn, RenameTrackBtn, RemoveTrackBtn, ClearTracksBtn, TrackUpBtn,
                           TrackDownBtn, FindSongsBtn}) {
        b->setFocusPolicy(Qt::TabFocus);
        // Four captions share the list's width: little padding, so none is cut.
        b->setStyleSheet(QStringLiteral("QPushButton { padding-left: 1px; padding-right: 1px; }"));
    }
    // The list's type-ahead would take "[" and "]" for a search: they set the range here
    // as everywhere in the window.
    TrackListView->installEventFilter(this);

    auto on = [this](auto member) {
        return [this, member] { Guarded([&] { (this->*member)(); }); };
    };
    connect(AddRangeBtn, &QPushButton::clicked, this, on(&TMainFrm::AddRangeBtnClick));
    connect(RenameTrackBtn, &QPushButton::clicked, this, on(&TMainFrm::RenameTrackBtnClick));
    connect(RemoveTrackBtn, &QPushButton::clicked, this, on(&TMainFrm::RemoveTrackBtnClick));
    connect(ClearTracksBtn, &QPushButton::clicked, this, on(&TMainFrm::ClearTracksBtnClick));
    connect(TrackUpBtn, &QPushButton::clicked, this, on(&TMainFrm::TrackUpBtnClick));
    connect(TrackDownBtn, &QPushButton::clicked, this, on(&TMainFrm::TrackDownBtnClick));
    connect(FindSongsBtn, &QPushButton::clicked, this, on(&TMainFrm::FindSongsBtnClick));
    auto* remove = new QShortcut(QKeySequence::Delete, TrackListView);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, on(&TMainFrm::RemoveTrackBtnClick));
    for (auto picked : {&QTreeWidget::itemClicked, &QTreeWidget::itemActivated})
        connect(TrackListView, picked, this, [this](QTreeWidgetItem* item, int) {
            Guarded([&] { TrackListViewPicked(TrackListView->indexOfTopLevelItem(item)); });
        });
    connect(TrackListView, &QTreeWidget::itemDoubleClicked, this,
            on(&TMainFrm::RenameTrackBtnClick));
    connect(TrackListView, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        Guarded([&] {
            TrackListViewEdited(TrackListView->indexOfTopLevelItem(item), item->text(tcTitle));
        });
    });
}

void TMainFrm::ShowTrackList() {
    // Rebuilt whole: numbers and default titles follow every change of order.
    const QSignalBlocker quiet(TrackListView);
    const int current = TrackListView->currentIndex().row();
    TrackListView->clear();
    for (size_t k = 0; k < FTrackList.Tracks.size(); ++k) {
        const TTrackEntry& t = FTrackList.Tracks[k];
        auto* item = new QTreeWidgetItem(TrackListView);
        item->setText(tcNumber, QString::number(k + 1));
        item->setText(tcTitle, t.Title.isEmpty() ? DefaultTrackTitle(int(k + 1), false) : t.Title);
        if (t.Title.isEmpty())
            item->setForeground(tcTitle, DefaultTitleColor());
        item->setText(tcStart, FormatShortTimeText(t.Start));
        item->setText(tcLength, FormatShortTimeText(t.End - t.Start));
        for (int column : {tcStart, tcLength})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(tcTitle, item->text(tcTitle));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (current >= 0 && current < TrackListView->topLevelItemCount())
        TrackListView->setCurrentItem(TrackListView->topLevelItem(current));
    TrackBar->update(); // the boundaries on the time line
    TrackListGroup->setTitle(
        FTrackList.Tracks.empty() ? tr("Tracks") : tr("Tracks (%1)").arg(FTrackList.Tracks.size()));
    ClearTracksBtn->setEnabled(!FTrackList.Tracks.empty());
    // The summary says what Rip! writes, which the list decides.
    if (FRange.DurationMs() > 0) {
        ShowRangeInfo();
        ShowOutputFile();
    }
}

void TMainFrm::ShowTrackProgress(int written, int64_t doneMs) {
    const QSignalBlocker quiet(TrackListView); // marks, not titles the user typed
    // The list is the run's jobs in their order: the tracks written get a done mark, the
    // one being written its share; without a run (written < 0) each its length again.
    TMediaTime before;
    for (int k = 0; k < TrackListView->topLevelItemCount() && k < int(FTrackList.Tracks.size());
         ++k) {
        QTreeWidgetItem* item = TrackListView->topLevelItem(k);
        const TTrackEntry& t = FTrackList.Tracks[size_t(k)];
        const int64_t length = (t.End - t.Start).ToMs();
        QString mark = QString::number(k + 1);
        if (written < 0) {
            item->setText(tcLength, FormatShortTimeText(t.End - t.Start));
        } else if (k < written) {
            mark = QStringLiteral("\u2713 ") + mark;
            item->setText(tcLength, tr("done"));
        } else if (k == written && length > 0) {
            // Encoded is not yet written: the file is joined and tagged after its last
            // segment, so the track says 100 % only as "done".
            const int64_t in = std::clamp<int64_t>(doneMs - before.ToMs(), 0, length);
            item->setText(tcLength, tr("%1 %").arg(std::min<int64_t>(in * 100 / length, 99)));
        }
        item->setText(tcNumber, mark);
        before += t.End - t.Start;
    }
}

void TMainFrm::ClearTracksBtnClick() {
    if (!IsIdle() || FTrackList.Tracks.empty())
        return;
    FTrackList.Tracks.clear();
    ShowTrackList();
}

void TMainFrm::ResetTrackList() {
    // The chapters carry their own titles: a range added to them is a "Track n".
    const int chapters = int(FChapters.size());
    FTrackList = chapters > 1 ? ChapterTrackList(FChapters, 1, chapters) : TTrackList();
    ShowTrackList();
}

void TMainFrm::AddRangeBtnClick() {
    if (!IsIdle() || FRange.DurationMs() == 0 || FRange.EndMs() <= FRange.StartMs() ||
        FTrackList.Tracks.size() >= size_t(MaxTrackCount))
        return;
    // The track and the markers' move to the next song are one step back.
    AsOneEdit([this] { AddRange(); });
}

void TMainFrm::AddRange() {
    TTrackEntry track;
    track.Start = TMediaTime::FromMs(FRange.StartMs());
    track.End = TMediaTime::FromMs(FRange.EndMs());
    FTrackList.Tracks.push_back(track);
    ShowTrackList();
    TrackListView->setCurrentItem(
        TrackListView->topLevelItem(TrackListView->topLevelItemCount() - 1));
    // The next song most likely starts where this one ends.
    if (FRange.EndMs() < FRange.DurationMs()) {
        FRange.Set(TMarker::Start, FRange.EndMs());
        FRange.Set(TMarker::End, FRange.DurationMs());
        TrackBar->setSelStart(int(FRange.StartMs()));
        TrackBar->setSelEnd(int(FRange.EndMs()));
        FRange.SetActive(TMarker::Both);
        PlaceMarkers();
        ShowRangeInfo();
    }
}

void TMainFrm::TrackListViewPicked(int Row) {
    if (!IsIdle() || Row < 0 || Row >= int(FTrackList.Tracks.size()) || FRange.DurationMs() <= 0)
        return;
    // The markers and the preview go to the track, so it can be heard before the rip;
    // the list stays what Rip! writes.
    const TTrackEntry& track = FTrackList.Tracks[size_t(Row)];
    FListChosen = true;
    SetExactRange(track.Start, track.End);
    TrackBar->setPosition(int(FRange.StartMs()));
    FRange.SetActive(TMarker::Both);
    RevealTime(FRange.StartMs(), true);
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
}

void TMainFrm::RenameTrackBtnClick() {
    if (!IsIdle())
        return;
    if (QTreeWidgetItem* item = TrackListView->currentItem())
        TrackListView->editItem(item, tcTitle);
}

void TMainFrm::TrackListViewEdited(int Row, const QString& Title) {
    if (Row < 0 || Row >= int(FTrackList.Tracks.size()))
        return;
    // A title emptied or left as the default stays the default, which follows the number.
    QString title = Title.trimmed().left(TagTextMax);
    if (title == DefaultTrackTitle(Row + 1, false))
        title.clear();
    FTrackList.Tracks[size_t(Row)].Title = title;
    QMetaObject::invokeMethod(
        this, [this] { ShowTrackList(); }, Qt::QueuedConnection);
}

void TMainFrm::RemoveTrackBtnClick() {
    if (!IsIdle())
        return;
    std::vector<int> rows;
    for (QTreeWidgetItem* item : TrackListView->selectedItems())
        rows.push_back(TrackListView->indexOfTopLevelItem(item));
    // Nothing selected (a Ctrl+click took the last one off): the track with the focus.
    if (rows.empty() && TrackListView->currentItem())
        rows.push_back(TrackListView->indexOfTopLevelItem(TrackListView->currentItem()));
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows)
        FTrackList.Tracks.erase(FTrackList.Tracks.begin() + row);
    ShowTrackList();
}

void TMainFrm::TrackUpBtnClick() {
    const int row = TrackListView->currentIndex().row();
    if (!IsIdle() || row < 1 || row >= int(FTrackList.Tracks.size()))
        return;
    std::swap(FTrackList.Tracks[size_t(row)], FTrackList.Tracks[size_t(row - 1)]);
    ShowTrackList();
    TrackListView->setCurrentItem(TrackListView->topLevelItem(row - 1));
}

void TMainFrm::TrackDownBtnClick() {
    const int row = TrackListView->currentIndex().row();
    if (!IsIdle() || row < 0 || row + 1 >= int(FTrackList.Tracks.size()))
        return;
    std::swap(FTrackList.Tracks[size_t(row)], FTrackList.Tracks[size_t(row + 1)]);
    ShowTrackList();
    TrackListView->setCurrentItem(TrackListView->topLevelItem(row + 1));
}
