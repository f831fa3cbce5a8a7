#include "preview/pin_list.h"

using namespace media;

TPinList::TPinList(const std::shared_ptr<IBaseFilter>& filter) {
    if (!filter)
        return;
    std::shared_ptr<IEnumPins> e;
    if (filter->EnumPins(e) != S_OK || !e)
        return;
    std::shared_ptr<IPin> pin;
    while (e->Next(pin) == S_OK)
        FItems.push_back(pin);
}

bool TPinList::Connected(int i) const {
    std::shared_ptr<IPin> peer;
    return Item(i)->ConnectedTo(peer) == S_OK && peer != nullptr;
}
