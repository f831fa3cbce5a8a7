#pragma once

// A snapshot enumerator: the items are copied when it is made, so a graph or filter can
// change while a caller walks the copy. Used by whoever made it; not shared.

#include "mediagraph/media_interfaces.h"

#include <vector>

namespace media {

template <class I> class TListEnumerator final : public IEnum<I> {
public:
    explicit TListEnumerator(std::vector<std::shared_ptr<I>> items) : FItems(std::move(items)) {}

    HRESULT Next(std::shared_ptr<I>& item) override {
        if (FIndex >= FItems.size()) {
            item.reset();
            return S_FALSE;
        }
        item = FItems[FIndex++];
        return S_OK;
    }
    HRESULT Reset() override {
        FIndex = 0;
        return S_OK;
    }

private:
    std::vector<std::shared_ptr<I>> FItems;
    std::size_t FIndex = 0;
};

} // namespace media
