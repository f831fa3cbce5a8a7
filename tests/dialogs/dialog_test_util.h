#pragma once

// Small helpers shared by the dialog tests: running a modal dialog with actions queued
// to happen once its event loop runs, synthetic mouse input, and recorders for the hooks.

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <vector>

// Queues `action` to run inside the next modal loop (or the next event processing).
inline void Later(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Press(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}
inline void Move(QWidget* w, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}
inline void Release(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

// Records every URL the program asks the desktop to open, instead of opening it.
class TUrlRecorder {
public:
    TUrlRecorder();
    ~TUrlRecorder();
    std::vector<QUrl> Urls;
};

// Records the texts of the plain notices and of the default error report.
class TReportRecorder {
public:
    TReportRecorder();
    ~TReportRecorder();
    std::vector<QString> Messages;
    std::vector<QString> Errors;
};
