#include "preview/filter_list.h"

#include <algorithm>

using namespace media;

TFilterList::TFilterList(const std::shared_ptr<IFilterGraph>& graph) {
    if (!graph)
        return;
    std::shared_ptr<IEnumFilters> e;
    if (graph->EnumFilters(e) != S_OK || !e)
        return;
    std::shared_ptr<IBaseFilter> filter;
    while (e->Next(filter) == S_OK)
        FItems.push_back(filter);
}

bool TFilterList::Remove(const std::shared_ptr<IBaseFilter>& filter) {
    auto it = std::find(FItems.begin(), FItems.end(), filter);
    if (it == FItems.end())
        return false;
    FItems.erase(it);
    return true;
}
