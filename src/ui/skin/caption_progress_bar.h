#pragma once

// A progress bar that writes its own caption over the bar: white over the filled part,
// dark over the rest, so it stays readable at any position. Without a caption it shows
// the percentage. GUI thread only.

#include <QProgressBar>

class TCaptionProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit TCaptionProgressBar(QWidget* parent = nullptr);

    // E.g. "42 % · 3.1× · 0:12 left"; an empty caption shows the percentage.
    void setCaption(const QString& caption);
    const QString& caption() const { return FCaption; }

    // The text painted over the bar.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString FCaption;
};
