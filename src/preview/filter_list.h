#pragma once

// The filters of a graph, enumerated when the list is made. Owned by its maker; one
// thread.

#include "mediagraph/media_interfaces.h"

#include <vector>

class TFilterList {
public:
    explicit TFilterList(const std::shared_ptr<media::IFilterGraph>& graph);

    int Count() const { return static_cast<int>(FItems.size()); }
    const std::shared_ptr<media::IBaseFilter>& Item(int i) const {
        return FItems.at(static_cast<size_t>(i));
    }
    // Removes the filter by reference; false when it is not in the list.
    bool Remove(const std::shared_ptr<media::IBaseFilter>& filter);

private:
    std::vector<std::shared_ptr<media::IBaseFilter>> FItems;
};
