#include "ui/dialogs/settings_frm.h"

#include "app/common.h"
#include "app/output_settings.h"
#include "audio/rip/mp3_out.h"
#include "base/exception.h"
#include "picture/cover_art.h"
#include "ui/dialogs/genre_list.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/single_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

namespace {
// Wide enough for every list to show its choice whole ("Same as the source", "V2: about
// 190 kbps, transparent", the VBR limits side by side).
constexpr int SettingsClientWidth = 404;
constexpr int SettingsClientHeight = 341;

// An editable combo box whose list opens on typing, showing the entries that match.
QComboBox* HistoryCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // entries are added only by OK
    combo->setMaxVisibleItems(12);
    combo->completer()->setCompletionMode(QCompleter::PopupCompletion);
    combo->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    combo->completer()->setFilterMode(Qt::MatchStartsWith);
    return combo;
}

bool LessNoCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// Sorted combo boxes keep their entries in alphabetical order regardless of case; a new
// entry goes after the entries equal to it.
void AddSorted(QComboBox* combo, const QString& text) {
    const QString shown = combo->currentText();
    int pos = 0;
    while (pos < combo->count() && !LessNoCase(text, combo->itemText(pos)))
        ++pos;
    combo->insertItem(pos, text);
    combo->setEditText(shown);
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

// Rebuilds the list from its file, keeping the text the field shows. A missing file is an
// empty list; any other failure raises EInOutError with the list already emptied.
void LoadHistory(QComboBox* combo, const QString& fileName) {
    const QString shown = combo->currentText();
    combo->clear();
    combo->setEditText(shown);
    QStringList entries;
    if (QFileInfo::exists(fileName))
        LoadListFile(fileName, entries);
    std::stable_sort(entries.begin(), entries.end(), LessNoCase);
    combo->addItems(entries);
    combo->setEditText(shown);
}
} // namespace

std::array<TsettingsFrm::THistoryField, 4> TsettingsFrm::HistoryFields() const {
    return {{{albumEdit, "album.lst"},
             {authorEdit, "author.lst"},
             {YearEdit, "Year.lst"},
             {copyrightEdit, "Copyright.lst"}}};
}

TsettingsFrm::TsettingsFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("settingsFrm"));
    setModal(true);
    setFixedSize(SettingsClientWidth, SettingsClientHeight);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    PageControl1 = new QStackedWidget(this);
    PageControl1->setGeometry(10, 8, SettingsClientWidth - 20, 284);
    settingsPage = BuildSettingsPage();
    id3Page = BuildId3Page();
    PageControl1->addWidget(settingsPage);
    PageControl1->addWidget(id3Page);

    skinButton2 = new QPushButton(tr("&OK"), this);
    skinButton1 = new QPushButton(tr("&Cancel"), this);
    const int w = 84, y = SettingsClientHeight - 12 - 27;
    skinButton2->setGeometry(SettingsClientWidth - 12 - 2 * w - 8, y, w, 27);
    skinButton1->setGeometry(SettingsClientWidth - 12 - w, y, w, 27);
    skinButton2->setDefault(true);
    skinButton2->setAutoDefault(false);
    skinButton1->setAutoDefault(false);
    connect(skinButton2, &QPushButton::clicked, this, [this] { skinButton2Click(); });
    connect(skinButton1, &QPushButton::clicked, this, [this] { skinButton1Click(); });
}

QWidget* TsettingsFrm::BuildSettingsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("settingsPage"));
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(10);
    box->addWidget(BuildFormatRow(page));
    FormatSettingsPage = new QStackedWidget(page);
    FormatSettingsPage->addWidget(BuildMp3Settings());
    FormatSettingsPage->addWidget(BuildFlacSettings());
    FormatSettingsPage->addWidget(BuildOpusSettings());
    box->addWidget(FormatSettingsPage, 1);
    ReplayGainCheck = new QCheckBox(tr(" Write &ReplayGain loudness values"), page);
    ReplayGainCheck->setAccessibleName(QString(ReplayGainCheck->text()).remove(u'&').trimmed());
    ReplayGainCheck->setToolTip(
        tr("Measures the loudness while ripping, so that players can play every track "
           "(and a track list as an album) equally loud."));
    // The rows every format shares, closer together, so that MP3's VBR rows keep their
    // heights in the dialog's size.
    auto* shared = new QVBoxLayout;
    shared->setSpacing(6);
    shared->addWidget(BuildDownmixRow(page));
    shared->addWidget(ReplayGainCheck);
    box->addLayout(shared);
    return page;
}

