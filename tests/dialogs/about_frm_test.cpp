#include "dialog_test_util.h"

#include "app/globals.h"
#include "support/test_env.h"
#include "ui/dialogs/about_frm.h"
#include "ui/skin/link_label.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {
// A packager's home page for the length of a test.
struct THomePage {
    QString Saved = HomePageUrl;
    explicit THomePage(const QString& url) { HomePageUrl = url; }
    ~THomePage() { HomePageUrl = Saved; }
};
} // namespace

TEST(AboutBox, VersionDisplayRules) {
    struct {
        const char *file, *version, *build;
    } cases[] = {
        {"1.12.0.268", "1.12", "268"}, {"2.0.1", "2", "1"}, {"3.4.5.6.7", "3.4.5", "7"},
        {"1.0.0.1", "1.0", "1"},       {"", "No info", ""}, {"1.2", "1.2", ""},
    };
    for (const auto& c : cases) {
        const TVersionDisplay d = VersionDisplay(QString::fromLatin1(c.file));
        EXPECT_EQ(d.Version, QString::fromLatin1(c.version)) << c.file;
        EXPECT_EQ(d.Build, QString::fromLatin1(c.build)) << c.file;
    }
}

TEST(AboutBox, ShowsTitleVersionBuildAndAddresses) {
    TaboutFrm about;
    about.setFileVersion(QStringLiteral("1.12.0.268"));
    QString title;
    Later([&] {
        title = about.windowTitle();
        about.okBtn->click();
    });
    EXPECT_EQ(about.exec(), 1);
    EXPECT_EQ(title, QStringLiteral("About Free Sonavel"));
    EXPECT_EQ(about.titleLabel->text(), QStringLiteral("Free Sonavel"));
    EXPECT_EQ(about.versionLabel->text(), QStringLiteral("Version:"));
    EXPECT_EQ(about.versionLabel2->text(), QStringLiteral("1.12"));
    EXPECT_EQ(about.buildLabel->text(), QStringLiteral("(Build 268)"));
    EXPECT_EQ(about.support_Email->text(), SupportEmail);
    EXPECT_TRUE(about.copyLabel2->text().contains(QStringLiteral("GNU General Public License")));
    // No home page configured: no address, no button for it.
    EXPECT_TRUE(HomePageUrl.isEmpty());
    EXPECT_TRUE(about.homePageUrlLabel->isHidden());
    EXPECT_TRUE(about.homePageBtn->isHidden());
    EXPECT_TRUE(about.HomepageLabel->isHidden());
    EXPECT_EQ(about.size(), QSize(471, 380));

    // Refilled on every showing; a packager's home page shows with its button.
    const THomePage home(QStringLiteral("https://sonavel.test/"));
    about.setFileVersion(QStringLiteral("2.0.1"));
    Later([&] { about.close(); });
    EXPECT_EQ(about.exec(), 2);
    EXPECT_EQ(about.versionLabel2->text(), QStringLiteral("2"));
    EXPECT_EQ(about.buildLabel->text(), QStringLiteral("(Build 1)"));
    EXPECT_EQ(about.homePageUrlLabel->text(), HomePageUrl);
    EXPECT_FALSE(about.homePageBtn->isHidden());
}

TEST(AboutBox, TheProgramsOwnVersionIsShownByTheSameRules) {
    TaboutFrm about;
    Later([&] { about.okBtn->click(); });
    about.exec();
    const TVersionDisplay d = VersionDisplay(QStringLiteral(SONAVEL_VERSION));
    EXPECT_EQ(about.versionLabel2->text(), d.Version);
    EXPECT_EQ(about.buildLabel->text(), QStringLiteral("(Build ") + d.Build + u')');
}

