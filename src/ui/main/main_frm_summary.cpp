// TMainFrm: the "Output MP3 Information" group and its five summary rows.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/output_policy.h"
#include "app/output_settings.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {
constexpr int RowLeft = 8;
constexpr int RowWidth = 260;
constexpr int CaptionWidth = 88; // "Output File:" in a bold sans font, with room to spare
constexpr int ValueLeft = CaptionWidth + 6;
constexpr int ValueWidth = RowWidth - ValueLeft - 4;

TSkinPanel* MakeRow(QWidget* group, const QString& caption, int top, int height) {
    auto* row = new TSkinPanel(group);
    row->setGeometry(RowLeft, top, RowWidth, height);
    row->setColor(SkinRowColor());
    row->setMouseTracking(true);
    // A screen reader names the row by its caption, not by the group around it.
    row->setAccessibleName(QString(caption).remove(u':'));
    auto* label = new QLabel(caption, row);
    label->setGeometry(1, 3, CaptionWidth, 16);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: #2F4FB8;"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return row;
}

// A row with a choice; hidden until there is something to choose. LayoutSummaryRows places
// the rows under "File Size:" that are shown.
TSkinPanel* MakeChoiceRow(QWidget* group, const QString& caption, QComboBox*& box,
                          const QString& name, const QString& tip) {
    TSkinPanel* row = MakeRow(group, caption, 0, 22);
    box = new QComboBox(row);
    box->setObjectName(name);
    box->setGeometry(ValueLeft, 1, ValueWidth, 20);
    box->setToolTip(tip);
    // The caption labels the list for a screen reader (which names a list by its value).
    row->findChild<QLabel*>()->setBuddy(box);
    row->hide();
    return row;
}

QLabel* MakeValue(QWidget* row, int top, int height = 16) {
    auto* l = new QLabel(row);
    l->setGeometry(ValueLeft, top, ValueWidth, height);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    return l;
}
} // namespace

void TMainFrm::BuildSummaryArea() {
    skinPanel1 = new QGroupBox(tr("Output MP3 Information"), this);
    skinPanel1->setGeometry(282, 6, 276, 294);

    outputFilePanel = MakeRow(skinPanel1, tr("Output File:"), 24, 46);
    outputFileText = MakeValue(outputFilePanel, 3, 40);
    outputFileText->setWordWrap(true);
    outputFileText->setTextFormat(Qt::PlainText);

    MP3SettingsPanel = MakeRow(skinPanel1, tr("Settings:"), 74, 54);
    MP3SettingsText1 = MakeValue(MP3SettingsPanel, 3);
    MP3SettingsText2 = MakeValue(MP3SettingsPanel, 19);
    MP3SettingsEdit = new TLinkLabel(tr("Change &Settings..."), MP3SettingsPanel);
    MP3SettingsEdit->setGeometry(ValueLeft - 2, 34, 124, 19);
    MP3SettingsEdit->hide();

    ID3TagPanel = MakeRow(skinPanel1, tr("ID3 Tag:"), 132, 54);
    Id3TagText1 = MakeValue(ID3TagPanel, 3);
    Id3TagText2 = MakeValue(ID3TagPanel, 19);
    Id3TagEdit = new TLinkLabel(tr("&Edit ID3..."), ID3TagPanel);
    Id3TagEdit->setGeometry(ValueLeft - 2, 34, 124, 19);
    Id3TagEdit->hide();
    // Beside the tag it belongs to: the preview itself has no room to spare.
    UseAsCoverLink = new TLinkLabel(tr("Use as &cover"), ID3TagPanel);
    UseAsCoverLink->setObjectName(QStringLiteral("UseAsCoverLink"));
    UseAsCoverLink->setGeometry(ValueLeft + 84, 34, 100, 19);
    UseAsCoverLink->setToolTip(tr("The picture in the preview becomes the front cover of the "
                                  "MP3 (the tracks of a list share it)"));
    UseAsCoverLink->hide();
    // The two links share the row, each as wide as its caption in the language shown;
    // where the value column cannot hold both, the cover's goes under the row's caption.
    Id3TagEdit->resize(std::min(Id3TagEdit->sizeHint().width(), ValueWidth), 19);
    const int coverWidth = UseAsCoverLink->sizeHint().width();
    const int coverLeft = Id3TagEdit->geometry().right() + 8;
    if (coverLeft + coverWidth <= RowWidth - 2)
        UseAsCoverLink->setGeometry(coverLeft, 34, coverWidth, 19);
    else
        UseAsCoverLink->setGeometry(std::max(1, CaptionWidth + 1 - coverWidth), 34,
                                    std::min(coverWidth, CaptionWidth), 19);

    DurationPanel = MakeRow(skinPanel1, tr("Duration:"), 190, 50);
    DurationText = MakeValue(DurationPanel, 3);
    selPointPanel = new QWidget(DurationPanel);
    // At the right end of the row, as wide as a time to the millisecond needs; the line
    // under the caption leaves room to the left.
    const int editsWidth = BuildRangeEdits(selPointPanel);
    selPointPanel->setGeometry(RowWidth - 2 - editsWidth, 21, editsWidth, 24);
    SetupRangeEdits();
    selPointPanel->hide();

    FileSizePanel = MakeRow(skinPanel1, tr("File Size:"), 244, 24);
    FileSizeText = MakeValue(FileSizePanel, 3);

    AudioTrackPanel =
        MakeChoiceRow(skinPanel1, tr("Audio:"), AudioTrackBox, QStringLiteral("AudioTrackBox"),
                      tr("The sound track to preview and rip"));
    TitlePanel = MakeChoiceRow(skinPanel1, tr("Title:"), TitleBox, QStringLiteral("TitleBox"),
                               tr("The DVD's title to preview and rip"));
    AnglePanel = MakeChoiceRow(skinPanel1, tr("Angle:"), AngleBox, QStringLiteral("AngleBox"),
                               tr("The camera angle of the title to preview and rip"));
    ChapterPanel =
        MakeChoiceRow(skinPanel1, tr("Chapter:"), ChapterBox, QStringLiteral("ChapterBox"),
                      tr("Sets the range to a chapter (PageUp/PageDown "
                         "move by chapters; double-click between two "
                         "marks)"));
}