QWidget* TsettingsFrm::BuildMp3Settings() {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(10);

    QStringList bitrates;
    for (int32_t rate : MP3BitRates)
        bitrates.append(tr("%1 kbps").arg(rate));

    auto* bitrateGroup = new QGroupBox(tr("MP3 Bitrate "), page);
    auto* bitrateBox = new QVBoxLayout(bitrateGroup);
    bitrateBox->setSpacing(8);
    VBRCheck = new QCheckBox(tr(" Use &Variable Bitrate Mode"), bitrateGroup);
    bitrateBox->addWidget(VBRCheck);
    BitrateSettingsPage = new QStackedWidget(bitrateGroup);
    auto* cbrPage = new QWidget;
    auto* cbrBox = new QHBoxLayout(cbrPage);
    cbrBox->setContentsMargins(0, 0, 0, 0);
    auto* bitrateLabel = new QLabel(tr("Bitrate:"), cbrPage);
    bitRateSel = PickList(cbrPage);
    bitRateSel->addItems(bitrates);
    cbrBox->addWidget(bitrateLabel);
    cbrBox->addWidget(bitRateSel, 1);
    auto* vbrPage = new QWidget;
    auto* vbrBox = new QHBoxLayout(vbrPage);
    vbrBox->setContentsMargins(0, 0, 0, 0);
    // Without limits the quality alone sets each frame's rate, as LAME's -V does; the
    // limits are for those who want every frame within them.
    vbrLimitCheck = new QCheckBox(tr("&Limit:"), vbrPage);
    vbrLimitCheck->setToolTip(tr("Off: the quality alone decides the bit rate of every frame, "
                                 "as the encoder's -V does.\nOn: no frame goes below Min or "
                                 "above Max, silence included."));
    minBitrateSel = PickList(vbrPage);
    maxBitrateSel = PickList(vbrPage);
    minBitrateSel->addItems(bitrates);
    maxBitrateSel->addItems(bitrates);
    vbrBox->addWidget(vbrLimitCheck);
    vbrBox->addWidget(new QLabel(tr("Min:"), vbrPage));
    vbrBox->addWidget(minBitrateSel, 1);
    vbrBox->addSpacing(6);
    vbrBox->addWidget(new QLabel(tr("Max:"), vbrPage));
    vbrBox->addWidget(maxBitrateSel, 1);
    BitrateSettingsPage->addWidget(cbrPage);
    BitrateSettingsPage->addWidget(vbrPage);
    BitrateSettingsPage->setFixedHeight(bitRateSel->sizeHint().height() + 2);
    bitrateBox->addWidget(BitrateSettingsPage);
    // What each step trades, as the encoder's users know it: the typical average rate.
    vbrQualityRow = new QWidget(bitrateGroup);
    auto* qualityBox = new QHBoxLayout(vbrQualityRow);
    qualityBox->setContentsMargins(0, 0, 0, 0);
    vbrQualitySel = PickList(vbrQualityRow);
    for (int q = 0; q <= 9; ++q) {
        QString text = tr("V%1: about %2 kbps").arg(q).arg(VbrTypicalKbps(q));
        if (q == 0)
            text += tr(", best sound");
        else if (q == 2)
            text += tr(", transparent");
        else if (q == 9)
            text += tr(", smallest files");
        vbrQualitySel->addItem(text);
    }
    vbrQualitySel->setToolTip(tr("Lower numbers sound better and make larger files; with "
                                 "Limit checked, the minimum and maximum bit rates also bound "
                                 "every frame."));
    qualityBox->addWidget(new QLabel(tr("Quality:"), vbrQualityRow));
    qualityBox->addWidget(vbrQualitySel, 1);
    bitrateBox->addWidget(vbrQualityRow);
    connect(VBRCheck, &QCheckBox::clicked, this, [this] { VBRCheckClick(); });
    connect(vbrLimitCheck, &QCheckBox::clicked, this, [this] { vbrLimitCheckClick(); });

    // A screen reader names each list by its caption (the lists' own name is their value).
    bitrateLabel->setBuddy(bitRateSel);
    for (QLabel* label : vbrPage->findChildren<QLabel*>())
        label->setBuddy(label->text() == tr("Min:") ? minBitrateSel : maxBitrateSel);
    vbrQualityRow->findChild<QLabel*>()->setBuddy(vbrQualitySel);
    VBRCheck->setAccessibleName(QString(VBRCheck->text()).remove(u'&').trimmed());

    auto* rateGroup = new QGroupBox(tr(" Sample Rate "), page);
    auto* rateBox = new QVBoxLayout(rateGroup);
    samplerateSel = PickList(rateGroup);
    samplerateSel->addItems(
        {QStringLiteral("32000 Hz"), QStringLiteral("44100 Hz"), QStringLiteral("48000 Hz")});
    // Stored as 0: no resampling where the source's rate is one an MP3 can have.
    samplerateSel->addItem(tr("Same as the source"));
    samplerateSel->setItemData(SourceRateItem,
                               tr("A 48 kHz DVD stays at 48 kHz, a 44.1 kHz file at 44.1 kHz; "
                                  "other rates go to the nearest of their family."),
                               Qt::ToolTipRole);
    rateBox->addWidget(samplerateSel);
    connect(samplerateSel, &QComboBox::currentIndexChanged, this,
            [this] { SamplerateSelChange(); });

    auto* modeGroup = new QGroupBox(tr("Channel Mode"), page);
    auto* modeBox = new QVBoxLayout(modeGroup);
    ChannelModeSel = PickList(modeGroup);
    for (int32_t mode = 0; mode < int32_t(ChannelModeCaptions.size()); ++mode)
        ChannelModeSel->addItem(ChannelModeCaption(mode));
    modeBox->addWidget(ChannelModeSel);
    samplerateSel->setAccessibleName(rateGroup->title().trimmed());
    ChannelModeSel->setAccessibleName(modeGroup->title().trimmed());

    box->addWidget(bitrateGroup);
    // The two short lists side by side, so the format's row above them fits the dialog.
    auto* lists = new QHBoxLayout;
    lists->setSpacing(10);
    lists->addWidget(rateGroup, 1);
    lists->addWidget(modeGroup, 1);
    box->addLayout(lists);
    box->addStretch(1);
    return page;
}

