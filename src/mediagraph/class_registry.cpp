#include "mediagraph/class_registry.h"

#include "mediagraph/audio_renderer.h"
#include "mediagraph/media_filter.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/video_renderer.h"

#include <QHash>

#include <mutex>

namespace media {

namespace {

std::mutex gRegistryLock;

QHash<QUuid, ClassFactory>& Table() {
    // The classes this layer implements. The mixing renderer is deliberately absent: it
    // answers "class not registered".
    static QHash<QUuid, ClassFactory> table{
        {CLSID_FilterGraph,
         [] { return std::shared_ptr<IUnknown>(std::make_shared<TMediaGraph>()); }},
        {CLSID_VideoRenderer,
         [] { return std::shared_ptr<IUnknown>(MakeFilter<TVideoRendererFilter>()); }},
        {CLSID_DSoundRender,
         [] { return std::shared_ptr<IUnknown>(MakeFilter<TAudioRendererFilter>()); }},
    };
    return table;
}

} // namespace

ClassFactory TClassRegistry::Register(const QUuid& clsid, ClassFactory factory) {
    std::lock_guard lock(gRegistryLock);
    ClassFactory previous = Table().value(clsid);
    if (factory)
        Table().insert(clsid, std::move(factory));
    else
        Table().remove(clsid);
    return previous;
}

HRESULT CoCreateInstance(const QUuid& clsid, std::shared_ptr<IUnknown>& object) {
    ClassFactory factory;
    {
        std::lock_guard lock(gRegistryLock);
        factory = Table().value(clsid);
    }
    object.reset();
    if (!factory)
        return REGDB_E_CLASSNOTREG;
    try {
        object = factory();
    } catch (const std::exception&) {
        return E_FAIL;
    }
    return object ? S_OK : E_FAIL;
}

} // namespace media
