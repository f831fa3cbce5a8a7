#include "dialog_test_util.h"

#include "app/globals.h"
#include "support/test_env.h"
#include "ui/dialogs/tips_frm.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <climits>

namespace {
QString TipsFile(const QByteArray& content) {
    const QString path = FreshDir(QStringLiteral("tips")) + QStringLiteral("/tips.txt");
    EXPECT_TRUE(WriteFile(path, content));
    return path;
}

const QByteArray ThreeTips = "first tip\r\nsecond tip\r\nthird tip\r\n";
} // namespace

TEST(Tips, EachStartShowsTheTipAfterTheOneShownLast) {
    const QString file = TipsFile(ThreeTips);
    TipsIndex = 1;
    {
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("third tip"));
        EXPECT_EQ(TipsIndex, 2);
    }
    {
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("first tip"));
        EXPECT_EQ(TipsIndex, 0);
    }
    {
        // A fresh configuration (0) shows the second line first.
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("second tip"));
    }
}

TEST(Tips, NextTipWrapsAroundAndLinesAreShownUnchanged) {
    const QString file = TipsFile("  spaced  \r\n\r\nlast");
    TipsIndex = 0;
    TTipsFrm tips(nullptr, file);
    ASSERT_EQ(tips.tips().size(), 3);
    EXPECT_EQ(tips.TipLabel->text(), QString()); // the empty line is a tip too
    tips.skinButton1->click();
    EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("last")); // no final line end needed
    tips.skinButton1->click();
    EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("  spaced  "));
    EXPECT_EQ(TipsIndex, 0);
}

TEST(Tips, StoredValuesOutsideTheListWrapToTheFirstTip) {
    const QString file = TipsFile("a\r\nb\r\nc\r\nd\r\ne\r\n");
    for (int32_t stored : {9999, 20000, INT_MAX, -7}) {
        TipsIndex = stored;
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("a")) << stored;
        EXPECT_EQ(TipsIndex, 0) << stored;
    }
}

TEST(Tips, TenThousandMeansOffAndIsLeftAlone) {
    const QString file = TipsFile(ThreeTips);
    TipsIndex = TipsOff;
    TTipsFrm tips(nullptr, file);
    EXPECT_EQ(TipsIndex, TipsOff);
    EXPECT_TRUE(tips.TipLabel->text().isEmpty());
}

TEST(Tips, MissingOrEmptyFileShowsNoTipsFound) {
    TReportRecorder reports;
    for (const QString& file : {FreshDir() + QStringLiteral("/none.txt"), TipsFile("")}) {
        TipsIndex = 0;
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("No tips found!"));
        EXPECT_EQ(TipsIndex, 0);
    }
    EXPECT_TRUE(reports.Errors.empty());
}

TEST(Tips, UnreadableFileIsReportedAndCreationGoesOn) {
    TReportRecorder reports;
    const QString file = FreshDir() + QStringLiteral("/tips.txt");
    QDir().mkpath(file); // exists, but cannot be read as a file
    TipsIndex = 0;
    TTipsFrm tips(nullptr, file);
    EXPECT_EQ(reports.Errors.size(), 1u);
    EXPECT_EQ(tips.TipLabel->text(), QStringLiteral("No tips found!"));
}

TEST(Tips, OkWithTheBoxUntickedSwitchesTipsOff) {
    const QString file = TipsFile(ThreeTips);

    // Title bar close ignores the box.
    TipsIndex = 0;
    {
        TTipsFrm tips(nullptr, file);
        tips.ifShowTips->setChecked(false);
        Later([&] { tips.close(); });
        EXPECT_EQ(tips.exec(), 2);
        EXPECT_EQ(TipsIndex, 1);
        EXPECT_TRUE(tips.tips().isEmpty()); // released on close
    }
    // OK with the box ticked keeps the position the steps made.
    {
        TTipsFrm tips(nullptr, file);
        Later([&] {
            tips.skinButton1->click();
            tips.skinButton2->click();
        });
        EXPECT_EQ(tips.exec(), 1);
        EXPECT_EQ(TipsIndex, 0);
    }
    // OK unticked stores 10000; the next start leaves it there.
    {
        TTipsFrm tips(nullptr, file);
        EXPECT_EQ(tips.windowTitle(), QStringLiteral("Tip of the Day"));
        EXPECT_EQ(tips.size(), QSize(452, 303));
        EXPECT_TRUE(tips.ifShowTips->isChecked());
        Later([&] {
            tips.ifShowTips->setChecked(false);
            tips.skinButton2->click();
        });
        EXPECT_EQ(tips.exec(), 1);
        EXPECT_EQ(TipsIndex, TipsOff);
    }
    TTipsFrm next(nullptr, file);
    EXPECT_EQ(TipsIndex, TipsOff);
}

TEST(Tips, ShippedTipsFileHoldsRealTipsWithCrLf) {
    const QByteArray data = ReadFile(QStringLiteral(SONAVEL_TEST_SOURCE_DIR "/resources/tips.txt"));
    const QList<QByteArray> lines = data.split('\n');
    EXPECT_TRUE(data.endsWith("\r\n"));
    int tips = 0;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
        EXPECT_GT(lines[i].size(), 20) << i;
        ++tips;
    }
    EXPECT_GE(tips, 15);
    EXPECT_LE(tips, 25);
}