QWidget* TsettingsFrm::BuildId3Page() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("id3Page"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox(tr("ID3 Tag"), page);
    auto* form = new QFormLayout(group);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setVerticalSpacing(8);
    form->setContentsMargins(10, 16, 10, 10);

    titleEdit = new QLineEdit(group);
    albumEdit = HistoryCombo(group);
    authorEdit = HistoryCombo(group);
    GenreEdit = HistoryCombo(group);
    GenreEdit->addItems(GenreNames());
    GenreEdit->setEditText(QString());
    YearEdit = HistoryCombo(group);
    copyrightEdit = HistoryCombo(group);
    titleEdit->setMaxLength(32767);
    form->addRow(tr("Title:"), titleEdit);
    form->addRow(tr("Album:"), albumEdit);
    form->addRow(tr("Artist:"), authorEdit);
    form->addRow(tr("Genre:"), GenreEdit);
    form->addRow(tr("Year:"), YearEdit);
    form->addRow(tr("Comment:"), copyrightEdit);
    auto* coverRow = new QWidget(group);
    auto* coverBox = new QHBoxLayout(coverRow);
    coverBox->setContentsMargins(0, 0, 0, 0);
    coverView = new QLabel(coverRow);
    coverView->setObjectName(QStringLiteral("coverView"));
    coverView->setFixedHeight(24);
    coverPickBtn = new QPushButton(tr("&Picture..."), coverRow);
    coverClearBtn = new QPushButton(tr("C&lear"), coverRow);
    coverPickBtn->setAutoDefault(false);
    coverClearBtn->setAutoDefault(false);
    coverBox->addWidget(coverView, 1);
    coverBox->addWidget(coverPickBtn);
    coverBox->addWidget(coverClearBtn);
    form->addRow(tr("Cover:"), coverRow);
    connect(coverPickBtn, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Cover picture"), QString(),
                                                          tr("Pictures (*.jpg *.jpeg *.png)"));
        if (!path.isEmpty())
            SetCoverFile(path);
    });
    connect(coverClearBtn, &QPushButton::clicked, this, [this] { ClearCover(); });
    // A screen reader names each field, and the edit inside a history list, by its caption.
    for (int row = 0; row < form->rowCount(); ++row) {
        auto* caption = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        QWidget* field = form->itemAt(row, QFormLayout::FieldRole)->widget();
        const QString name = QString(caption->text()).remove(u'&').remove(u':');
        field->setAccessibleName(name);
        if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit())
            combo->lineEdit()->setAccessibleName(name);
    }
    QWidget::setTabOrder(titleEdit, albumEdit);
    QWidget::setTabOrder(albumEdit, authorEdit);
    QWidget::setTabOrder(authorEdit, GenreEdit);
    QWidget::setTabOrder(GenreEdit, YearEdit);
    QWidget::setTabOrder(YearEdit, copyrightEdit);
    outer->addWidget(group);
    outer->addStretch(1);
    return page;
}

