#pragma once

// The open dialog of the main window: files as the filter offers them, and a DVD folder
// (the folder above VIDEO_TS, or VIDEO_TS itself) chosen like a file: "Open" on it opens
// the DVD instead of going into the folder. Qt's own dialog, since a desktop's native one
// cannot be asked to take a folder as the answer. GUI thread only.

#include <QFileDialog>

class TSourceFileDialog : public QFileDialog {
    Q_OBJECT
public:
    TSourceFileDialog(QWidget* parent, const QString& directory, const QString& filter);

    // The file or DVD folder chosen; empty when cancelled.
    QString Chosen() const { return FChosen; }

    void accept() override;

private:
    QString FChosen;
};
