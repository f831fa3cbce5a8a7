#include "desktop/shell.h"

#include <QDesktopServices>

namespace shell {

static std::function<bool(const QUrl&)>& Hook() {
    static std::function<bool(const QUrl&)> hook;
    return hook;
}

bool OpenUrl(const QUrl& url) {
    if (Hook())
        return Hook()(url);
    return QDesktopServices::openUrl(url);
}

void SetOpenUrlHook(std::function<bool(const QUrl&)> hook) {
    Hook() = std::move(hook);
}

} // namespace shell