void TsettingsFrm::VBRCheckClick() {
    BitrateSettingsPage->setCurrentIndex(VBRCheck->isChecked() ? 1 : 0);
    vbrQualityRow->setVisible(VBRCheck->isChecked());
}

void TsettingsFrm::vbrLimitCheckClick() {
    minBitrateSel->setEnabled(vbrLimitCheck->isChecked());
    maxBitrateSel->setEnabled(vbrLimitCheck->isChecked());
}

bool TsettingsFrm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(e);
}

void TsettingsFrm::showEvent(QShowEvent* e) {
    FLoadErrorReported = false;
    FUnsavedLists.clear();
    FUnreadLists.clear();
    QDialog::showEvent(e);
}

void TsettingsFrm::FormActivate() {
    if (PageControl1->currentWidget() != id3Page)
        return;
    FUnsavedLists.clear(); // the lists are their files again
    FUnreadLists.clear();
    QStringList failures;
    for (const THistoryField& f : HistoryFields()) {
        const QString fileName = HistoryDir() + QLatin1String(f.file);
        try {
            LoadHistory(f.combo, fileName);
        } catch (const Exception& e) {
            // The list shows nothing of its file now: saving it would wipe the file.
            FUnreadLists.insert(f.combo);
            failures << QStringLiteral("%1: %2").arg(fileName, e.Message());
        }
    }
    // Closing the report activates the dialog again; one report per showing is enough,
    // or the two would chase each other for ever.
    if (!failures.isEmpty() && !FLoadErrorReported) {
        FLoadErrorReported = true;
        ReportException(EInOutError(tr("A history list can't be read; it is left "
                                       "as it is:\n") +
                                    failures.join(u'\n')));
    }
}

