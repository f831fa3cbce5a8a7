#pragma once

// The pins of one filter, enumerated when the list is made. Owned by its maker; one
// thread.

#include "mediagraph/media_interfaces.h"

#include <vector>

class TPinList {
public:
    explicit TPinList(const std::shared_ptr<media::IBaseFilter>& filter);

    int Count() const { return static_cast<int>(FItems.size()); }
    const std::shared_ptr<media::IPin>& Item(int i) const {
        return FItems.at(static_cast<size_t>(i));
    }
    // True when the pin's ConnectedTo yields a pin.
    bool Connected(int i) const;

private:
    std::vector<std::shared_ptr<media::IPin>> FItems;
};
