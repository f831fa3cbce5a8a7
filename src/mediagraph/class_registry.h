#pragma once

// The table of creatable media classes, the stand-in for in-process class creation.
// The filter graph, the video renderer and the audio renderer are registered; the
// mixing renderer is not, so creating it answers REGDB_E_CLASSNOTREG. Tests may put their own
// factory in place of a class for a while. Thread-safe.

#include "mediagraph/media_interfaces.h"

#include <functional>

namespace media {

using ClassFactory = std::function<std::shared_ptr<IUnknown>()>;

class TClassRegistry {
public:
    // Replaces the factory of clsid (null factory: unregister); returns the previous one.
    static ClassFactory Register(const QUuid& clsid, ClassFactory factory);
};

// Makes an object of clsid: S_OK, REGDB_E_CLASSNOTREG, or E_FAIL when making it failed.
HRESULT CoCreateInstance(const QUuid& clsid, std::shared_ptr<IUnknown>& object);

// Typed form: E_NOINTERFACE when the object lacks I.
template <class I> HRESULT CoCreateInstance(const QUuid& clsid, std::shared_ptr<I>& object) {
    std::shared_ptr<IUnknown> unknown;
    object.reset();
    const HRESULT hr = CoCreateInstance(clsid, unknown);
    if (FAILED(hr))
        return hr;
    object = QueryInterface<I>(unknown);
    return object ? S_OK : E_NOINTERFACE;
}

} // namespace media
