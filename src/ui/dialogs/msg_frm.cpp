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

#include <algorithm>
#include <memory>
#include <vector>

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
    cancelBtn = new QPushButton(tr("Cancel"), band);
    cancelBtn->setObjectName(QStringLiteral("cancelBtn"));
    setCancelShown(false);
    okBtn->setDefault(true);
    connect(okBtn, &QPushButton::clicked, this, [this] { okBtnClick(); });
    connect(helpBtn, &QPushButton::clicked, this, [this] { helpBtnClick(); });
    connect(cancelBtn, &QPushButton::clicked, this, [this] { done(0); });
}

void TmsgFrm::setCancelShown(bool shown) {
    cancelBtn->setVisible(shown);
    PlaceButtons();
}

void TmsgFrm::PlaceButtons() {
    // At least the designed width, wider for a caption that needs it ("Ordner &öffnen" at
    // a large scale); centred in the band.
    const int designed = 84, gap = 10, y = (MsgClientHeight - ButtonBandTop - 27) / 2;
    std::vector<QPushButton*> shown = {okBtn, helpBtn};
    if (!cancelBtn->isHidden())
        shown.push_back(cancelBtn);
    int total = -gap;
    for (QPushButton* b : shown) {
        const QString caption = QString(b->text()).remove(u'&');
        b->resize(std::max(designed, b->fontMetrics().horizontalAdvance(caption) + 20), 27);
        total += b->width() + gap;
    }
    int x = std::max(4, (MsgClientWidth - total) / 2);
    for (QPushButton* b : shown) {
        b->move(x, y);
        x += b->width() + gap;
    }
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
    PlaceButtons(); // the captions are the caller's, set after construction
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
    done(cancelBtn->isVisibleTo(this) ? 0 : 2);
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

namespace {
int ShowBox(int icon, const QString& text, const QString& leftCaption, const QString& rightCaption,
            const QString& cancelCaption) {
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
    box->setCancelShown(!cancelCaption.isEmpty());
    if (!cancelCaption.isEmpty())
        box->cancelBtn->setText(cancelCaption);
    return box->exec();
}
} // namespace

int ShowMessageBox(int icon, const QString& text, const QString& leftCaption,
                   const QString& rightCaption) {
    if (Hook())
        return Hook()(icon, text, leftCaption, rightCaption);
    return ShowBox(icon, text, leftCaption, rightCaption, QString());
}

int AskWithCancel(int icon, const QString& text, const QString& leftCaption,
                  const QString& middleCaption, const QString& cancelCaption) {
    const QString cancel =
        cancelCaption.isEmpty() ? QCoreApplication::translate("TmsgFrm", "Cancel") : cancelCaption;
    const int answer = Hook() ? Hook()(icon, text, leftCaption, middleCaption)
                              : ShowBox(icon, text, leftCaption, middleCaption, cancel);
    return answer == 1 || answer == 2 ? answer : 0;
}