TEST(AboutBox, LinksAndHelpOpenWithoutClosingTheBox) {
    const THomePage home(QStringLiteral("https://sonavel.test/"));
    TUrlRecorder urls;
    TaboutFrm about;
    bool openAfterEach = true;
    Later([&] {
        about.helpBtn->click();
        openAfterEach &= about.isVisible();
        about.homePageBtn->click();
        openAfterEach &= about.isVisible();
        about.homePageUrlLabelClick();
        openAfterEach &= about.isVisible();
        about.support_EmailClick();
        openAfterEach &= about.isVisible();
        about.okBtn->click();
    });
    EXPECT_EQ(about.exec(), 1);
    EXPECT_TRUE(openAfterEach);
    ASSERT_EQ(urls.Urls.size(), 4u);
    EXPECT_TRUE(urls.Urls[0].toLocalFile().endsWith(QStringLiteral("sonavel.html")));
    EXPECT_EQ(urls.Urls[1], QUrl(HomePageUrl));
    EXPECT_EQ(urls.Urls[2], QUrl(HomePageUrl));
    EXPECT_EQ(urls.Urls[3].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(QString::fromLatin1(urls.Urls[3].toEncoded()),
              QStringLiteral("mailto:") + SupportEmail +
                  QStringLiteral("?subject=About%20Free%20Sonavel"));
}

TEST(AboutBox, LinksOpenByClickAndByKeyboard) {
    const THomePage home(QStringLiteral("https://sonavel.test/"));
    TUrlRecorder urls;
    TaboutFrm about;
    about.show();
    QApplication::setActiveWindow(&about);
    const QPoint c = about.support_Email->rect().center();
    Press(about.support_Email, c);
    Release(about.support_Email, c);
    // A press that leaves the link before release is no click.
    Press(about.homePageUrlLabel, QPoint(1, 1));
    Release(about.homePageUrlLabel, QPoint(-50, -50));
    ASSERT_EQ(urls.Urls.size(), 1u);
    EXPECT_EQ(urls.Urls[0].scheme(), QStringLiteral("mailto"));

    // From "&OK", Tab goes round to the home page link and on to the address; Enter and
    // Space follow them, as the platform delivers the keys.
    QWindow* window = about.windowHandle();
    ASSERT_EQ(about.focusWidget(), about.okBtn);
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(about.focusWidget(), about.homePageUrlLabel);
    QTest::keyClick(window, Qt::Key_Return);
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_EQ(about.focusWidget(), about.support_Email);
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_EQ(urls.Urls.size(), 3u);
    EXPECT_EQ(urls.Urls[1], QUrl(HomePageUrl));
    EXPECT_EQ(urls.Urls[2].scheme(), QStringLiteral("mailto"));
    // Alt+E, the caption's accelerator, brings the focus back to the address.
    about.okBtn->setFocus();
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(about.focusWidget(), about.support_Email);
    EXPECT_TRUE(about.isVisible());
    about.hide();
}

TEST(Help, OnePageWithAnAnchorPerTopicCoveringKeysAndCommandLine) {
    const QString html = QString::fromUtf8(
        ReadFile(QStringLiteral(SONAVEL_TEST_SOURCE_DIR "/resources/help/sonavel.html")));
    for (const char* id : {"start", "open", "preview", "range", "keyboard", "output", "settings",
                           "tags", "rip", "commandline", "files", "problems"}) {
        const QString anchor = QStringLiteral("id=\"%1\"").arg(QLatin1String(id));
        EXPECT_TRUE(html.contains(anchor)) << id;
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"#%1\"").arg(QLatin1String(id)))) << id;
    }
    for (const char* text :
         {"sonavel --rip SOURCE", "sonavel --list-tracks SOURCE", "--audio-track N",
          "--vbr MIN-MAX", "dual|stereo|joint|mono", "<kbd>Space</kbd>", "<kbd>[</kbd>",
          "<kbd>]</kbd>", "<kbd>Escape</kbd>", "<kbd>Home</kbd>", "Joint Stereo",
          "--format mp3|flac|opus", "--compression N", "R128_TRACK_GAIN", "FLAC (lossless)"})
        EXPECT_TRUE(html.contains(QString::fromUtf8(text))) << text;

    // The German page is the same page: a topic the program opens lands on the same anchor,
    // every link goes where the English one goes, and the command lines stay as typed.
    const QString german = QString::fromUtf8(
        ReadFile(QStringLiteral(SONAVEL_TEST_SOURCE_DIR "/resources/help/sonavel_de.html")));
    EXPECT_TRUE(german.contains(QStringLiteral("<html lang=\"de\"")));
    auto all = [](const QString& page, const QString& pattern) {
        QStringList found;
        for (const QRegularExpressionMatch& m : QRegularExpression(pattern).globalMatch(page))
            found << m.captured(1);
        return found;
    };
    for (const QString& pattern :
         {QStringLiteral("id=\"([^\"]*)\""), QStringLiteral("href=\"([^\"]*)\"")}) {
        EXPECT_FALSE(all(html, pattern).isEmpty());
        EXPECT_EQ(all(german, pattern), all(html, pattern)) << pattern.toStdString();
    }
    for (const char* text : {"--audio-track N", "--format mp3|flac|opus", "R128_TRACK_GAIN"})
        EXPECT_TRUE(german.contains(QString::fromUtf8(text))) << text;
}
