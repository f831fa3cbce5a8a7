// TFilterGraph: decoding of each graph event code into its published event.
#include "preview/filter_graph.h"

using namespace media;

namespace {

QString TextAt(LONG_PTR p) {
    return p ? *reinterpret_cast<const QString*>(p) : QString();
}

} // namespace

void TFilterGraph::DispatchEvent(long code, LONG_PTR p1, LONG_PTR p2) {
    const auto result = static_cast<HRESULT>(p1);
    switch (code) {
    case 1:
        if (OnGraphComplete)
            OnGraphComplete(this, result, p2);
        break;
    case 2:
        if (OnGraphUserAbort)
            OnGraphUserAbort(this);
        break;
    case 3:
        if (OnGraphErrorAbort)
            OnGraphErrorAbort(this, result);
        break;
    case 6:
        if (OnGraphStreamErrorStopped)
            OnGraphStreamErrorStopped(this, p1, p2);
        break;
    case 7:
        if (OnGraphStreamErrorStillPlaying)
            OnGraphStreamErrorStillPlaying(this, p1, p2);
        break;
    case 8:
        if (OnGraphErrorStillPlaying)
            OnGraphErrorStillPlaying(this, result);
        break;
    case 9:
        if (OnGraphPaletteChanged)
            OnGraphPaletteChanged(this);
        break;
    case 10:
        if (OnGraphVideoSizeChanged)
            OnGraphVideoSizeChanged(this, static_cast<int>(p1 & 0xFFFF),
                                    static_cast<int>((p1 >> 16) & 0xFFFF));
        break;
    case 11:
        if (OnGraphQualityChange)
            OnGraphQualityChange(this);
        break;
    case 13:
        if (OnGraphClockChanged)
            OnGraphClockChanged(this);
        break;
    case 14:
        if (OnGraphPaused)
            OnGraphPaused(this, result);
        break;
    case 16:
        if (OnGraphOpeningFile)
            OnGraphOpeningFile(this, p1 == 1);
        break;
    case 17:
        if (OnGraphBufferingData)
            OnGraphBufferingData(this, p1 == 1);
        break;
    case 18:
        if (OnGraphFullscreenLost)
            OnGraphFullscreenLost(this, p2);
        break;
    case 24: // the two texts travel as pointers to QString
        if (OnGraphOleEvent)
            OnGraphOleEvent(this, TextAt(p1), TextAt(p2));
        break;
    case 26:
        if (OnGraphStreamControlStopped)
            OnGraphStreamControlStopped(this, p1, p2);
        break;
    case 27:
        if (OnGraphStreamControlStarted)
            OnGraphStreamControlStarted(this, p1, p2);
        break;
    case 28:
        if (OnGraphEndOfSegment)
            OnGraphEndOfSegment(this, p1 ? *reinterpret_cast<const std::int64_t*>(p1) : 0,
                                static_cast<long>(p2));
        break;
    case 31:
        if (OnGraphDeviceLost)
            OnGraphDeviceLost(this, p1, p2 == 0);
        break;
    case 36:
        if (OnGraphStepComplete)
            OnGraphStepComplete(this);
        break;
    case 48:
        if (OnGraphTimeCodeAvailable)
            OnGraphTimeCodeAvailable(this, p1, p2);
        break;
    case 49:
        if (OnGraphEXTDeviceModeChange)
            OnGraphEXTDeviceModeChange(this, p1, p2);
        break;
    case 80:
        if (OnGraphChanged)
            OnGraphChanged(this);
        break;
    case 81:
        if (OnGraphClockUnset)
            OnGraphClockUnset(this);
        break;
    case 83:
        if (OnGraphVMRRenderDevice)
            OnGraphVMRRenderDevice(this, static_cast<long>(p1));
        break;
    case 512:
        if (OnGraphSNDDevInError)
            OnGraphSNDDevInError(this, p1, p2);
        break;
    case 513:
        if (OnGraphSNDDevOutError)
            OnGraphSNDDevOutError(this, p1, p2);
        break;
    default:
        break; // other codes reach only the sinks and OnDSEvent
    }
}
