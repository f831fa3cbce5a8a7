#include "dialog_test_util.h"

#include "app/globals.h"
#include "base/exception.h"
#include "desktop/shell.h"
#include "support/test_env.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/skin/image.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
const QString SourceFailed =
    QStringLiteral("The source file can NOT be opened. Normally you need only install the "
                   "needed codecs to solve the problem. Click the Help button to get more "
                   "helps.");
}

TEST(MessageBox, LeftButtonAnswersOneAndRightButtonTwo) {
    TmsgFrm& box = MessageBoxForm();
    Later([&] { box.okBtn->click(); });
    EXPECT_EQ(ShowMessageBox(2, QStringLiteral("Overwrite?"), QStringLiteral("&Yes"),
                             QStringLiteral("&No")),
              1);
    EXPECT_FALSE(box.isVisible());

    Later([&] { box.helpBtn->click(); });
    EXPECT_EQ(ShowMessageBox(2, QStringLiteral("Overwrite?"), QStringLiteral("&Yes"),
                             QStringLiteral("&No")),
              2);
}

TEST(MessageBox, TitleBarCloseAndEscapeAnswerTwo) {
    TmsgFrm& box = MessageBoxForm();
    Later([&] { box.close(); });
    EXPECT_EQ(ShowMessageBox(2, QStringLiteral("Create the folder?"), QStringLiteral("&Yes"),
                             QStringLiteral("&No")),
              2);
    Later([&] { box.reject(); });
    EXPECT_EQ(
        ShowMessageBox(1, QStringLiteral("Done"), QStringLiteral("&Yes"), QStringLiteral("&No")),
        2);
}

TEST(MessageBox, HelpOpensTheHelpAndLeavesTheBoxOpen) {
    TUrlRecorder urls;
    TmsgFrm& box = MessageBoxForm();
    bool stillOpen = false;
    Later([&] {
        box.helpBtn->click();
        stillOpen = box.isVisible();
        box.helpBtn->click(); // the user may read the help more than once
        box.okBtn->click();   // "&Close"
    });
    EXPECT_EQ(ShowMessageBox(1, SourceFailed, QStringLiteral("&Close"), QStringLiteral("&Help")),
              1);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(urls.Urls.size(), 2u);
    EXPECT_TRUE(urls.Urls[0].isLocalFile());
    EXPECT_TRUE(urls.Urls[0].toLocalFile().endsWith(QStringLiteral("/sonavel.html")));
    // Straight to the topic that explains the failures, which the page has.
    EXPECT_EQ(urls.Urls[0].fragment(), QStringLiteral("problems"));
    EXPECT_TRUE(QString::fromUtf8(ReadFile(urls.Urls[0].toLocalFile()))
                    .contains(QStringLiteral("<section id=\"problems\">")));
}

TEST(MessageBox, HelpWhoseBrowserCannotStartSaysSoAndWhereTheHelpIs) {
    // A desktop without a browser: the desktop refuses every address.
    int asked = 0;
    shell::SetOpenUrlHook([&](const QUrl&) {
        ++asked;
        return false;
    });
    TReportRecorder reports;
    TmsgFrm& box = MessageBoxForm();
    Later([&] {
        box.helpBtn->click();
        box.okBtn->click();
    });
    EXPECT_EQ(ShowMessageBox(1, SourceFailed, QStringLiteral("&Close"), QStringLiteral("&Help")),
              1);
    TaboutFrm about;
    Later([&] {
        about.helpBtn->click();
        about.okBtn->click();
    });
    EXPECT_EQ(about.exec(), 1);
    shell::SetOpenUrlHook({});
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(reports.Messages.size(), 2u);
    for (const QString& text : reports.Messages) {
        EXPECT_TRUE(text.contains(QStringLiteral("no web browser could be started")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("/sonavel.html"))) << text.toStdString();
    }
}

TEST(MessageBox, ShowsTitleTextCaptionsAndTheLatestIcon) {
    TmsgFrm& box = MessageBoxForm();
    QString title, text, left, right, picture;
    Later([&] {
        title = box.windowTitle();
        text = box.msgLabel->text();
        left = box.okBtn->text();
        right = box.helpBtn->text();
        picture = box.icon->picture();
        box.okBtn->click();
    });
    SetProgramConstants();
    ShowMessageBox(2, QStringLiteral("A\nB"), QStringLiteral("&Yes"), QStringLiteral("&No"));
    EXPECT_EQ(title, QStringLiteral("Free Sonavel")); // the program's name, not "Message"
    EXPECT_EQ(text, QStringLiteral("A\nB"));
    EXPECT_EQ(left, QStringLiteral("&Yes"));
    EXPECT_EQ(right, QStringLiteral("&No"));
    EXPECT_EQ(picture, QStringLiteral("msg_question"));

    // A question followed by an information box draws the information picture.
    Later([&] {
        picture = box.icon->picture();
        box.okBtn->click();
    });
    ShowMessageBox(1, QStringLiteral("Done"), QStringLiteral("&Yes"), QStringLiteral("&No"));
    EXPECT_EQ(picture, QStringLiteral("msg_info"));
    EXPECT_EQ(box.iconIndex(), 1);
}

