// TMainFrm: the habits of a desktop program: the sources opened last in the open
// button's menu; Ctrl+Q / Ctrl+W to quit (which ask first while a rip runs, as closing
// does) and F1 for the help.
#include "ui/main/main_frm.h"

#include "app/recent_sources.h"
#include "ui/skin/speed_button.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QTimer>

void TMainFrm::BuildRecentMenu() {
    RecentMenu = new QMenu(this);
    RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
    OpenFileBtn->setMenu(RecentMenu);
    OpenFileBtn->setPopupMode(QToolButton::MenuButtonPopup);
    OpenFileBtn->setToolTip(tr("Open File (Ctrl+O); the arrow: the files opened last"));
    connect(RecentMenu, &QMenu::aboutToShow, this, [this] { Guarded([&] { ShowRecentMenu(); }); });

    // Ctrl+Q quits and Ctrl+W closes the only window, which is the same here; close()
    // asks about a running rip, and waits for an opening to end. F1 is the help.
    // Spelled out: a desktop without a theme of its own has no standard Quit key.
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* quit = new QShortcut(key, this);
        quit->setContext(Qt::WindowShortcut);
        connect(quit, &QShortcut::activated, this, [this] { close(); });
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { Guarded([&] { skinButton2Click(); }); });
}

void TMainFrm::ShowRecentMenu() {
    RecentMenu->clear();
    const QStringList recent = LoadRecentSources();
    for (const QString& path : recent) {
        const QFileInfo info(path);
        QAction* open = RecentMenu->addAction(info.fileName().isEmpty() ? path : info.fileName());
        open->setToolTip(path);
        open->setStatusTip(path);
        // A file moved or on a disc not inserted is shown, but cannot be chosen.
        open->setEnabled(info.exists() && IsIdle());
        connect(open, &QAction::triggered, this, [this, path] {
            // Opening waits in a loop of its own: not inside the menu's.
            QTimer::singleShot(0, this, [this, path] { Guarded([&] { OpenSourceFile(path); }); });
        });
    }
    if (recent.isEmpty())
        RecentMenu->addAction(tr("No files opened yet"))->setEnabled(false);
    RecentMenu->addSeparator();
    QAction* clear = RecentMenu->addAction(tr("&Clear the list"));
    clear->setEnabled(!recent.isEmpty());
    connect(clear, &QAction::triggered, this, [] { ClearRecentSources(); });
}
