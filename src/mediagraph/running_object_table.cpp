#include "mediagraph/running_object_table.h"

#include <map>
#include <mutex>

namespace media {

namespace {
struct Entry {
    QString name;
    std::shared_ptr<IUnknown> object;
};
std::mutex gTableLock;
std::map<std::uint32_t, Entry> gEntries;
std::uint32_t gNextCookie = 1;
} // namespace

TRunningObjectTable& TRunningObjectTable::Instance() {
    static TRunningObjectTable table;
    return table;
}

HRESULT TRunningObjectTable::Register(const QString& name, std::shared_ptr<IUnknown> object,
                                      std::uint32_t& cookie) {
    if (!object)
        return E_POINTER;
    std::lock_guard lock(gTableLock);
    cookie = gNextCookie++;
    if (cookie == 0)
        cookie = gNextCookie++;
    gEntries[cookie] = Entry{name, std::move(object)};
    return S_OK;
}

HRESULT TRunningObjectTable::Revoke(std::uint32_t cookie) {
    std::shared_ptr<IUnknown> released; // released outside the lock
    std::lock_guard lock(gTableLock);
    auto it = gEntries.find(cookie);
    if (it == gEntries.end())
        return E_INVALIDARG;
    released = std::move(it->second.object);
    gEntries.erase(it);
    return S_OK;
}

std::shared_ptr<IUnknown> TRunningObjectTable::Find(const QString& name) const {
    std::lock_guard lock(gTableLock);
    for (const auto& [cookie, e] : gEntries)
        if (e.name == name)
            return e.object;
    return nullptr;
}

QStringList TRunningObjectTable::Names() const {
    std::lock_guard lock(gTableLock);
    QStringList names;
    for (const auto& [cookie, e] : gEntries)
        names << e.name;
    return names;
}

} // namespace media
