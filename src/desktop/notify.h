#pragma once

// Desktop notifications ("the rip is done" while the window is in the background),
// through the freedesktop notification service on the session D-Bus. Sending never
// waits for an answer; with no session bus or no notification service nothing happens.
// GUI thread only.

#include <QString>

#include <functional>

namespace notify {

// Hands a notification to the desktop. False when there is no session bus to hand it
// to; a bus without a notification service answers with an error nobody waits for.
bool SendNotification(const QString& summary, const QString& body);

// Tests replace the desktop with a recorder; an empty function restores it.
void SetNotifyHook(std::function<bool(const QString& summary, const QString& body)> hook);

} // namespace notify
