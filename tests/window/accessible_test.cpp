// What a screen reader finds: every control of the main window and of each dialog has a
// name, and the track bar is a slider that tells the position and the range's ends.
#include "window_fixture.h"

#include "app/common.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/dialogs/tips_frm.h"
#include "ui/skin/track_bar.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>

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