void TsettingsFrm::skinButton2Click() {
    if (PageControl1->currentWidget() == id3Page) {
        for (const THistoryField& f : HistoryFields()) {
            if (FUnreadLists.contains(f.combo))
                continue; // never written over with what little it shows
            const QString text = f.combo->currentText();
            const bool added = !text.isEmpty() && f.combo->findText(text, Qt::MatchFixedString) < 0;
            if (added)
                AddSorted(f.combo, text);
            if (!added && !FUnsavedLists.contains(f.combo))
                continue;
            const QString fileName = HistoryDir() + QLatin1String(f.file);
            try {
                SaveListFile(fileName, Items(f.combo));
                FUnsavedLists.remove(f.combo);
            } catch (const Exception& e) {
                // The entry stays listed and the dialog open: nothing typed is lost. The
                // next OK saves this list again, then goes on with the fields after it.
                FUnsavedLists.insert(f.combo);
                ReportException(EInOutError(
                    tr("The history list can't be saved:\n%1: %2").arg(fileName, e.Message())));
                return;
            }
        }
    }
    done(1);
}

void TsettingsFrm::skinButton1Click() {
    done(2);
}

void TsettingsFrm::reject() {
    done(2);
}

QComboBox* TsettingsFrm::PickList(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->setMaxVisibleItems(18);
    return list;
}

void TsettingsFrm::SelectNumber(QComboBox* list, int value, const QString& suffix) {
    const int exact = list->findText(QString::number(value) + suffix, Qt::MatchExactly);
    if (exact >= 0) {
        list->setCurrentIndex(exact);
        return;
    }
    int best = -1;
    qint64 bestDistance = 0;
    for (int i = 0; i < list->count(); ++i) {
        int32_t number;
        try {
            number = LeadingNumber(list->itemText(i));
        } catch (const Exception&) {
            continue;
        }
        const qint64 distance = std::llabs(qint64(number) - value);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best >= 0)
        list->setCurrentIndex(best);
}

void TsettingsFrm::SamplerateSelChange() {
    auto* items = qobject_cast<QStandardItemModel*>(bitRateSel->model());
    if (!items || samplerateSel->currentIndex() < 0)
        return;
    // The source's own rate is one of the three, which carry the same bit rates.
    const int hz = samplerateSel->currentIndex() == SourceRateItem
                       ? 44100
                       : LeadingNumber(samplerateSel->currentText());
    QStringList carried;
    for (int i = 0; i < bitRateSel->count() && i < int(MP3BitRates.size()); ++i) {
        const bool can = CbrRateCarried(MP3BitRates[size_t(i)], hz);
        items->item(i)->setEnabled(can);
        if (can)
            carried << QString::number(MP3BitRates[size_t(i)]);
    }
    bitRateSel->setToolTip(tr("An MP3 at %1 Hz can have a constant bit rate of %2 kbit/s.")
                               .arg(QString::number(hz), carried.join(QStringLiteral(", "))));
    const int chosen = bitRateSel->currentIndex();
    if (chosen < 0 || items->item(chosen)->isEnabled())
        return;
    int best = -1;
    for (int i = 0; i < bitRateSel->count(); ++i)
        if (items->item(i)->isEnabled() &&
            (best < 0 || std::abs(i - chosen) < std::abs(best - chosen)))
            best = i;
    if (best >= 0)
        bitRateSel->setCurrentIndex(best);
}

void TsettingsFrm::FillMp3Page(const TAppSettings& settings) {
    PageControl1->setCurrentWidget(settingsPage);
    FillFormatSettings(settings); // names the dialog after the format
    SelectNumber(bitRateSel, settings.AudioBitrate, QStringLiteral(" kbps"));
    SelectNumber(minBitrateSel, settings.AudioVbrMinBitrate, QStringLiteral(" kbps"));
    SelectNumber(maxBitrateSel, settings.AudioVbrMaxBitrate, QStringLiteral(" kbps"));
    if (settings.AudioSampleRate == 0)
        samplerateSel->setCurrentIndex(SourceRateItem);
    else
        SelectNumber(samplerateSel, settings.AudioSampleRate, QStringLiteral(" Hz"));
    SamplerateSelChange(); // also when the rate stays, for the stored bit rate
    ChannelModeSel->setCurrentIndex(std::clamp(settings.AudioChannels, 0, 3));
    VBRCheck->setChecked(settings.AudioVBR);
    BitrateSettingsPage->setCurrentIndex(settings.AudioVBR ? 1 : 0);
    vbrQualityRow->setVisible(settings.AudioVBR);
    vbrQualitySel->setCurrentIndex(std::clamp(settings.AudioVbrQuality, 0, 9));
    vbrLimitCheck->setChecked(settings.AudioVbrLimits);
    vbrLimitCheckClick();
    ReplayGainCheck->setChecked(settings.ReplayGain);
    DownmixSel->setCurrentIndex(std::clamp(settings.AudioDownmix, 0, 1));
}

