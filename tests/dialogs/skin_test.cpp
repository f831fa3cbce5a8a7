#include "dialog_test_util.h"

#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_pictures.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace {
struct TDrawCall {
    TTrackBarItem item;
    QRect rect;
    bool preset;
};

QImage Render(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(QColor(0, 255, 0)); // a background no part paints
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
} // namespace

TEST(TrackBar, CustomDrawIsAskedForEveryPartWithTheFlagPresetFalse) {
    TTrackBar bar;
    bar.resize(250, bar.sizeHint().height());
    bar.setMaximum(1000);
    bar.setPosition(500);
    std::vector<TDrawCall> calls;
    bar.setOnCustomDraw(
        [&](TTrackBar& sender, TTrackBarItem item, const QRect& r, QPainter&, bool& def) {
            EXPECT_EQ(&sender, &bar);
            calls.push_back({item, r, def});
        });
    Render(bar);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].item, tbiTics);
    EXPECT_EQ(calls[1].item, tbiChannel);
    EXPECT_EQ(calls[2].item, tbiThumb);
    for (const TDrawCall& c : calls)
        EXPECT_FALSE(c.preset);
    EXPECT_EQ(calls[1].rect, bar.channelRect());
    EXPECT_EQ(calls[2].rect, bar.thumbRect());
    EXPECT_GT(calls[1].rect.left(), 0); // the inset the main window reads as its margin
    EXPECT_EQ(calls[2].rect.center().x(), bar.xOf(500));
}

TEST(TrackBar, FalseFlagLeavesThePartToTheHookTrueLetsTheBarPaintIt) {
    TTrackBar bar;
    bar.resize(250, bar.sizeHint().height());
    bar.setMaximum(1000);
    bar.setPosition(0); // thumb at the far left, away from the probe point
    bool letBarPaint = false;
    bar.setOnCustomDraw(
        [&](TTrackBar&, TTrackBarItem item, const QRect& r, QPainter& p, bool& def) {
            if (item == tbiChannel) {
                p.fillRect(r, Qt::red);
                def = letBarPaint;
            }
        });
    const QPoint probe = bar.channelRect().center() + QPoint(40, 0);
    EXPECT_EQ(Render(bar).pixelColor(probe), QColor(Qt::red));
    const QRect th = bar.thumbRect();
    EXPECT_EQ(Render(bar).pixelColor(th.center().x(), th.top() + 1), QColor(0, 255, 0))
        << "a thumb left to the hook with nothing painted stays empty";
    letBarPaint = true;
    EXPECT_NE(Render(bar).pixelColor(probe), QColor(Qt::red));
}

TEST(TrackBar, ChangeFiresOnlyWhenThePositionChanges) {
    TTrackBar bar;
    bar.resize(250, bar.sizeHint().height());
    int changes = 0;
    QObject::connect(&bar, &TTrackBar::changed, [&] { ++changes; });
    bar.setMaximum(234000);
    EXPECT_EQ(changes, 0);
    bar.setPosition(1000);
    bar.setPosition(1000);
    EXPECT_EQ(changes, 1);
    bar.setPosition(-5); // clamped to the minimum
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(changes, 2);
    bar.setPosition(234000);
    bar.setMaximum(100000); // the thumb has to move with the range
    EXPECT_EQ(bar.position(), 100000);
    EXPECT_EQ(changes, 4);
    bar.setSelStart(10);
    bar.setSelEnd(20);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(bar.selStart(), 10);
    EXPECT_EQ(bar.selEnd(), 20);
    bar.setMaximum(0); // an empty range keeps everything at 0 and never divides by it
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(bar.positionAt(120), 0);
    Render(bar);
}

TEST(TrackBar, ClickingJumpsAndDraggingFollowsThePointer) {
    TTrackBar bar;
    bar.resize(250, bar.sizeHint().height());
    bar.setMaximum(234000);
    std::vector<int> seen;
    QObject::connect(&bar, &TTrackBar::changed, [&] { seen.push_back(bar.position()); });
    const QRect ch = bar.channelRect();
    const int y = ch.center().y();
    Press(&bar, QPoint(ch.left() + ch.width() / 2, y));
    EXPECT_NEAR(bar.position(), 117000, 234000 / ch.width());
    Move(&bar, QPoint(ch.right() + 40, y)); // past the end: the maximum
    EXPECT_EQ(bar.position(), 234000);
    Release(&bar, QPoint(ch.right() + 40, y));
    Move(&bar, QPoint(ch.left(), y), Qt::NoButton); // no drag after release
    EXPECT_EQ(bar.position(), 234000);
    EXPECT_EQ(seen.size(), 2u);

    // Grabbing the thumb off-centre does not make it jump.
    bar.setPosition(100000);
    const QRect th = bar.thumbRect();
    Press(&bar, th.center() + QPoint(2, 0));
    EXPECT_EQ(bar.position(), 100000);
    Move(&bar, th.center() + QPoint(2 + 10, 0));
    EXPECT_NEAR(bar.position(), 100000 + 10 * 234000 / ch.width(), 234000 / ch.width());
    Release(&bar, th.center());
    // A position's own x maps back to within one pixel's worth of it.
    EXPECT_NEAR(bar.positionAt(bar.xOf(50000)), 50000, 234000 / ch.width());
}

