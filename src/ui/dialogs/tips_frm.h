#pragma once

// Tip of the day: shows one line of the tips file at a time and lets the user switch the
// greeting off. Which tip comes next lives in TipsIndex (TipsOff = no tips at start-up).
// Created once at start-up, after the main window; GUI thread only.

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

class TTipsFrm : public QDialog {
    Q_OBJECT
public:
    // Loads the tips (the program's tips file unless another is named) and advances
    // TipsIndex to the next tip. A file that exists but cannot be read is reported through
    // the default error report; the dialog then shows "No tips found!".
    explicit TTipsFrm(QWidget* parent = nullptr, const QString& fileName = QString());

    QLabel* TipLabel;
    QCheckBox* ifShowTips;
    QPushButton* skinButton1; // "&Next Tip"
    QPushButton* skinButton2; // "&OK"

    void skinButton1Click();
    void skinButton2Click();

    // The tip list (emptied when the dialog is closed).
    const QStringList& tips() const { return FTips; }
    // The program's tips file in the user's language, else the English one.
    static QString LocalTipsFile();

    // Closing by the title bar or Escape: result 2, the check box is not looked at.
    void reject() override;
    void done(int result) override;

private:
    void FormCreate(const QString& fileName);
    void ShowNextTip();

    QStringList FTips;
};

// Created on first use and kept until the application ends.
TTipsFrm& TipsForm();
