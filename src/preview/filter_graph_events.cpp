// TFilterGraph: decoding of each graph event code into its published event.
#include "preview/filter_graph.h"

using namespace media;

namespace {

const char* const kDVDNames[] = {
    "DomainChange",
    "TitleChange",
    "ChapterStart",
    "AudioStreamChange",
    "SubpictureStreamChange",
    "AngleChange",
    "ButtonChange",
    "ValidUOPSChange",
    "StillOn",
    "StillOff",
    "CurrentTime",
    "Error",
    "Warning",
    "ChapterAutoStop",
    "NoFP_PGC",
    "PlaybackRateChange",
    "ParentalLevelChange",
    "PlaybackStopped",
    "AnglesAvailable",
    "PlayPeriodAutoStop",
    "ButtonAutoActivated",
    "CMDStart",
    "CMDEnd",
    "DiscEjected",
    "DiscInserted",
    "CurrentHMSFTime",
    "KaraokeMode",
};
static_assert(std::size(kDVDNames) ==
              TFilterGraph::kLastDVDEvent - TFilterGraph::kFirstDVDEvent + 1);

QString TextAt(LONG_PTR p) {
    return p ? *reinterpret_cast<const QString*>(p) : QString();
}

} // namespace

QString TFilterGraph::DVDEventName(long code) {
    if (code < kFirstDVDEvent || code > kLastDVDEvent)
        return {};
    return QString::fromLatin1(kDVDNames[code - kFirstDVDEvent]);
}

// Nine fields from the most significant end: seven of 4 bits, then two of 2 bits.
// Hours = f1 + 10 f2, minutes = f3 + 10 f4, seconds = f5 + 10 f6, frames = f7 + 10 f8,
// frame rate by f9: 1 is 25, 3 is 30, anything else 0.
TDVDTimeCode TFilterGraph::DecodeDVDTimeCode(std::uint32_t v) {
    int f[10] = {};
    for (int i = 1; i <= 7; ++i)
        f[i] = static_cast<int>((v >> (32 - 4 * i)) & 0xF);
    f[8] = static_cast<int>((v >> 2) & 0x3);
    f[9] = static_cast<int>(v & 0x3);
    TDVDTimeCode t;
    t.Hours = f[1] + 10 * f[2];
    t.Minutes = f[3] + 10 * f[4];
    t.Seconds = f[5] + 10 * f[6];
    t.Frames = f[7] + 10 * f[8];
    t.FrameRate = f[9] == 1 ? 25 : f[9] == 3 ? 30 : 0;
    return t;
}

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
        if (code >= kFirstDVDEvent && code <= kLastDVDEvent) {
            auto& handler = OnDVD[static_cast<size_t>(code - kFirstDVDEvent)];
            if (!handler)
                break;
            TDVDEventArgs args;
            args.Code = code;
            args.Name = DVDEventName(code);
            args.Param1 = p1;
            args.Param2 = p2;
            if (code == 267 || code == 282) {
                args.HasTimeCode = true;
                args.TimeCode = DecodeDVDTimeCode(static_cast<std::uint32_t>(p1));
            }
            handler(this, args);
        }
        break; // other codes reach only the sinks and OnDSEvent
    }
}
