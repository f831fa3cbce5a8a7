#include "ui/dialogs/tips_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "base/exception.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/single_form.h"
#include "ui/skin/image.h"
#include "ui/skin/skin_style.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int TipsClientWidth = 452;
constexpr int TipsClientHeight = 303;
const char* const NoTips = QT_TRANSLATE_NOOP("TTipsFrm", "No tips found!");
} // namespace

TTipsFrm::TTipsFrm(QWidget* parent, const QString& fileName) : QDialog(parent) {
    setObjectName(QStringLiteral("TipsFrm"));
    setModal(true);
    setFixedSize(TipsClientWidth, TipsClientHeight);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(tr("Tip of the Day"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("tipsPanel"));
    panel->setGeometry(10, 10, TipsClientWidth - 20, 236);
    panel->setStyleSheet(
        QStringLiteral("#tipsPanel { background: #FFFFFF; border: 1px solid #9AA6C6;"
                       " border-top-color: #7E8BAE; border-left-color: #7E8BAE; }"));

    auto* strip = new QFrame(panel);
    strip->setObjectName(QStringLiteral("tipsStrip"));
    strip->setGeometry(1, 1, 64, 234);
    strip->setStyleSheet(QStringLiteral("#tipsStrip { background: qlineargradient(x1:0, y1:0,"
                                        " x2:0, y2:1, stop:0 %1, stop:1 #2F4AAE); }")
                             .arg(SkinMainColor().name()));
    auto* bulb = new TImage(QStringLiteral("tips"), strip);
    bulb->move((64 - bulb->width()) / 2, 14);

    auto* heading = new QLabel(tr("Did you know?"), panel);
    QFont hf(QStringLiteral("serif"));
    hf.setStyleHint(QFont::Serif);
    hf.setBold(true);
    hf.setPointSizeF(font().pointSizeF() * 1.6);
    heading->setFont(hf);
    heading->setStyleSheet(QStringLiteral("color: #1D2A52;"));
    heading->setGeometry(80, 12, 330, 34);

    auto* line = new QFrame(panel);
    line->setGeometry(80, 50, 334, 1);
    line->setStyleSheet(QStringLiteral("background: #C0C0C0;"));

    TipLabel = new QLabel(panel);
    TipLabel->setObjectName(QStringLiteral("TipLabel"));
    TipLabel->setTextFormat(Qt::PlainText);
    TipLabel->setWordWrap(true);
    TipLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    TipLabel->setGeometry(80, 62, 334, 160);
    TipLabel->setStyleSheet(QStringLiteral("color: #1D2A52;"));

    ifShowTips = new QCheckBox(tr("Show &Tips on Startup"), this);
    ifShowTips->setChecked(true);
    ifShowTips->setGeometry(12, 262, 200, 24);

    skinButton1 = new QPushButton(tr("&Next Tip"), this);
    skinButton2 = new QPushButton(tr("&OK"), this);
    // Room for the captions in other languages too ("&Nächster Tipp").
    skinButton1->setGeometry(TipsClientWidth - 10 - 2 * 104 - 8, 259, 104, 27);
    skinButton2->setGeometry(TipsClientWidth - 10 - 104, 259, 104, 27);
    skinButton2->setDefault(true);
    connect(skinButton1, &QPushButton::clicked, this, [this] { skinButton1Click(); });
    connect(skinButton2, &QPushButton::clicked, this, [this] { skinButton2Click(); });

    FormCreate(fileName.isEmpty() ? LocalTipsFile() : fileName);
}

QString TTipsFrm::LocalTipsFile() {
    return LocalDataFile(TipsFileName);
}

void TTipsFrm::FormCreate(const QString& fileName) {
    if (QFileInfo::exists(fileName)) {
        try {
            LoadListFile(fileName, FTips);
        } catch (const Exception& e) {
            FTips.clear();
            ReportException(e);
        }
    }
    // A missing, empty or unreadable file leaves nothing to show but this.
    if (FTips.isEmpty())
        FTips.append(tr(NoTips));
    ShowNextTip();
}

void TTipsFrm::ShowNextTip() {
    if (TipsIndex == TipsOff || FTips.isEmpty())
        return;
    // Computed wide: a stored value near the integer limit must not overflow, and a
    // negative one (never written by the program) starts again at the first tip.
    qint64 next = qint64(TipsIndex) + 1;
    if (next >= FTips.size() || next < 0)
        next = 0;
    TipsIndex = int32_t(next);
    TipLabel->setText(FTips.at(TipsIndex));
}

void TTipsFrm::skinButton1Click() {
    ShowNextTip();
}

void TTipsFrm::skinButton2Click() {
    if (!ifShowTips->isChecked())
        TipsIndex = TipsOff;
    done(1);
}

void TTipsFrm::reject() {
    done(2);
}

void TTipsFrm::done(int result) {
    FTips.clear();
    QDialog::done(result);
}

TTipsFrm& TipsForm() {
    return SingleForm<TTipsFrm>();
}
