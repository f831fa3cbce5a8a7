#pragma once

// Plain values of the media layer: result codes, class ids, event codes, states, time
// formats and window style bits. They keep the numbers the preview code was written
// against, so a result code means the same thing everywhere (negative = failure).
//
// The codes shared with the audio stream (S_OK, E_POINTER, ...) come from media_result.h;
// the ones only the graph uses are here. Namespace media throughout.

#include "media/media_result.h"

#include <QUuid>

#include <cstdint>

namespace media {

using HRESULT = TMediaResult;
using REFERENCE_TIME = std::int64_t; // 100-ns units
using LONG_PTR = std::intptr_t;

constexpr HRESULT MakeCode(std::uint32_t v) {
    return static_cast<HRESULT>(v);
}

inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeCode(0x80004001);
inline constexpr HRESULT E_FAIL = MakeCode(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeCode(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeCode(0x8007000E);
inline constexpr HRESULT E_ACCESSDENIED = MakeCode(0x80070005);
inline constexpr HRESULT E_FILE_NOT_FOUND = MakeCode(0x80070002); // from ERROR_FILE_NOT_FOUND
inline constexpr HRESULT VFW_E_NOT_CONNECTED = MakeCode(0x80040209);
inline constexpr HRESULT VFW_E_NOT_FOUND = MakeCode(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeCode(0x80040217);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = MakeCode(0x80040218);
inline constexpr HRESULT VFW_E_WRONG_STATE = MakeCode(0x80040227);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeCode(0x8004022F);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeCode(0x80040240);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = MakeCode(0x80040265);
inline constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = MakeCode(0x80040256);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeCode(0x80040204);
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = MakeCode(0x00040237);
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = MakeCode(0x00040242);
inline constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = MakeCode(0x00040257);
inline constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = MakeCode(0x00040258);

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// Class ids the class table knows (see class_registry.h).
inline const QUuid CLSID_FilterGraph{"{E436EBB3-524F-11CE-9F53-0020AF0BA770}"};
inline const QUuid CLSID_VideoRenderer{"{70E102B0-5556-11CE-97C0-00AA0044BB51}"};
inline const QUuid CLSID_VideoMixingRenderer9{"{51B4ABF3-748F-4E3B-A276-C828330E926A}"};
inline const QUuid CLSID_AsyncReader{"{E436EBB5-524F-11CE-9F53-0020AF0BA770}"};
inline const QUuid CLSID_MediaVideoDecoder{"{5C5A3E70-8B36-4F0B-9E31-6A8E8D1D0C01}"};
inline const QUuid CLSID_MediaAudioDecoder{"{5C5A3E70-8B36-4F0B-9E31-6A8E8D1D0C02}"};
inline const QUuid CLSID_DSoundRender{"{79376820-07D0-11CF-A24D-0020AFD79767}"};

// Graph event codes.
inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_USERABORT = 0x02;
inline constexpr long EC_ERRORABORT = 0x03;
inline constexpr long EC_PAUSED = 0x0E;
inline constexpr long EC_VIDEO_SIZE_CHANGED = 0x0A;

// The message number a graph posts to its notify window.
inline constexpr int WM_GRAPHNOTIFY = 0x8001;

enum class FILTER_STATE : int { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
using OAFilterState = FILTER_STATE;

enum class PIN_DIRECTION : int { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

// Time formats of IMediaSeeking.
inline const QUuid TIME_FORMAT_NONE{};
inline const QUuid TIME_FORMAT_MEDIA_TIME{"{7B785574-8C82-11CF-BC0C-00AA00AC74F6}"};
inline const QUuid TIME_FORMAT_FRAME{"{7B785570-8C82-11CF-BC0C-00AA00AC74F6}"};
inline const QUuid TIME_FORMAT_SAMPLE{"{7B785572-8C82-11CF-BC0C-00AA00AC74F6}"};

// Seeking flags of SetPositions.
inline constexpr int AM_SEEKING_NoPositioning = 0x0;
inline constexpr int AM_SEEKING_AbsolutePositioning = 0x1;
inline constexpr int AM_SEEKING_RelativePositioning = 0x2;
inline constexpr int AM_SEEKING_IncrementalPositioning = 0x3;
inline constexpr int AM_SEEKING_PositioningBitsMask = 0x3;

// Window style bits of IVideoWindow (the renderer window keeps the classic values).
inline constexpr std::int32_t WS_CHILD = 0x40000000;
inline constexpr std::int32_t WS_VISIBLE = 0x10000000;
inline constexpr std::int32_t WS_CLIPSIBLINGS = 0x04000000;
inline constexpr std::int32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr std::int32_t WS_CAPTION = 0x00C00000;
inline constexpr std::int32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::int32_t WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr std::int32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr std::int32_t WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr std::int32_t WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr std::int32_t WS_EX_STATICEDGE = 0x00020000;

// OATRUE / OAFALSE of the automation-style setters.
inline constexpr long OATRUE = -1;
inline constexpr long OAFALSE = 0;

} // namespace media
