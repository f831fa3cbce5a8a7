#pragma once

// The process-wide table of named objects (graphs put there for inspection). Entries
// are kept alive by the table until revoked. Thread-safe.

#include "mediagraph/media_interfaces.h"

#include <QStringList>

namespace media {

class TRunningObjectTable {
public:
    static TRunningObjectTable& Instance();

    // Enters object under name; S_OK with a non-zero cookie.
    HRESULT Register(const QString& name, std::shared_ptr<IUnknown> object, std::uint32_t& cookie);
    // E_INVALIDARG for an unknown cookie.
    HRESULT Revoke(std::uint32_t cookie);
    std::shared_ptr<IUnknown> Find(const QString& name) const;
    QStringList Names() const;
};

} // namespace media
