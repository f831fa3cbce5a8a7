#include "app/recent_sources.h"

#include "app/globals.h"
#include "base/registry.h"

namespace {
QString ValueName(int k) {
    return QStringLiteral("RecentSource%1").arg(k + 1);
}

bool Store(const QStringList& list) {
    try {
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, true))
            return false;
        for (int k = 0; k < RecentSourcesMax; ++k)
            reg.WriteString(ValueName(k), k < list.size() ? list[k] : QString());
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}
} // namespace

QStringList LoadRecentSources() {
    QStringList list;
    try {
        TRegistry reg;
        if (!reg.OpenKey(RegistryKey, false))
            return list;
        for (int k = 0; k < RecentSourcesMax; ++k) {
            try {
                const QString path = reg.ReadString(ValueName(k));
                if (!path.isEmpty() && !list.contains(path))
                    list << path;
            } catch (const ERegistryException&) {
                // written by someone else as a number: not a path
            }
        }
    } catch (const ERegistryException&) {
    }
    return list;
}

bool AddRecentSource(const QString& path) {
    QStringList list = LoadRecentSources();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > RecentSourcesMax)
        list.removeLast();
    return Store(list);
}

bool ClearRecentSources() {
    return Store({});
}