void TsettingsFrm::ReadMp3Page(TAppSettings& settings) const {
    settings.AudioBitrate = LeadingNumber(bitRateSel->currentText());
    settings.AudioVbrMinBitrate = LeadingNumber(minBitrateSel->currentText());
    settings.AudioVbrMaxBitrate = LeadingNumber(maxBitrateSel->currentText());
    settings.AudioSampleRate = samplerateSel->currentIndex() == SourceRateItem
                                   ? 0
                                   : LeadingNumber(samplerateSel->currentText());
    settings.AudioChannels = ChannelModeSel->currentIndex();
    settings.AudioVBR = VBRCheck->isChecked();
    settings.AudioVbrQuality = vbrQualitySel->currentIndex();
    settings.AudioVbrLimits = vbrLimitCheck->isChecked();
    settings.ReplayGain = ReplayGainCheck->isChecked();
    settings.AudioDownmix = DownmixSel->currentIndex();
    ReadFormatSettings(settings);
}

void TsettingsFrm::FillTagPage(const TCurrentTag& tag) {
    PageControl1->setCurrentWidget(id3Page);
    setWindowTitle(tr("ID3 Tag Editor"));
    titleEdit->setText(tag.Title);
    albumEdit->setEditText(tag.Album);
    GenreEdit->setEditText(tag.Genre);
    copyrightEdit->setEditText(tag.Comment);
    authorEdit->setEditText(tag.Artist);
    YearEdit->setEditText(tag.Year);
    FCover = tag.Cover;
    ShowCover();
}

bool TsettingsFrm::SetCoverFile(const QString& path) {
    QString error;
    const std::vector<uint8_t> jpeg = CoverFromFile(path, error);
    if (jpeg.empty()) {
        ShowMessageBox(0, tr("The cover cannot be used: ") + error, tr("&Close"), tr("&Help"));
        return false;
    }
    FCover = QByteArray(reinterpret_cast<const char*>(jpeg.data()), qsizetype(jpeg.size()));
    ShowCover();
    return true;
}

void TsettingsFrm::ClearCover() {
    FCover.clear();
    ShowCover();
}

void TsettingsFrm::ShowCover() {
    const QImage picture = QImage::fromData(FCover, "JPG");
    coverClearBtn->setEnabled(!picture.isNull());
    if (picture.isNull()) {
        coverView->setPixmap(QPixmap());
        coverView->setText(tr("None"));
        return;
    }
    coverView->setText(QString());
    coverView->setPixmap(
        QPixmap::fromImage(picture.scaled(48, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    coverView->setToolTip(tr("%1 x %2 pixels").arg(picture.width()).arg(picture.height()));
}

void TsettingsFrm::ReadTagPage(TCurrentTag& tag) const {
    tag.Cover = FCover;
    tag.Title = LeftCodePoints(titleEdit->text(), TagTextMax);
    tag.Album = LeftCodePoints(albumEdit->currentText(), TagTextMax);
    tag.Genre = LeftCodePoints(GenreEdit->currentText(), TagTextMax);
    tag.Comment = LeftCodePoints(copyrightEdit->currentText(), TagTextMax);
    tag.Artist = LeftCodePoints(authorEdit->currentText(), TagTextMax);
    tag.Year = LeftCodePoints(YearEdit->currentText(), TagTextMax);
}

TsettingsFrm& SettingsForm() {
    return SingleForm<TsettingsFrm>();
}
