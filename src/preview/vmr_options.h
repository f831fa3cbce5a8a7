#pragma once

// Settings of a video window used when it runs the video mixing renderer. Owned by one
// TVideoWindow (main thread only).

#include <cstdint>

class TVideoWindow;

enum TVMRVideoMode { vmrWindowed = 0, vmrWindowless = 1, vmrRenderless = 2 };

enum TVMRPreference {
    vpForceOffscreen = 0,
    vpForceOverlays = 1,
    vpForceMixer = 2,
    vpDoNotRenderColorKeyAndBorder = 3,
    vpRestrictToInitialMonitor = 4,
    vpPreferAGPMemWhenMixing = 5,
};

// A set of TVMRPreference, one bit each.
using TVMRPreferences = std::uint8_t;
constexpr TVMRPreferences PreferenceBit(TVMRPreference p) {
    return static_cast<TVMRPreferences>(1u << p);
}

class TVMROptions {
public:
    explicit TVMROptions(TVideoWindow* owner) : FOwner(owner) {}

    std::uint32_t Streams() const { return FStreams; }
    // 1..16 is stored; anything else stores 1.
    void SetStreams(std::uint32_t value);
    TVMRPreferences Preferences() const { return FPreferences; }
    void SetPreferences(TVMRPreferences value);
    TVMRVideoMode Mode() const { return FMode; }
    void SetMode(TVMRVideoMode value);
    bool KeepAspectRatio() const { return FKeepAspectRatio; }
    void SetKeepAspectRatio(bool value);

    // Stores without the rebuild rule (the video window reads values back).
    void StoreStreams(std::uint32_t value) { FStreams = value; }
    void StorePreferences(TVMRPreferences value) { FPreferences = value; }

private:
    void Rebuild();

    TVideoWindow* FOwner;
    std::uint32_t FStreams = 4;
    TVMRPreferences FPreferences = PreferenceBit(vpForceMixer);
    TVMRVideoMode FMode = vmrWindowed;
    bool FKeepAspectRatio = true;
};
