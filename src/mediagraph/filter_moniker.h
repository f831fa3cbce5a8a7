#pragma once

// What a graph tells its builder callback about a filter it is about to create: the
// class id ("CLSID", in text form) and the friendly name ("FriendlyName").
// Immutable; any thread.

#include "mediagraph/media_interfaces.h"

namespace media {

class TFilterMoniker final : public IMoniker,
                             public IPropertyBag,
                             public std::enable_shared_from_this<TFilterMoniker> {
public:
    TFilterMoniker(const QUuid& clsid, QString friendlyName)
        : FClassId(clsid), FName(std::move(friendlyName)) {}

    HRESULT BindToStorage(std::shared_ptr<IPropertyBag>& bag) override {
        bag = shared_from_this();
        return S_OK;
    }
    HRESULT Read(const QString& name, QVariant& value) override {
        if (name == QLatin1String("CLSID"))
            value = FClassId.toString(QUuid::WithBraces).toUpper();
        else if (name == QLatin1String("FriendlyName"))
            value = FName;
        else
            return E_INVALIDARG;
        return S_OK;
    }

private:
    const QUuid FClassId;
    const QString FName;
};

} // namespace media