int TMainFrm::BuildRangeEdits(QWidget* parent) {
    // "(" start "-" end ")", each edit with its up and down buttons at the right end, wide
    // enough for a time to the millisecond.
    auto text = [parent](const QString& t, int x, int w) {
        auto* l = new QLabel(t, parent);
        l->setGeometry(x, 3, w, 18);
        l->setAlignment(Qt::AlignCenter);
    };
    // Frame, margins and the step buttons around the text.
    const int EditWidth =
        std::max(96, QFontMetrics(parent->font()).horizontalAdvance(QStringLiteral("0:00:00.000")) +
                         12 + 12);
    auto edit = [parent, EditWidth](int x, QLineEdit*& e, TImageButton*& up, TImageButton*& down) {
        e = new QLineEdit(QStringLiteral("0:00:00.0"), parent);
        e->setReadOnly(true);
        e->setGeometry(x, 1, EditWidth, 22);
        e->setTextMargins(0, 0, 12, 0);
        up = new TImageButton(QStringLiteral("up"), QString(), parent);
        up->setGeometry(x + EditWidth - 15, 3, 13, 9);
        down = new TImageButton(QStringLiteral("down"), QString(), parent);
        down->setGeometry(x + EditWidth - 15, 12, 13, 9);
        up->raise();
        down->raise();
    };
    text(QStringLiteral("("), 0, 8);
    edit(8, startPointEdit, startPointUpBtn, startPointDownBtn);
    text(QStringLiteral("-"), 8 + EditWidth, 9);
    edit(17 + EditWidth, endPointEdit, endPointUpBtn, endPointDownBtn);
    text(QStringLiteral(")"), 17 + 2 * EditWidth, 8);
    return 25 + 2 * EditWidth;
}

void TMainFrm::ShowOutputFile() {
    // What Rip! writes, as it will read the edit: a list of tracks goes into the folder.
    const QString typed = outputFileEdit->text();
    const QString output = typed.isEmpty() || sourceFileEdit->text().isEmpty()
                               ? typed
                               : ResolveTypedOutput(typed, AppSettings.OutputFileDir,
                                                    DefaultOutputName(sourceFileEdit->text(), FDvd,
                                                                      0, 0, OutputExtension()),
                                                    OutputExtension());
    const int tracks = RipsList() ? int(FTrackList.Tracks.size()) : 0;
    const QString folder = tracks == 0 ? QString() : ListFolder(output);
    auto text = [&](const QString& path) {
        return tracks == 0 || output.isEmpty() ? path
               : tracks == 1                   ? tr("1 track into %1").arg(path)
                                               : tr("%1 tracks into %2").arg(tracks).arg(path);
    };
    // A long path takes a slightly smaller font, then loses its middle rather than its
    // end (the file's or the album's name), as far as the row's lines need; the tip has it
    // whole.
    const QString path = tracks == 0 ? output : folder;
    const QRect area(QPoint(), outputFileText->size());
    const int flags = Qt::TextWordWrap | Qt::TextWrapAnywhere;
    QFont font = outputFilePanel->font();
    auto fits = [&](const QString& t) {
        return QFontMetrics(font).boundingRect(area, flags, t).height() <= area.height();
    };
    for (int step = 0; step < 3 && font.pointSizeF() > 0 && !fits(text(path)); ++step)
        font.setPointSizeF(font.pointSizeF() * 0.92);
    outputFileText->setFont(font);
    const QFontMetrics metrics(font);
    QString shown = path;
    for (int width = metrics.horizontalAdvance(path); width > 0 && !fits(text(shown));
         width -= metrics.averageCharWidth() * 2)
        shown = metrics.elidedText(path, Qt::ElideMiddle, width);
    outputFileText->setText(text(shown));
    outputFileText->setToolTip(text(path));
}

