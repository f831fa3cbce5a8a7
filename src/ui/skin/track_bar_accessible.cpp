#include "ui/skin/track_bar_accessible.h"

#include "ui/skin/track_bar.h"

#include <QCoreApplication>

namespace {
QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TTrackBar") && object && object->isWidgetType())
        return new TTrackBarAccessible(static_cast<TTrackBar*>(object));
    return nullptr;
}
} // namespace

TTrackBarAccessible::TTrackBarAccessible(TTrackBar* bar)
    : QAccessibleWidget(bar, QAccessible::Slider) {}

void TTrackBarAccessible::Install() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

TTrackBar* TTrackBarAccessible::Bar() const {
    return static_cast<TTrackBar*>(widget());
}

void* TTrackBarAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TTrackBarAccessible::text(QAccessible::Text t) const {
    const TTrackBar* bar = Bar();
    switch (t) {
    case QAccessible::Value:
        return bar->valueText(bar->position());
    case QAccessible::Description: {
        QString own = QAccessibleWidget::text(t);
        const QString range =
            QCoreApplication::translate("TTrackBar", "Start %1, end %2")
                .arg(bar->valueText(bar->selStart()), bar->valueText(bar->selEnd()));
        return own.isEmpty() ? range : own + QStringLiteral(". ") + range;
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QVariant TTrackBarAccessible::currentValue() const {
    return Bar()->position();
}

void TTrackBarAccessible::setCurrentValue(const QVariant& value) {
    // As a click on the channel would: the owner hears of it through changed().
    Bar()->setPosition(value.toInt());
}

QVariant TTrackBarAccessible::maximumValue() const {
    return Bar()->maximum();
}

QVariant TTrackBarAccessible::minimumValue() const {
    return Bar()->minimum();
}

QVariant TTrackBarAccessible::minimumStepSize() const {
    return 1;
}
