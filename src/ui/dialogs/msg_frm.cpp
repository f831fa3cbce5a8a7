#include "ui/dialogs/msg_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "desktop/help.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/single_form.h"
#include "ui/skin/image.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {
const char* const HelpCaption = QT_TRANSLATE_NOOP("TmsgFrm", "&Help");
constexpr int MsgClientWidth = 326;
constexpr int MsgClientHeight = 215;
constexpr int ButtonBandTop = 158;
} // namespace

TmsgFrm::TmsgFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("msgFrm"));
    setModal(true);
    setFixedSize(MsgClientWidth, MsgClientHeight);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(AppTitle);

    // Message on white above, buttons on a light band below.
    auto* body = new QFrame(this);
    body->setGeometry(0, 0, MsgClientWidth, ButtonBandTop);
    body->setObjectName(QStringLiteral("msgBody"));
    body->setStyleSheet(QStringLiteral("#msgBody { background: #FFFFFF; }"));
    auto* band = new QFrame(this);
    band->setGeometry(0, ButtonBandTop, MsgClientWidth, MsgClientHeight - ButtonBandTop);
    band->setObjectName(QStringLiteral("msgBand"));
    band->setStyleSheet(
        QStringLiteral("#msgBand { background: #E9EEFB; border-top: 1px solid #C9D4F2; }"));

    icon = new TImage(body);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setGeometry(24, 30, 42, 42);

    msgLabel = new QLabel(body);
    msgLabel->setObjectName(QStringLiteral("msgLabel"));
    msgLabel->setTextFormat(Qt::PlainText);
    msgLabel->setWordWrap(true);
    msgLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A fixed area: longer texts are cut at its lower edge, the box keeps its size.
    msgLabel->setGeometry(84, 30, 217, 97);
    msgLabel->setStyleSheet(QStringLiteral("color: #1D2A52;"));

    okBtn = new QPushButton(tr("&OK"), band);
    okBtn->setObjectName(QStringLiteral("okBtn"));
    helpBtn = new QPushButton(tr(HelpCaption), band);
    helpBtn->setObjectName(QStringLiteral("helpBtn"));
    const int bandHeight = MsgClientHeight - ButtonBandTop;
    const int y = (bandHeight - 27) / 2;
    // Wide enough for the captions callers give in every language ("&Schließen").
    okBtn->setGeometry(MsgClientWidth / 2 - 84 - 5, y, 84, 27);
    helpBtn->setGeometry(MsgClientWidth / 2 + 5, y, 84, 27);
    okBtn->setDefault(true);
    connect(okBtn, &QPushButton::clicked, this, [this] { okBtnClick(); });
    connect(helpBtn, &QPushButton::clicked, this, [this] { helpBtnClick(); });
}

QString TmsgFrm::IconPicture(int index) {
    static const char* const names[] = {"msg_error", "msg_info", "msg_question", "msg_warning"};
    if (index < 0 || index >= 4)
        return QString();
    return QString::fromLatin1(names[index]);
}

void TmsgFrm::showEvent(QShowEvent* e) {
    FormShow();
    QDialog::showEvent(e);
}

void TmsgFrm::FormShow() {
    // Named after the program, so the desktop's task list and a screen reader say whose
    // question it is.
    setWindowTitle(AppTitle.isEmpty() ? QCoreApplication::applicationName() : AppTitle);
    icon->setPicture(IconPicture(FIconIndex), false);
    okBtn->setFocus();
}

void TmsgFrm::okBtnClick() {
    done(1);
}

void TmsgFrm::helpBtnClick() {
    if (helpBtn->text() == tr(HelpCaption)) {
        // Every box with a Help button reports a problem: the help opens at that topic.
        OpenHelp(QStringLiteral("problems")); // the box stays: the user answers after reading
        return;
    }
    done(2);
}

void TmsgFrm::reject() {
    done(2);
}

TmsgFrm& MessageBoxForm() {
    return SingleForm<TmsgFrm>();
}

static TMessageBoxHook& Hook() {
    static TMessageBoxHook hook;
    return hook;
}

void SetMessageBoxHook(TMessageBoxHook hook) {
    Hook() = std::move(hook);
}

int ShowMessageBox(int icon, const QString& text, const QString& leftCaption,
                   const QString& rightCaption) {
    if (Hook())
        return Hook()(icon, text, leftCaption, rightCaption);
    TmsgFrm* box = &MessageBoxForm();
    // A message raised while the box is already up (from a timer or a queued report)
    // gets a box of its own: the shared one cannot run a second modal loop.
    std::unique_ptr<TmsgFrm> nested;
    if (box->isVisible()) {
        nested = std::make_unique<TmsgFrm>();
        box = nested.get();
    }
    box->setIconIndex(icon);
    box->msgLabel->setText(text);
    box->okBtn->setText(leftCaption);
    box->helpBtn->setText(rightCaption);
    return box->exec();
}