void TMainFrm::ShowMp3Settings() {
    const QString rate =
        AppSettings.OutputFormat != ofMP3 ? FormatSettingsText(AppSettings)
        : !AppSettings.AudioVBR      ? QStringLiteral("%1 Kbps, CBR").arg(AppSettings.AudioBitrate)
        : AppSettings.AudioVbrLimits ? QStringLiteral("%1 - %2 Kbps, VBR")
                                           .arg(AppSettings.AudioVbrMinBitrate)
                                           .arg(AppSettings.AudioVbrMaxBitrate)
                                     : QStringLiteral("V%1, VBR").arg(AppSettings.AudioVbrQuality);
    MP3SettingsText1->setText(AppSettings.OutputFormat != ofMP3
                                  ? rate
                                  : rate + QStringLiteral(", ") +
                                        ChannelModeCaption(AppSettings.AudioChannels));
    // "320 Kbps, CBR, Joint Stereo" is wider than the row at some fonts: a smaller font
    // rather than a cut word.
    QFont f = MP3SettingsPanel->font();
    for (int step = 0;
         step < 5 && f.pointSizeF() > 0 &&
         QFontMetrics(f).horizontalAdvance(MP3SettingsText1->text()) > MP3SettingsText1->width();
         ++step)
        f.setPointSizeF(f.pointSizeF() * 0.95);
    MP3SettingsText1->setFont(f);
    MP3SettingsText2->setText(FormatRateText(AppSettings));
    if (MP3SettingsEdit->isHidden())
        MP3SettingsEdit->show();
}

void TMainFrm::ShowId3Tag() {
    Id3TagText1->setText(CurrentTag.Title.isEmpty() ? tr("Title: No Title")
                                                    : tr("Title: ") + CurrentTag.Title);
    QString artist =
        CurrentTag.Artist.isEmpty() ? tr("Artist: None") : tr("Artist: ") + CurrentTag.Artist;
    if (!CurrentTag.Cover.isEmpty())
        artist += tr(", cover");
    Id3TagText2->setText(artist);
    if (Id3TagEdit->isHidden())
        Id3TagEdit->show();
    if (UseAsCoverLink->isHidden())
        UseAsCoverLink->show();
}

void TMainFrm::ShowRangeInfo() {
    // Every change of the range or the list comes here: it is a step of the history, and
    // it may change what Rip! writes.
    RecordEdit();
    // When Rip! writes the tracks, the duration and the size are theirs; the boxes keep
    // the marked range, the next one to add.
    const int tracks = int(FTrackList.Tracks.size());
    int64_t d = FRange.EndMs() - FRange.StartMs();
    if (RipsList()) {
        TMediaTime total;
        for (const TTrackEntry& t : FTrackList.Tracks)
            total += t.End - t.Start;
        d = total.ToMs();
        DurationText->setText(tracks == 1
                                  ? tr("%1 in 1 track").arg(FormatTimeText(d))
                                  : tr("%1 in %2 tracks").arg(FormatTimeText(d)).arg(tracks));
    } else {
        DurationText->setText(RangeTimeText(d));
    }
    if (selPointPanel->isHidden())
        selPointPanel->show();
    startPointEdit->setText(RangeTimeText(FRange.StartMs()));
    endPointEdit->setText(RangeTimeText(FRange.EndMs()));
    FileSizeText->setText(tr("about %1").arg(FormatSizeText(RipSizeEstimate(AppSettings, d))));
    ShowChapterOfRange();
    ShowRipTarget();
    ShowOutputFile();
}

void TMainFrm::outputFilePanelMouseMove(TSkinPanel* Sender) {
    for (TSkinPanel* row : {outputFilePanel, MP3SettingsPanel, ID3TagPanel, DurationPanel,
                            FileSizePanel, AudioTrackPanel, TitlePanel, AnglePanel, ChapterPanel})
        row->setColor(SkinRowColor());
    if (Sender)
        Sender->setColor(SkinRowHighlight());
}
