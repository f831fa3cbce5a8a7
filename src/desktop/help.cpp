#include "desktop/help.h"

#include "app/globals.h"
#include "desktop/shell.h"

#include <QUrl>

void ShowHelp(const QString& topic) {
    QUrl url = QUrl::fromLocalFile(DataDir() + HelpFileName);
    if (!topic.isEmpty())
        url.setFragment(topic);
    shell::OpenUrl(url);
}
