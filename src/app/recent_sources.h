#pragma once

// The sources opened last, newest first, at most RecentSourcesMax: kept in the settings
// hive beside the other settings as "RecentSource1" ... "RecentSource8" (an empty text
// for an unused place), read when the window's menu is shown and written at each
// successful opening. GUI thread.

#include <QString>
#include <QStringList>

inline constexpr int RecentSourcesMax = 8;

// The stored list; values missing or of another type are skipped.
QStringList LoadRecentSources();
// Puts `path` first (once), keeping at most RecentSourcesMax; false when the settings
// cannot be written (the list then lasts as long as nothing else changes it).
bool AddRecentSource(const QString& path);
// Forgets every entry.
bool ClearRecentSources();
