#include "app/common.h"
#include "desktop/help.h"

#include "app/globals.h"
#include "base/exception.h"
#include "desktop/shell.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <gtest/gtest.h>

TEST(TextHelpers, TrimBlanksDropsControlCharactersAndSpacesAtBothEnds) {
    EXPECT_EQ(TrimBlanks(QStringLiteral(" \t/home/x/a b \r\n")), QStringLiteral("/home/x/a b"));
    EXPECT_EQ(TrimBlanks(QString(QChar(1)) + QStringLiteral("x") + QChar(31)), QStringLiteral("x"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("   ")), QString());
    EXPECT_EQ(TrimBlanks(QString()), QString());
}

TEST(TextHelpers, LeadingNumberReadsOnlyTheDigitRunAtTheStart) {
    EXPECT_EQ(LeadingNumber(QStringLiteral("320 kbps")), 320);
    EXPECT_EQ(LeadingNumber(QStringLiteral("44100 Hz")), 44100);
    EXPECT_EQ(LeadingNumber(QStringLiteral("007")), 7);
    EXPECT_EQ(LeadingNumber(QStringLiteral("2147483647")), 2147483647);
}

TEST(TextHelpers, LeadingNumberRaisesTheConversionErrorWithTheRunInItsMessage) {
    try {
        LeadingNumber(QStringLiteral("kbps 192"));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'' is not a valid integer value"));
    }
    try {
        LeadingNumber(QStringLiteral("-5"));
        FAIL() << "a sign is not a digit";
    } catch (const EConvertError&) {
    }
    try {
        LeadingNumber(QStringLiteral("2147483648 kbps"));
        FAIL() << "no overflow error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'2147483648' is not a valid integer value"));
    }
}

TEST(TextHelpers, ReplaceAllAndSplitKeepEveryPiece) {
    EXPECT_EQ(
        ReplaceAllText(QStringLiteral("a\\b\\\\c"), QStringLiteral("\\"), QStringLiteral("/")),
        QStringLiteral("a/b//c"));
    QStringList pieces{QStringLiteral("kept")};
    SplitText(QStringLiteral("1.12.0.268"), QStringLiteral("."), pieces);
    EXPECT_EQ(pieces, (QStringList{"kept", "1", "12", "0", "268"}));
    pieces.clear();
    SplitText(QStringLiteral(".a."), QStringLiteral("."), pieces);
    EXPECT_EQ(pieces, (QStringList{"", "a", ""}));
    pieces.clear();
    SplitText(QString(), QStringLiteral("."), pieces);
    EXPECT_EQ(pieces, QStringList{QString()});
    pieces.clear();
    const QString longPiece(300, u'x');
    SplitText(longPiece + QStringLiteral(".1"), QStringLiteral("."), pieces);
    EXPECT_EQ(pieces.first().size(), 300);
}

TEST(TimeText, IsCutToTheTenthAtEveryBoundary) {
    EXPECT_EQ(FormatTimeText(0), QStringLiteral("0:00:00.0"));
    EXPECT_EQ(FormatTimeText(1999), QStringLiteral("0:00:01.9"));
    EXPECT_EQ(FormatTimeText(59999), QStringLiteral("0:00:59.9"));
    EXPECT_EQ(FormatTimeText(60000), QStringLiteral("0:01:00.0"));
    EXPECT_EQ(FormatTimeText(3599999), QStringLiteral("0:59:59.9"));
    EXPECT_EQ(FormatTimeText(3600000), QStringLiteral("1:00:00.0"));
    EXPECT_EQ(FormatTimeText(3723456), QStringLiteral("1:02:03.4"));
    EXPECT_EQ(FormatTimeText(36000000), QStringLiteral("10:00:00.0"));
    EXPECT_EQ(FormatTimeText(int64_t(1000) * 3600 * 1000), QStringLiteral("1000:00:00.0"));
    // The short form drops only a zero hour, and the minutes' leading zero with it.
    EXPECT_EQ(FormatShortTimeText(TMediaTime::FromMs(1999)), QStringLiteral("0:01.9"));
    EXPECT_EQ(FormatShortTimeText(TMediaTime::FromMs(725000)), QStringLiteral("12:05.0"));
    EXPECT_EQ(FormatShortTimeText(TMediaTime::FromMs(3599999)), QStringLiteral("59:59.9"));
    EXPECT_EQ(FormatShortTimeText(TMediaTime::FromMs(3600000)), QStringLiteral("1:00:00.0"));
}

TEST(SizeText, CountsWholeKibibytesAndRoundsHalfAwayFromZero) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FormatSizeText(0), QStringLiteral("0.00 M bytes"));
    EXPECT_EQ(FormatSizeText(1023), QStringLiteral("0.00 M bytes"));
    EXPECT_EQ(FormatSizeText(131072), QStringLiteral("0.13 M bytes"));
    EXPECT_EQ(FormatSizeText(1572864), QStringLiteral("1.50 M bytes"));
    EXPECT_EQ(FormatSizeText(960000), QStringLiteral("0.92 M bytes"));
    EXPECT_EQ(FormatSizeText(1440000), QStringLiteral("1.37 M bytes"));
    EXPECT_EQ(FormatSizeText(int64_t(5) << 30), QStringLiteral("5120.00 M bytes"));
}

TEST(SizeText, UsesTheUsersDecimalSeparator) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatSizeText(1572864), QStringLiteral("1,50 M bytes"));
    QLocale::setDefault(QLocale::c());
}

class FolderPath : public ::testing::Test {
protected:
    QString root = FreshDir(QStringLiteral("folders"));
};

