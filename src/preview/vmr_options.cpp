#include "preview/vmr_options.h"

#include "preview/filter_graph.h"
#include "preview/media_util.h"
#include "preview/video_window.h"

using namespace media;

void TVMROptions::SetStreams(std::uint32_t value) {
    FStreams = value >= 1 && value <= 16 ? value : 1;
    Rebuild();
}

void TVMROptions::SetPreferences(TVMRPreferences value) {
    FPreferences = value;
    Rebuild();
}

void TVMROptions::SetMode(TVMRVideoMode value) {
    FMode = value;
    Rebuild();
}

// A new renderer with the new settings: only for the mixing renderer on a live graph.
void TVMROptions::Rebuild() {
    if (!FOwner || FOwner->Mode() != vmVMR)
        return;
    TFilterGraph* graph = FOwner->FilterGraph();
    if (!graph || !graph->Active())
        return;
    graph->RemoveMember(FOwner);
    graph->InsertMember(FOwner);
}

void TVMROptions::SetKeepAspectRatio(bool value) {
    FKeepAspectRatio = value;
    if (FMode != vmrWindowed && FMode != vmrWindowless)
        return;
    if (auto control = FOwner ? FOwner->Query<IVMRAspectRatioControl9>() : nullptr)
        CheckMediaResult(control->SetAspectRatioMode(value
                                                         ? VMR9AspectRatioMode::VMR9ARMode_LetterBox
                                                         : VMR9AspectRatioMode::VMR9ARMode_None));
}
