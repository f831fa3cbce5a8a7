// TsettingsFrm: the output page's format choice, the settings of FLAC and Opus and the
// downmix every format shares (the MP3 settings are built in settings_frm.cpp).
#include "ui/dialogs/settings_frm.h"

#include "audio/rip/mp3_out.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// FLAC's rates besides the source's own.
constexpr int FlacRates[] = {32000, 44100, 48000, 88200, 96000};
// Opus's bit rates offered, kbit/s.
constexpr int OpusRates[] = {32, 48, 64, 80, 96, 112, 128, 160, 192, 224, 256};

QWidget* Labelled(const QString& Label, QComboBox* List, QWidget* Parent) {
    auto* row = new QWidget(Parent);
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(Label, row);
    label->setBuddy(List); // its mnemonic, else the "&" would show
    box->addWidget(label);
    box->addWidget(List, 1);
    return row;
}

} // namespace

QWidget* TsettingsFrm::BuildFormatRow(QWidget* parent) {
    formatSel = PickList(parent);
    formatSel->addItems({tr("MP3"), tr("FLAC (lossless)"), tr("Opus")});
    formatSel->setToolTip(tr("MP3 plays everywhere; FLAC keeps every bit of the source's sound "
                             "(larger files); Opus sounds better than MP3 at the same size."));
    connect(formatSel, &QComboBox::currentIndexChanged, this, [this] { FormatSelChange(); });
    return Labelled(tr("&Format:"), formatSel, parent);
}

QWidget* TsettingsFrm::BuildDownmixRow(QWidget* parent) {
    // 5.1 and 7.1 sound, whatever the format: where the dialogue is, the centre, is the
    // quietest in the fold.
    DownmixSel = PickList(parent);
    DownmixSel->addItems({tr("Standard"), tr("Dialogue: centre lifted")});
    DownmixSel->setToolTip(
        tr("How 5.1 and 7.1 sound becomes stereo. Standard: the centre and the surrounds "
           "at -3 dB against the fronts (AC-3 by the levels it carries). Dialogue: the "
           "centre at +3 dB against the fronts, the surrounds at -6 dB. Neither can clip."));
    return Labelled(tr("&Surround:"), DownmixSel, parent);
}

QWidget* TsettingsFrm::BuildFlacSettings() {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(10);
    auto* group = new QGroupBox(tr("FLAC"), page);
    auto* groupBox = new QVBoxLayout(group);
    groupBox->setSpacing(8);
    flacLevelSel = PickList(group);
    for (int level = FlacLevelMin; level <= FlacLevelMax; ++level) {
        QString text = QString::number(level);
        if (level == FlacLevelMin)
            text += tr(", fastest");
        else if (level == FlacLevelDefault)
            text += tr(", the usual");
        else if (level == FlacLevelMax)
            text += tr(", smallest");
        flacLevelSel->addItem(text);
    }
    flacLevelSel->setToolTip(tr("Every level keeps the sound exactly; higher levels take "
                                "longer and make slightly smaller files."));
    groupBox->addWidget(Labelled(tr("Compression:"), flacLevelSel, group));
    flacSamplerateSel = PickList(group);
    flacSamplerateSel->addItem(tr("The source's own"));
    for (int hz : FlacRates)
        flacSamplerateSel->addItem(QStringLiteral("%1 Hz").arg(hz));
    flacSamplerateSel->setToolTip(tr("Another rate than the source's is resampled, so the "
                                     "file no longer holds the source's samples."));
    groupBox->addWidget(Labelled(tr("Sample rate:"), flacSamplerateSel, group));
    box->addWidget(group);
    box->addStretch(1);
    return page;
}

QWidget* TsettingsFrm::BuildOpusSettings() {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    auto* group = new QGroupBox(tr("Opus"), page);
    auto* groupBox = new QVBoxLayout(group);
    opusBitrateSel = PickList(group);
    for (int kbps : OpusRates)
        opusBitrateSel->addItem(tr("%1 kbps").arg(kbps));
    opusBitrateSel->setToolTip(tr("Variable bit rate around this average; 48 kHz, as Opus "
                                  "always is."));
    groupBox->addWidget(Labelled(tr("Bitrate:"), opusBitrateSel, group));
    box->addWidget(group);
    box->addStretch(1);
    return page;
}

void TsettingsFrm::FormatSelChange() {
    const int format = std::max(0, formatSel->currentIndex());
    FormatSettingsPage->setCurrentIndex(format);
    if (PageControl1->currentWidget() != settingsPage)
        return;
    setWindowTitle(format == ofFLAC   ? tr("FLAC Settings ...")
                   : format == ofOpus ? tr("Opus Settings ...")
                                      : tr("MP3 Settings ..."));
}

void TsettingsFrm::FillFormatSettings(const TAppSettings& settings) {
    flacLevelSel->setCurrentIndex(std::clamp(settings.FlacLevel, FlacLevelMin, FlacLevelMax));
    if (settings.FlacSampleRate <= 0)
        flacSamplerateSel->setCurrentIndex(0);
    else
        SelectNumber(flacSamplerateSel, settings.FlacSampleRate, QStringLiteral(" Hz"));
    SelectNumber(opusBitrateSel, settings.OpusBitrate, QStringLiteral(" kbps"));
    formatSel->setCurrentIndex(std::clamp<int>(settings.OutputFormat, ofMP3, ofOpus));
    FormatSelChange(); // also when the format stays
}

void TsettingsFrm::ReadFormatSettings(TAppSettings& settings) const {
    settings.OutputFormat = std::max(0, formatSel->currentIndex());
    settings.FlacLevel = std::max(0, flacLevelSel->currentIndex());
    settings.FlacSampleRate = flacSamplerateSel->currentIndex() <= 0
                                  ? 0
                                  : FlacRates[flacSamplerateSel->currentIndex() - 1];
    settings.OpusBitrate = OpusRates[std::max(0, opusBitrateSel->currentIndex())];
}