TEST_F(FolderPath, CreatesOnlyTheMissingLevelsAndEndsInASeparator) {
    QDir().mkpath(root + QStringLiteral("/Music"));
    EXPECT_EQ(ForceFolderPath(root + QStringLiteral("/Music/Rips"), QStringLiteral("/x")),
              root + QStringLiteral("/Music/Rips/"));
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/Music/Rips")).isDir());
}

TEST_F(FolderPath, DoubledTrailingAndBackslashSeparatorsNameEachFolderOnce) {
    const QString got = ForceFolderPath(
        QStringLiteral("  ") + root + QStringLiteral("//a\\\\b///c// "), QStringLiteral("/x"));
    EXPECT_EQ(got, root + QStringLiteral("/a/b/c/"));
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/a/b/c")).isDir());
}

TEST_F(FolderPath, RelativeAndTildePathsGoToTheHomeFolder) {
    EXPECT_EQ(ForceFolderPath(QStringLiteral("Rips/New"), QStringLiteral("/opt/app/")),
              QDir::homePath() + QStringLiteral("/Rips/New/"));
    EXPECT_EQ(ForceFolderPath(QStringLiteral("~/Other"), QStringLiteral("/opt/app/")),
              QDir::homePath() + QStringLiteral("/Other/"));
    EXPECT_TRUE(QFileInfo(QDir::homePath() + QStringLiteral("/Other")).isDir());
}

TEST_F(FolderPath, EmptyPathYieldsTheDefaultFolderAndRootYieldsRoot) {
    EXPECT_EQ(ForceFolderPath(QStringLiteral("  "), QStringLiteral("/opt/app")),
              QStringLiteral("/opt/app/"));
    EXPECT_EQ(ForceFolderPath(QStringLiteral("/"), QStringLiteral("/opt/app/")),
              QStringLiteral("/"));
}

TEST_F(FolderPath, AFolderThatCannotBeCreatedGivesEmptyAndKeepsTheLevelsBefore) {
    // A file where a folder should be cannot be turned into a folder, even by root.
    ASSERT_TRUE(WriteFile(root + QStringLiteral("/made/blocker"), "x"));
    EXPECT_EQ(
        ForceFolderPath(root + QStringLiteral("/made/blocker/sub/deeper"), QStringLiteral("/x")),
        QString());
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/made")).isDir());
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/made/blocker/sub")));
}

class ListFiles : public ::testing::Test {
protected:
    QString dir = FreshDir(QStringLiteral("lists"));
};

TEST_F(ListFiles, ReadsLfAndCrLfWithOrWithoutAFinalLineEnd) {
    QStringList list{QStringLiteral("old")};
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/a.lst"), "one\r\ntwo\r\n\r\nfour"));
    LoadListFile(dir + QStringLiteral("/a.lst"), list);
    EXPECT_EQ(list, (QStringList{"one", "two", "", "four"}));
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/b.lst"), "x\ny\n"));
    LoadListFile(dir + QStringLiteral("/b.lst"), list);
    EXPECT_EQ(list, (QStringList{"x", "y"}));
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/c.lst"), ""));
    LoadListFile(dir + QStringLiteral("/c.lst"), list);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(ListFiles, SavesCrLfAndReadsBackTheSameEntries) {
    const QStringList entries{QStringLiteral("Été"), QString(), QStringLiteral("  spaced  ")};
    SaveListFile(dir + QStringLiteral("/s.lst"), entries);
    EXPECT_EQ(ReadFile(dir + QStringLiteral("/s.lst")),
              QByteArray("\xc3\x89t\xc3\xa9\r\n\r\n  spaced  \r\n"));
    QStringList back;
    LoadListFile(dir + QStringLiteral("/s.lst"), back);
    EXPECT_EQ(back, entries);
}

TEST_F(ListFiles, AMissingFileEmptiesTheListAndRaisesFileNotFound) {
    QStringList list{QStringLiteral("stale")};
    try {
        LoadListFile(dir + QStringLiteral("/missing.lst"), list);
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("File not found"));
    }
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(ListFiles, AFailedSaveRaisesAndLeavesTheOldFile) {
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/blocker"), "not a folder"));
    EXPECT_THROW(SaveListFile(dir + QStringLiteral("/blocker/x.lst"), {QStringLiteral("a")}),
                 EInOutError);
}

TEST(Help, OpensTheHtmlHelpBesideTheProgramWithTheTopicAsAnchor) {
    QList<QUrl> opened;
    shell::SetOpenUrlHook([&](const QUrl& u) {
        opened << u;
        return true;
    });
    ShowHelp();
    ShowHelp(QStringLiteral("markers"));
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].toLocalFile(), DataDir() + HelpFileName);
    EXPECT_FALSE(opened[0].hasFragment());
    EXPECT_EQ(opened[1].fragment(), QStringLiteral("markers"));
    // In German, the German page where there is one.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ShowHelp(QStringLiteral("problems"));
    QLocale::setDefault(QLocale::c());
    shell::SetOpenUrlHook({});
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[2].toLocalFile(), DataDir() + QStringLiteral("sonavel_de.html"));
    EXPECT_EQ(opened[2].fragment(), QStringLiteral("problems"));
}

TEST_F(ListFiles, ACarriageReturnInsideAnEntrySurvivesASaveAndLoad) {
    // Found by fuzzing: "x\r\r\n" is the entry "x\r", and must come back as such.
    const QStringList entries{QStringLiteral("x\r"), QStringLiteral("a\rb")};
    SaveListFile(dir + QStringLiteral("/cr.lst"), entries);
    QStringList back;
    LoadListFile(dir + QStringLiteral("/cr.lst"), back);
    EXPECT_EQ(back, entries);
}
