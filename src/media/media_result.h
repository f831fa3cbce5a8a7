#pragma once

// Result codes of the media layer. They keep the shape of the 32-bit HRESULT values the
// program's stream code was written around: 0 succeeds, positive values are successes
// with a remark (end of stream), negative values fail. FFmpeg's own error codes (negative
// AVERROR values) pass through unchanged, so their text comes from av_strerror.
// Constants and pure functions: any thread.

#include <QString>

#include <cstdint>

namespace media {

using TMediaResult = int32_t;

inline constexpr TMediaResult S_OK = 0;
inline constexpr TMediaResult MS_S_PENDING = 0x00040001;
inline constexpr TMediaResult MS_S_NOUPDATE = 0x00040002;
inline constexpr TMediaResult MS_S_ENDOFSTREAM = 0x00040003;
inline constexpr TMediaResult E_INVALIDBUFFERSIZE = 0x08000001; // the program's own
inline constexpr TMediaResult E_NOINTERFACE = int32_t(0x80004002);
inline constexpr TMediaResult E_POINTER = int32_t(0x80004003);
inline constexpr TMediaResult E_ABORT = int32_t(0x80004004);
inline constexpr TMediaResult CLASS_E_NOAGGREGATION = int32_t(0x80040110);
inline constexpr TMediaResult REGDB_E_CLASSNOTREG = int32_t(0x80040154);
inline constexpr TMediaResult MS_E_SAMPLEALLOC = int32_t(0x80040401);
inline constexpr TMediaResult MS_E_PURPOSEID = int32_t(0x80040402);
inline constexpr TMediaResult MS_E_NOSTREAM = int32_t(0x80040403);
inline constexpr TMediaResult MS_E_NOSEEKING = int32_t(0x80040404);
inline constexpr TMediaResult MS_E_INCOMPATIBLE = int32_t(0x80040405);
inline constexpr TMediaResult MS_E_BUSY = int32_t(0x80040406);
inline constexpr TMediaResult MS_E_NOTINIT = int32_t(0x80040407);
inline constexpr TMediaResult MS_E_SOURCEALREADYDEFINED = int32_t(0x80040408);
inline constexpr TMediaResult MS_E_INVALIDSTREAMTYPE = int32_t(0x80040409);
inline constexpr TMediaResult MS_E_NOTRUNNING = int32_t(0x8004040A);
inline constexpr TMediaResult E_INVALIDARG = int32_t(0x80070057);
// DVD titles read through libdvdread (the program's own).
inline constexpr TMediaResult MS_E_DVD_NOTDVD = int32_t(0x80040420);
inline constexpr TMediaResult MS_E_DVD_DAMAGED = int32_t(0x80040421);
inline constexpr TMediaResult MS_E_DVD_SHORT = int32_t(0x80040422);
inline constexpr TMediaResult MS_E_DVD_ENCRYPTED = int32_t(0x80040423);
inline constexpr TMediaResult MS_E_DVD_NOTITLE = int32_t(0x80040424);
inline constexpr TMediaResult MS_E_DVD_READ = int32_t(0x80040425);
// A file that changed in place while it was read (the program's own).
inline constexpr TMediaResult MS_E_SOURCECHANGED = int32_t(0x80040430);
inline constexpr TMediaResult MS_E_DVD_NAVIGATION = int32_t(0x80040426);

inline bool Succeeded(TMediaResult code) {
    return code >= 0;
}
inline bool Failed(TMediaResult code) {
    return code < 0;
}

// The message for a result code: the fixed table of stream results, else FFmpeg's text
// for one of its error codes, else "Unrecognized error value.".
QString ResultText(TMediaResult code);

} // namespace media
