#include "ui/dialogs/about_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "desktop/help.h"
#include "desktop/shell.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/single_form.h"
#include "ui/skin/image.h"
#include "ui/skin/link_label.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

QString HomePageUrl = QStringLiteral(SONAVEL_HOMEPAGE);
const QString CopyrightNotice = QStringLiteral("Copyright \u00A9 2026 Vemra");

namespace {
constexpr int AboutClientWidth = 471;
constexpr int AboutClientHeight = 380;
} // namespace

TVersionDisplay VersionDisplay(const QString& fileVersion) {
    if (fileVersion.isEmpty())
        return {QCoreApplication::translate("TaboutFrm", "No info"), QString()};
    QStringList pieces;
    SplitText(fileVersion, QStringLiteral("."), pieces);
    if (pieces.size() < 3)
        return {fileVersion, QString()};
    const QString build = pieces.last();
    pieces.resize(pieces.size() - 2); // the second piece from the end is never shown
    return {pieces.join(u'.'), build};
}

TaboutFrm::TaboutFrm(QWidget* parent)
    : QDialog(parent), FFileVersion(QStringLiteral(SONAVEL_VERSION)) {
    setObjectName(QStringLiteral("aboutFrm"));
    setModal(true);
    setFixedSize(AboutClientWidth, AboutClientHeight);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("pictureFrame"));
    frame->setGeometry(10, 10, 166 + 4, 308 + 4);
    frame->setStyleSheet(QStringLiteral("#pictureFrame { background: #FFFFFF;"
                                        " border: 2px solid #FFFFFF;"
                                        " border-right-color: #8C98BC;"
                                        " border-bottom-color: #8C98BC; }"));
    auto* picture = new TImage(QStringLiteral("about"), frame);
    picture->move(2, 2);

    auto* info = new QWidget(this);
    info->setGeometry(186, 14, AboutClientWidth - 186 - 8, 304);
    // Slightly smaller text, so the support address fits beside its caption.
    QFont infoFont = info->font();
    infoFont.setPointSizeF(infoFont.pointSizeF() * 0.94);
    info->setFont(infoFont);
    auto* grid = new QGridLayout(info);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    titleLabel = new QLabel(info);
    QFont tf = titleLabel->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.7);
    titleLabel->setFont(tf);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setStyleSheet(QStringLiteral("color: #D01818;"));
    grid->addWidget(titleLabel, 0, 0, 1, 2);
    grid->setRowMinimumHeight(1, 18);

    auto caption = [info] {
        auto* l = new QLabel(info);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setStyleSheet(QStringLiteral("color: #4A5678;"));
        return l;
    };
    versionLabel = caption();
    versionLabel2 = new QLabel(info);
    buildLabel = new QLabel(info);
    HomepageLabel = caption();
    homePageUrlLabel = new TLinkLabel(info);
    supportEmailLabel = caption();
    support_Email = new TLinkLabel(info);
    for (QLabel* l : {versionLabel2, buildLabel})
        l->setStyleSheet(QStringLiteral("color: #1D2A52; font-weight: bold;"));
    grid->addWidget(versionLabel, 2, 0);
    grid->addWidget(versionLabel2, 2, 1);
    grid->addWidget(buildLabel, 3, 1);
    grid->setRowMinimumHeight(4, 12);
    grid->addWidget(HomepageLabel, 5, 0);
    grid->addWidget(homePageUrlLabel, 5, 1);
    grid->addWidget(supportEmailLabel, 6, 0);
    grid->addWidget(support_Email, 6, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);

    auto* rule = new QFrame(info);
    rule->setFixedHeight(1);
    rule->setStyleSheet(QStringLiteral("background: #C9D4F2;"));
    grid->addWidget(rule, 8, 0, 1, 2);
    copyLabel1 = new QLabel(info);
    copyLabel2 = new QLabel(info);
    for (QLabel* l : {copyLabel1, copyLabel2}) {
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral("color: #4A5678;"));
    }
    // The licence line is longer in other languages than the box is wide: it wraps.
    copyLabel2->setWordWrap(true);
    grid->addWidget(copyLabel1, 9, 0, 1, 2);
    grid->addWidget(copyLabel2, 10, 0, 1, 2);

    helpBtn = new QPushButton(this);
    homePageBtn = new QPushButton(this);
    okBtn = new QPushButton(this);
    const int y = AboutClientHeight - 12 - 27;
    const int w = 84, gap = 8;
    okBtn->setGeometry(AboutClientWidth - 12 - w, y, w, 27);
    homePageBtn->setGeometry(AboutClientWidth - 12 - 2 * w - gap, y, w, 27);
    helpBtn->setGeometry(AboutClientWidth - 12 - 3 * w - 2 * gap, y, w, 27);
    okBtn->setDefault(true);

    connect(okBtn, &QPushButton::clicked, this, [this] { okBtnClick(); });
    connect(helpBtn, &QPushButton::clicked, this, [this] { helpBtnClick(); });
    connect(homePageBtn, &QPushButton::clicked, this, [this] { homePageUrlLabelClick(); });
    connect(homePageUrlLabel, &TLinkLabel::clicked, this, [this] { homePageUrlLabelClick(); });
    connect(support_Email, &TLinkLabel::clicked, this, [this] { support_EmailClick(); });
}

void TaboutFrm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TaboutFrm::FormShow() {
    setWindowTitle(tr("About") + u' ' + AppTitle);
    titleLabel->setText(AppTitle);
    versionLabel->setText(tr("Version") + u':');
    HomepageLabel->setText(tr("Home Page") + u':');
    // Alt+E reaches the address; the home page has its button's Alt+P.
    supportEmailLabel->setText(tr("Support &Email") + u':');
    supportEmailLabel->setBuddy(support_Email);
    helpBtn->setText(tr("&Help"));
    homePageBtn->setText(tr("Home &Page"));
    okBtn->setText(tr("&OK"));
    homePageUrlLabel->setText(HomePageUrl);
    // Without a configured home page there is no address to credit, so none is shown.
    for (QWidget* w : {static_cast<QWidget*>(HomepageLabel),
                       static_cast<QWidget*>(homePageUrlLabel), static_cast<QWidget*>(homePageBtn)})
        w->setVisible(!HomePageUrl.isEmpty());
    support_Email->setText(SupportEmail);
    copyLabel1->setText(CopyrightNotice);
    copyLabel2->setText(tr("Free software under the GNU General Public License,\n"
                           "version 2 or later"));

    const TVersionDisplay shown = VersionDisplay(FFileVersion);
    versionLabel2->setText(shown.Version);
    buildLabel->setText(shown.Build.isEmpty() ? QString()
                                              : QStringLiteral("(Build ") + shown.Build + u')');
    okBtn->setFocus();
}

void TaboutFrm::okBtnClick() {
    done(1);
}

void TaboutFrm::reject() {
    done(2);
}

void TaboutFrm::helpBtnClick() {
    OpenHelp();
}

void TaboutFrm::homePageUrlLabelClick() {
    shell::OpenUrl(QUrl(HomePageUrl)); // no handler: nothing to report
}

void TaboutFrm::support_EmailClick() {
    shell::OpenUrl(QUrl(QStringLiteral("mailto:") + SupportEmail + MailSubject));
}

TaboutFrm& AboutBoxForm() {
    return SingleForm<TaboutFrm>();
}

void ShowAboutBox() {
    AboutBoxForm().exec();
}
