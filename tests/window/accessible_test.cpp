// What a screen reader finds: every control of the main window and of each dialog has a
// name, and the track bar is a slider that tells the position and the range's ends.
#include "window_fixture.h"

#include "app/common.h"
#include "support/dvd_authoring.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/dialogs/tips_frm.h"
#include "ui/main/run_session.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/track_bar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

// The controls a user operates: whatever takes the focus, and buttons, lists, edits and
// sliders that a pointer reaches, as their accessible role says.
QStringList UnnamedControls(QWidget* window) {
    static const QList<QAccessible::Role> operated = {
        QAccessible::PushButton, QAccessible::CheckBox,     QAccessible::RadioButton,
        QAccessible::ComboBox,   QAccessible::EditableText, QAccessible::Slider,
        QAccessible::SpinBox,    QAccessible::List,         QAccessible::Tree,
        QAccessible::Table,      QAccessible::Link,         QAccessible::PageTab};
    QStringList unnamed;
    int controls = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a)
            continue;
        if (w->focusPolicy() == Qt::NoFocus && !operated.contains(a->role()))
            continue;
        ++controls;
        if (a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 %2 (role %3)")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                           .arg(int(a->role()));
    }
    EXPECT_GE(controls, 2) << window->metaObject()->className();
    return unnamed;
}

} // namespace

TEST_F(WindowTest, EveryControlOfEveryWindowHasAnAccessibleName) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_TRUE(Frm->IsIdle());
    EXPECT_EQ(UnnamedControls(Frm.get()).join(u'\n').toStdString(), "");

    TaboutFrm about;
    about.show();
    EXPECT_EQ(UnnamedControls(&about).join(u'\n').toStdString(), "");
    about.hide();

    TsettingsFrm settings;
    settings.FillMp3Page(AppSettings);
    settings.show();
    EXPECT_EQ(UnnamedControls(&settings).join(u'\n').toStdString(), "");
    settings.hide();
    settings.FillTagPage(CurrentTag);
    settings.show();
    EXPECT_EQ(UnnamedControls(&settings).join(u'\n').toStdString(), "");
    settings.hide();

    TTipsFrm tips;
    tips.show();
    EXPECT_EQ(UnnamedControls(&tips).join(u'\n').toStdString(), "");
    tips.hide();

    TmsgFrm& box = MessageBoxForm();
    box.show();
    EXPECT_EQ(UnnamedControls(&box).join(u'\n').toStdString(), "");
    box.hide();
}

TEST_F(WindowTest, TheTrackBarIsASliderThatTellsPositionStartAndEnd) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_TRUE(Frm->IsIdle());
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(Frm->TrackBar);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::Slider);
    EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Position"));
    QAccessibleValueInterface* value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), Frm->DurationMs());

    // A reader moves the slider: the window's position follows, as after a click.
    value->setCurrentValue(4500);
    EXPECT_EQ(Frm->TrackBar->position(), 4500);
    EXPECT_EQ(value->currentValue().toInt(), 4500);
    EXPECT_EQ(bar->text(QAccessible::Value), QStringLiteral("0:00:04.5"));
    EXPECT_EQ(Frm->TimeLabel->text(), QStringLiteral("0:00:04.5"));
    // The range's ends, in the description.
    Frm->TrackBar->setSelStart(2000);
    Frm->TrackBar->setSelEnd(7250);
    const QString description = bar->text(QAccessible::Description);
    EXPECT_TRUE(description.contains(QStringLiteral("Start 0:00:02.0, end 0:00:07.2")))
        << description.toStdString();
}

namespace {
// The text of what labels `w` for a screen reader (its label relation), trimmed.
QString LabelOf(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a)
        return QString();
    const auto labels = a->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name).trimmed();
}
} // namespace

// What a reader says of the window: a frame; lists labelled by their captions, not by the
// value they show; buttons with names of their own; summary rows named by their captions;
// the progress bar named while a rip goes; the settings' lists and boxes likewise.
TEST_F(WindowTest, AScreenReaderHearsLabelsNotValues) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("a11y")) + u'/';
    Open(root + QStringLiteral("/VIDEO_TS"));
    ASSERT_TRUE(Frm->IsIdle());
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(Frm.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), Frm->windowTitle());
    EXPECT_EQ(LabelOf(Frm->TitleBox), QStringLiteral("Title:"));
    EXPECT_EQ(LabelOf(Frm->ChapterBox), QStringLiteral("Chapter:"));
    EXPECT_EQ(LabelOf(Frm->AudioTrackBox), QStringLiteral("Audio:"));

    QStringList buttons, rows;
    for (QWidget* w : Frm->findChildren<QWidget*>()) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || !w->isVisibleTo(Frm.get()))
            continue;
        const QString name = a->text(QAccessible::Name);
        if (a->role() == QAccessible::Button || a->role() == QAccessible::PushButton) {
            EXPECT_FALSE(buttons.contains(name)) << name.toStdString() << " twice";
            buttons << name;
        }
        if (w->parentWidget() == Frm->skinPanel1)
            rows << name;
    }
    EXPECT_TRUE(buttons.contains(QStringLiteral("Rip 5 tracks")));
    for (const QString& row :
         {QStringLiteral("Output File"), QStringLiteral("Settings"), QStringLiteral("ID3 Tag"),
          QStringLiteral("Duration"), QStringLiteral("File Size"), QStringLiteral("Chapter")})
        EXPECT_TRUE(rows.contains(row)) << row.toStdString();
    EXPECT_FALSE(rows.contains(QStringLiteral("Output MP3 Information")));

    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    QAccessibleInterface* progress = QAccessible::queryAccessibleInterface(Frm->ProgressBar);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->text(QAccessible::Name), QStringLiteral("Rip progress"));
    Frm->CancelBtn->click();
    ASSERT_TRUE(WaitFor([&] { return Frm->RunSession->Ready(); }));

    TsettingsFrm settings;
    settings.FillMp3Page(AppSettings);
    settings.show();
    EXPECT_EQ(LabelOf(settings.bitRateSel), QStringLiteral("Bitrate:"));
    EXPECT_EQ(LabelOf(settings.samplerateSel), QStringLiteral("Sample Rate"));
    EXPECT_EQ(LabelOf(settings.ChannelModeSel), QStringLiteral("Channel Mode"));
    EXPECT_EQ(LabelOf(settings.vbrQualitySel), QStringLiteral("Quality:"));
    EXPECT_EQ(LabelOf(settings.maxBitrateSel), QStringLiteral("Max:"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(settings.VBRCheck)->text(QAccessible::Name),
              QStringLiteral("Use Variable Bitrate Mode"));
    settings.hide();
}