TEST(ImageButton, ReportsMouseDownUpAndClick) {
    TImageButton button(QStringLiteral("up"), QStringLiteral("later"));
    EXPECT_EQ(button.sizeHint(), QSize(13, 9));
    EXPECT_EQ(button.hint(), QStringLiteral("later"));
    button.resize(13, 9);
    int downs = 0, ups = 0, clicks = 0;
    QObject::connect(&button, &TImageButton::mouseDown, [&] { ++downs; });
    QObject::connect(&button, &TImageButton::mouseUp, [&] { ++ups; });
    QObject::connect(&button, &TImageButton::clicked, [&] { ++clicks; });
    Press(&button, QPoint(5, 4));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 0);
    Release(&button, QPoint(5, 4));
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(clicks, 1);

    // Disabled while held: the press still ends, so a repeat started on it stops.
    Press(&button, QPoint(5, 4));
    button.setEnabled(false);
    EXPECT_EQ(ups, 2);
    Press(&button, QPoint(5, 4));
    EXPECT_EQ(downs, 2); // a disabled button reports nothing
    Render(button);
}

TEST(SkinWidgets, PicturesHaveTheirDesignedSizes) {
    EXPECT_EQ(SkinPictureSize(QStringLiteral("marker_start")), QSize(9, 12));
    EXPECT_EQ(SkinPictureSize(QStringLiteral("marker_end")), QSize(9, 12));
    EXPECT_EQ(SkinPictureSize(QStringLiteral("down")), QSize(13, 9));
    EXPECT_EQ(SkinPictureSize(QStringLiteral("about")), QSize(166, 308));
    for (const char* name : {"play", "pause", "begin", "end", "open", "sonavel", "tips"})
        EXPECT_TRUE(SkinPictureExists(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(SkinPictureExists(QStringLiteral("no_such_picture")));
    // Rendered for a HiDPI screen, the pixmap has twice the pixels, not a blown-up copy.
    const QPixmap pm = SkinPixmap(QStringLiteral("msg_info"), QSize(42, 42), 2.0);
    EXPECT_EQ(pm.size(), QSize(84, 84));
    EXPECT_EQ(pm.deviceIndependentSize(), QSizeF(42, 42));
}

TEST(SkinWidgets, ImageReportsMovesWithButtonsAndPanelsKeepTheirColour) {
    TImage marker(QStringLiteral("marker_start"));
    EXPECT_EQ(marker.size(), QSize(9, 12));
    std::vector<std::pair<int, bool>> moves;
    QObject::connect(&marker, &TImage::mouseMoved, [&](int x, int, Qt::MouseButtons b) {
        moves.push_back({x, b.testFlag(Qt::LeftButton)});
    });
    Move(&marker, QPoint(3, 4), Qt::NoButton);
    Move(&marker, QPoint(-6, 4), Qt::LeftButton);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0], std::make_pair(3, false));
    EXPECT_EQ(moves[1], std::make_pair(-6, true));

    TSkinPanel panel;
    panel.resize(40, 20);
    panel.setColor(QColor(0xEA, 0xEA, 0xEA));
    EXPECT_EQ(Render(panel).pixelColor(20, 10), QColor(0xEA, 0xEA, 0xEA));
    int panelMoves = 0;
    QObject::connect(&panel, &TSkinPanel::mouseMoved, [&] { ++panelMoves; });
    Move(&panel, QPoint(5, 5), Qt::NoButton);
    EXPECT_EQ(panelMoves, 1);
}

TEST(SkinWidgets, ProgressBarShowsItsCaptionOrThePercentage) {
    TCaptionProgressBar bar;
    bar.resize(200, 20);
    bar.setRange(1000, 3000);
    bar.setValue(2000);
    EXPECT_EQ(bar.shownText(), QStringLiteral("50 %"));
    bar.setCaption(QStringLiteral("42 % \u00B7 3.1\u00D7 \u00B7 0:12 left"));
    EXPECT_EQ(bar.shownText(), QStringLiteral("42 % \u00B7 3.1\u00D7 \u00B7 0:12 left"));
    bar.setRange(0, 0);
    bar.setCaption(QString());
    EXPECT_EQ(bar.shownText(), QStringLiteral("0 %"));
    Render(bar);
}

TEST(SkinWidgets, LinkLabelIsBlueUnderlinedWithAHandCursor) {
    TLinkLabel link(QStringLiteral("Edit ID3..."));
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    link.resize(80, 16);
    int clicks = 0;
    QObject::connect(&link, &TLinkLabel::clicked, [&] { ++clicks; });
    Press(&link, QPoint(5, 5));
    Release(&link, QPoint(6, 5));
    EXPECT_EQ(clicks, 1);
}

TEST(SkinWidgets, ApplySkinGivesTheProgramItsIconPaletteAndStylesheet) {
    ApplySkin(*qApp);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(QSize(32, 32)).isNull());
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(95, 127, 237));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
    qApp->setStyleSheet(QString()); // leave the other tests as they were
}
