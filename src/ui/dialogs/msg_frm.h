#pragma once

// The program's own message box: an icon, a text and two buttons whose captions every
// call sets. A right button captioned "&Help" opens the help and leaves the box open.
// Created once, reused for every message; GUI thread only.

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class TImage;

class TmsgFrm : public QDialog {
    Q_OBJECT
public:
    explicit TmsgFrm(QWidget* parent = nullptr);

    // Icon index: 0 error, 1 information, 2 question, 3 warning.
    void setIconIndex(int index) { FIconIndex = index; }
    int iconIndex() const { return FIconIndex; }

    // Name of the picture drawn for an icon index (empty for an unknown index).
    static QString IconPicture(int index);

    TImage* icon;
    QLabel* msgLabel;
    QPushButton* okBtn;
    QPushButton* helpBtn;
    QPushButton* cancelBtn; // "Cancel", shown for a question that has it (AskWithCancel)

    void okBtnClick();
    void helpBtnClick();

    // Result 2, also for the title bar's close button and Escape; 0 when the box has
    // a Cancel button.
    void reject() override;
    // Shows or hides the Cancel button, the others placed beside it.
    void setCancelShown(bool shown);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void PlaceButtons();

    int FIconIndex = 1;
};

// Created on first use and kept until the application ends.
TmsgFrm& MessageBoxForm();

// Shows `text` with the icon and two button captions; returns 1 for the left button, 2 for
// the right one (unless captioned "&Help") or for closing the box.
int ShowMessageBox(int icon, const QString& text, const QString& leftCaption,
                   const QString& rightCaption);

// A question whose two answers both act, with "Cancel" (or `cancelCaption`) beside them:
// 1 for the left button, 2 for the middle one, 0 for Cancel, Escape or the title bar's
// close button.
int AskWithCancel(int icon, const QString& text, const QString& leftCaption,
                  const QString& middleCaption, const QString& cancelCaption = QString());

// Tests answer the box without a modal loop: the hook receives what the box would show
// and returns the answer (AskWithCancel's middle caption comes as the right one; an answer
// other than 1 or 2 is Cancel). An empty function restores the box.
using TMessageBoxHook = std::function<int(int icon, const QString& text, const QString& leftCaption,
                                          const QString& rightCaption)>;
void SetMessageBoxHook(TMessageBoxHook hook);
