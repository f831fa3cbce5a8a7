#pragma once

// The main window under test: its open and save dialogs answer from queues, the thread
// of the opening can be refused, and every box, notice, error report and desktop call is
// recorded instead of shown.

#include "app/globals.h"
#include "desktop/shell.h"
#include "support/test_env.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/main/main_frm.h"
#include "ui/main/run_session.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class TTestMainFrm : public TMainFrm {
public:
    std::deque<QString> Sources; // answers of the open dialog ("" = cancelled)
    std::deque<QString> Outputs; // answers of the save dialog
    int SourceDialogs = 0;
    int OutputDialogs = 0;
    QString OutputPreset;
    bool RefuseThread = false;
    int Active = -1; // whether the window counts as the active one; -1: ask the desktop

protected:
    bool WindowActive() const override { return Active < 0 ? TMainFrm::WindowActive() : Active; }
    QString ChooseSourceFile() override {
        ++SourceDialogs;
        if (Sources.empty())
            return QString();
        QString s = Sources.front();
        Sources.pop_front();
        return s;
    }
    QString ChooseOutputFile(const QString& preset) override {
        ++OutputDialogs;
        OutputPreset = preset;
        if (Outputs.empty())
            return QString();
        QString s = Outputs.front();
        Outputs.pop_front();
        return s;
    }
    bool StartOpenWorker(std::function<void()> work) override {
        return RefuseThread ? false : TMainFrm::StartOpenWorker(std::move(work));
    }
};

struct TBox {
    int Icon;
    QString Text, Left, Right;
};

// A key pressed and released on a widget, as a user types it.
inline void Key(QWidget* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(to, &release);
}

// Whether the boxes shown so far include the one that reports a finished rip.
inline bool HasDoneBox(const std::vector<TBox>& boxes) {
    for (const TBox& b : boxes)
        if (b.Text.startsWith(QStringLiteral("The MP3 has been extracted successfully.")))
            return true;
    return false;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A settings hive of the test's own: what one window saves (its place and size
        // too) never reaches the next test's window.
        FHiveBefore = qgetenv("SONAVEL_REGISTRY");
        qputenv("SONAVEL_REGISTRY",
                (FreshDir(QStringLiteral("hive")) + QStringLiteral("/registry.reg")).toUtf8());
        AppSettings = TAppSettings{};
        AppSettings.InputFileDir = TestRoot() + QStringLiteral("/");
        CurrentTag = TCurrentTag{};
        TipsIndex = TipsOff;
        RecordBoxes();
        SetShowMessageHook([this](const QString& t) { Messages.push_back(t); });
        SetReportExceptionHook([this](const QString& t) { Errors.push_back(t); });
        shell::SetOpenUrlHook([this](const QUrl& u) {
            Urls.push_back(u);
            return true;
        });
        Frm = std::make_unique<TTestMainFrm>();
        Frm->show();
        Frm->grab(); // paints once: the track bar reports its channel
        QApplication::processEvents();
    }
    void TearDown() override {
        if (Frm && Frm->isVisible())
            Frm->close();
        Frm.reset();
        SetMessageBoxHook({});
        SetShowMessageHook({});
        SetReportExceptionHook({});
        shell::SetOpenUrlHook({});
        qputenv("SONAVEL_REGISTRY", FHiveBefore);
    }

    // Every message box is recorded and answered from Answers (2 when it is empty).
    void RecordBoxes() {
        SetMessageBoxHook(
            [this](int icon, const QString& text, const QString& l, const QString& r) {
                Boxes.push_back({icon, text, l, r});
                if (Answers.empty())
                    return 2;
                int a = Answers.front();
                Answers.pop_front();
                return a;
            });
    }
    // The real message box comes up for the next question: `answer` is given the box
    // (its text, its buttons) once it is up, to answer as a user does.
    static void AnswerRealBox(std::function<void(QDialog*)> answer) {
        SetMessageBoxHook({});
        auto* poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                answer(box);
            }
        });
        poll->start();
    }
    // A key as the platform delivers it to the window (its shortcuts first).
    void WindowKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QApplication::setActiveWindow(Frm.get());
        QTest::keyClick(Frm->windowHandle(), Qt::Key(key), mods);
        // The application keeps the modifiers of the last key event: a list's selection
        // made afterwards (setCurrentItem) would otherwise extend or toggle as with Ctrl.
        QTest::keyRelease(Frm->windowHandle(), Qt::Key_Shift);
    }

    // Runs the event loop until `done` or the time is up; answers whether `done` held.
    static bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
    static void Pump(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    void Open(const QString& path) {
        Frm->Sources.push_back(path);
        Frm->OpenFileBtnClick();
    }

    std::unique_ptr<TTestMainFrm> Frm;
    std::deque<int> Answers;
    std::vector<TBox> Boxes;
    std::vector<QString> Messages, Errors;
    std::vector<QUrl> Urls;
    QByteArray FHiveBefore;
};
