#pragma once

// The desktop's "open with the default program": files, web pages, mailto: addresses.
// Always through QDesktopServices, never a shell command line. GUI thread only.

#include <QUrl>

#include <functional>

namespace shell {

// Opens the URL with the desktop's default handler; returns at once.
bool OpenUrl(const QUrl& url);

// Tests replace the desktop with a recorder; an empty function restores it.
void SetOpenUrlHook(std::function<bool(const QUrl&)> hook);

} // namespace shell
