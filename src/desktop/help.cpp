#include "desktop/help.h"

#include "app/globals.h"
#include "desktop/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

bool ShowHelp(const QString& topic) {
    // The page in the window's language where there is one: its anchors are the same.
    QUrl url = QUrl::fromLocalFile(LocalDataFile(HelpFileName));
    if (!topic.isEmpty())
        url.setFragment(topic);
    return shell::OpenUrl(url);
}

QString HelpProblem() {
    return QCoreApplication::translate("Help", "The help cannot be shown: no web browser could "
                                               "be started. Open %1 in a browser to read it.")
        .arg(QDir::toNativeSeparators(LocalDataFile(HelpFileName)));
}