TEST(MessageBox, LongTextIsCutAndTheBoxKeepsItsSize) {
    TmsgFrm& box = MessageBoxForm();
    QSize boxSize, labelSize;
    Later([&] {
        boxSize = box.size();
        labelSize = box.msgLabel->size();
        box.okBtn->click();
    });
    ShowMessageBox(3, QString(QStringLiteral("a very long line of words ")).repeated(60),
                   QStringLiteral("&Yes"), QStringLiteral("&No"));
    EXPECT_EQ(boxSize, QSize(326, 215));
    EXPECT_EQ(labelSize, QSize(217, 97));
}

// Three captions longer than the designed buttons (the German ones of a finished rip, in a
// larger font) show whole, side by side, inside the box.
TEST(MessageBox, LongCaptionsWidenTheirButtonsInsideTheBox) {
    TmsgFrm& box = MessageBoxForm();
    QFont larger = box.font();
    larger.setPointSizeF(larger.pointSizeF() * 1.3);
    box.setFont(larger);
    std::vector<QRect> places;
    QStringList cut;
    Later([&] {
        for (QPushButton* b : {box.okBtn, box.helpBtn, box.cancelBtn}) {
            places.push_back(b->geometry());
            if (b->fontMetrics().horizontalAdvance(QString(b->text()).remove(u'&')) + 8 >
                b->width())
                cut << b->text();
        }
        box.okBtn->click();
    });
    AskWithCancel(1, QStringLiteral("Fertig."), QStringLiteral("&Abspielen"),
                  QStringLiteral("Ordner &öffnen"), QStringLiteral("&Schließen"));
    box.setFont(QFont());
    EXPECT_EQ(cut.join(u' ').toStdString(), "");
    ASSERT_EQ(places.size(), 3u);
    EXPECT_LT(places[0].right(), places[1].left());
    EXPECT_LT(places[1].right(), places[2].left());
    EXPECT_GE(places[0].left(), 0);
    EXPECT_LE(places[2].right(), box.width());
}

TEST(MessageBox, AMessageRaisedWhileTheBoxIsUpGetsItsOwnBox) {
    TmsgFrm& box = MessageBoxForm();
    int inner = 0;
    QString outerText;
    Later([&] {
        Later([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* other = qobject_cast<TmsgFrm*>(w);
                    other && other != &box && other->isVisible())
                    other->helpBtn->click();
        });
        inner = ShowMessageBox(0, QStringLiteral("inner"), QStringLiteral("&OK"),
                               QStringLiteral("&Close"));
        outerText = box.msgLabel->text();
        box.okBtn->click();
    });
    EXPECT_EQ(
        ShowMessageBox(1, QStringLiteral("outer"), QStringLiteral("&Yes"), QStringLiteral("&No")),
        1);
    EXPECT_EQ(inner, 2);
    EXPECT_EQ(outerText, QStringLiteral("outer"));
}

TEST(MessageBox, FourPicturesExist) {
    for (int i = 0; i < 4; ++i) {
        TImage image(TmsgFrm::IconPicture(i));
        EXPECT_EQ(image.size(), QSize(42, 42)) << i;
    }
    EXPECT_TRUE(TmsgFrm::IconPicture(4).isEmpty());
}

TEST(MessageBox, HookAnswersWithoutAModalLoop) {
    std::vector<QString> seen;
    SetMessageBoxHook([&](int icon, const QString& text, const QString& l, const QString& r) {
        seen.push_back(QStringLiteral("%1|%2|%3|%4").arg(icon).arg(text, l, r));
        return 2;
    });
    EXPECT_EQ(ShowMessageBox(2, QStringLiteral("Q"), QStringLiteral("&Yes"), QStringLiteral("&No")),
              2);
    SetMessageBoxHook({});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], QStringLiteral("2|Q|&Yes|&No"));
}

TEST(Reports, HooksCaptureNoticesAndExceptionMessages) {
    TReportRecorder reports;
    ShowMessage(QStringLiteral("   The source file is invalid!   "));
    ReportException(EInOutError(QStringLiteral("File access denied")));
    ReportException(std::runtime_error("plain failure"));
    ASSERT_EQ(reports.Messages.size(), 1u);
    EXPECT_EQ(reports.Messages[0], QStringLiteral("   The source file is invalid!   "));
    ASSERT_EQ(reports.Errors.size(), 2u);
    EXPECT_EQ(reports.Errors[0], QStringLiteral("File access denied"));
    EXPECT_EQ(reports.Errors[1], QStringLiteral("plain failure"));
}
