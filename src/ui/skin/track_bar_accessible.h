#pragma once

// What assistive technology sees of a TTrackBar: a slider whose value is the position,
// told as the owner's text for it (a time), with the selection's start and end in its
// description. Made by Qt's accessibility factory when a reader asks; GUI thread only.

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class TTrackBar;

class TTrackBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TTrackBarAccessible(TTrackBar* bar);

    // Registers the factory (once per process).
    static void Install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    TTrackBar* Bar() const;
};
