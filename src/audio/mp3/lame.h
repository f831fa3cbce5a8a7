#pragma once

#include <lame/lame.h>

#include <QString>

#include <mutex>

// Run-time binding of the LAME encoder library (libmp3lame). The library is never linked:
// it is loaded with dlopen from "libmp3lame.so.0" (then "libmp3lame.so"), or from the
// file named by the environment variable SONAVEL_LAME_LIBRARY when that is set, and its
// functions are looked up by their published names with the prototypes of <lame/lame.h>.
//
// Loading is counted: every TMP3Out acquires the library in its constructor and gives it
// back in its destructor after its worker has stopped, so the library is released only
// when no output can call into it any more.
//
// Threads: Acquire and Release on the main thread (constructors and destructors of the
// outputs); the entry points do not change while the library is held and may be called
// from any thread.

// The Windows build of the library offered these two; libmp3lame has neither, so their
// entries stay empty (TMP3Out writes the information tag with lame_get_lametag_frame).
using beWriteVbrHeaderFunc = int (*)(const char* FileName);
using beWriteInfoTagFunc = int (*)(lame_global_flags* Handle, const char* FileName);

// <lame/lame.h> hides its deprecated and obsolete declarations; the library still
// exports them, so their prototypes (from that header's hidden part) are given here.
using lame_set_ogg_Func = int (*)(lame_global_flags*, int);
using lame_get_ogg_Func = int (*)(const lame_global_flags*);
using lame_set_mode_automs_Func = int (*)(lame_global_flags*, int);
using lame_get_mode_automs_Func = int (*)(const lame_global_flags*);
using lame_set_padding_type_Func = int (*)(lame_global_flags*, Padding_type);
using lame_get_padding_type_Func = Padding_type (*)(const lame_global_flags*);
using lame_decode_init_Func = int (*)(void);
using lame_decode_Func = int (*)(unsigned char* mp3buf, int len, short pcm_l[], short pcm_r[]);
using lame_decode_headers_Func = int (*)(unsigned char* mp3buf, int len, short pcm_l[],
                                         short pcm_r[], mp3data_struct* mp3data);
using lame_decode1_Func = int (*)(unsigned char* mp3buf, int len, short pcm_l[], short pcm_r[]);
using lame_decode1_headers_Func = int (*)(unsigned char* mp3buf, int len, short pcm_l[],
                                          short pcm_r[], mp3data_struct* mp3data);

// One entry point per looked-up name; a name the library lacks leaves its entry empty.
struct TLameEntryPoints {
    // The 114 names, in their lookup order.
    decltype(&::lame_init) lame_init = nullptr;
    decltype(&::lame_set_num_samples) lame_set_num_samples = nullptr;
    decltype(&::lame_get_num_samples) lame_get_num_samples = nullptr;
    decltype(&::lame_set_in_samplerate) lame_set_in_samplerate = nullptr;
    decltype(&::lame_get_in_samplerate) lame_get_in_samplerate = nullptr;
    decltype(&::lame_set_num_channels) lame_set_num_channels = nullptr;
    decltype(&::lame_get_num_channels) lame_get_num_channels = nullptr;
    decltype(&::lame_set_scale) lame_set_scale = nullptr;
    decltype(&::lame_get_scale) lame_get_scale = nullptr;
    decltype(&::lame_set_scale_left) lame_set_scale_left = nullptr;
    decltype(&::lame_get_scale_left) lame_get_scale_left = nullptr;
    decltype(&::lame_set_scale_right) lame_set_scale_right = nullptr;
    decltype(&::lame_get_scale_right) lame_get_scale_right = nullptr;
    decltype(&::lame_set_out_samplerate) lame_set_out_samplerate = nullptr;
    decltype(&::lame_get_out_samplerate) lame_get_out_samplerate = nullptr;
    decltype(&::lame_set_analysis) lame_set_analysis = nullptr;
    decltype(&::lame_get_analysis) lame_get_analysis = nullptr;
    decltype(&::lame_set_bWriteVbrTag) lame_set_bWriteVbrTag = nullptr;
    decltype(&::lame_get_bWriteVbrTag) lame_get_bWriteVbrTag = nullptr;
    decltype(&::lame_set_decode_only) lame_set_decode_only = nullptr;
    decltype(&::lame_get_decode_only) lame_get_decode_only = nullptr;
    lame_set_ogg_Func lame_set_ogg = nullptr;
    lame_get_ogg_Func lame_get_ogg = nullptr;
    decltype(&::lame_set_quality) lame_set_quality = nullptr;
    decltype(&::lame_get_quality) lame_get_quality = nullptr;
    decltype(&::lame_set_mode) lame_set_mode = nullptr;
    decltype(&::lame_get_mode) lame_get_mode = nullptr;
    lame_set_mode_automs_Func lame_set_mode_automs = nullptr;
    lame_get_mode_automs_Func lame_get_mode_automs = nullptr;
    decltype(&::lame_set_force_ms) lame_set_force_ms = nullptr;
    decltype(&::lame_get_force_ms) lame_get_force_ms = nullptr;
    decltype(&::lame_set_free_format) lame_set_free_format = nullptr;
    decltype(&::lame_get_free_format) lame_get_free_format = nullptr;
    decltype(&::lame_set_brate) lame_set_brate = nullptr;
    decltype(&::lame_get_brate) lame_get_brate = nullptr;
    decltype(&::lame_set_compression_ratio) lame_set_compression_ratio = nullptr;
    decltype(&::lame_get_compression_ratio) lame_get_compression_ratio = nullptr;
    decltype(&::lame_set_preset) lame_set_preset = nullptr;
    decltype(&::lame_set_asm_optimizations) lame_set_asm_optimizations = nullptr;
    decltype(&::lame_set_copyright) lame_set_copyright = nullptr;
    decltype(&::lame_get_copyright) lame_get_copyright = nullptr;
    decltype(&::lame_set_original) lame_set_original = nullptr;
    decltype(&::lame_get_original) lame_get_original = nullptr;
    decltype(&::lame_set_error_protection) lame_set_error_protection = nullptr;
    decltype(&::lame_get_error_protection) lame_get_error_protection = nullptr;
    lame_set_padding_type_Func lame_set_padding_type = nullptr;
    lame_get_padding_type_Func lame_get_padding_type = nullptr;
    decltype(&::lame_set_extension) lame_set_extension = nullptr;
    decltype(&::lame_get_extension) lame_get_extension = nullptr;
    decltype(&::lame_set_strict_ISO) lame_set_strict_ISO = nullptr;
    decltype(&::lame_get_strict_ISO) lame_get_strict_ISO = nullptr;
    decltype(&::lame_set_VBR) lame_set_VBR = nullptr;
    decltype(&::lame_get_VBR) lame_get_VBR = nullptr;
    decltype(&::lame_set_VBR_q) lame_set_VBR_q = nullptr;
    decltype(&::lame_get_VBR_q) lame_get_VBR_q = nullptr;
    decltype(&::lame_set_VBR_mean_bitrate_kbps) lame_set_VBR_mean_bitrate_kbps = nullptr;
    decltype(&::lame_get_VBR_mean_bitrate_kbps) lame_get_VBR_mean_bitrate_kbps = nullptr;
    decltype(&::lame_set_VBR_min_bitrate_kbps) lame_set_VBR_min_bitrate_kbps = nullptr;
    decltype(&::lame_get_VBR_min_bitrate_kbps) lame_get_VBR_min_bitrate_kbps = nullptr;
    decltype(&::lame_set_VBR_max_bitrate_kbps) lame_set_VBR_max_bitrate_kbps = nullptr;
    decltype(&::lame_get_VBR_max_bitrate_kbps) lame_get_VBR_max_bitrate_kbps = nullptr;
    decltype(&::lame_set_VBR_hard_min) lame_set_VBR_hard_min = nullptr;
    decltype(&::lame_get_VBR_hard_min) lame_get_VBR_hard_min = nullptr;
    decltype(&::lame_set_lowpassfreq) lame_set_lowpassfreq = nullptr;
    decltype(&::lame_get_lowpassfreq) lame_get_lowpassfreq = nullptr;
    decltype(&::lame_set_lowpasswidth) lame_set_lowpasswidth = nullptr;
    decltype(&::lame_get_lowpasswidth) lame_get_lowpasswidth = nullptr;
    decltype(&::lame_set_highpassfreq) lame_set_highpassfreq = nullptr;
    decltype(&::lame_get_highpassfreq) lame_get_highpassfreq = nullptr;
    decltype(&::lame_set_highpasswidth) lame_set_highpasswidth = nullptr;
    decltype(&::lame_get_highpasswidth) lame_get_highpasswidth = nullptr;
    decltype(&::lame_get_version) lame_get_version = nullptr;
    decltype(&::lame_get_encoder_delay) lame_get_encoder_delay = nullptr;
    decltype(&::lame_get_encoder_padding) lame_get_encoder_padding = nullptr;
    decltype(&::lame_get_framesize) lame_get_framesize = nullptr;
    decltype(&::lame_get_mf_samples_to_encode) lame_get_mf_samples_to_encode = nullptr;
    decltype(&::lame_get_size_mp3buffer) lame_get_size_mp3buffer = nullptr;
    decltype(&::lame_get_frameNum) lame_get_frameNum = nullptr;
    decltype(&::lame_get_totalframes) lame_get_totalframes = nullptr;
    decltype(&::lame_init_params) lame_init_params = nullptr;
    decltype(&::get_lame_version) get_lame_version = nullptr;
    decltype(&::get_lame_short_version) get_lame_short_version = nullptr;
    decltype(&::get_lame_very_short_version) get_lame_very_short_version = nullptr;
    decltype(&::get_psy_version) get_psy_version = nullptr;
    decltype(&::get_lame_url) get_lame_url = nullptr;
    decltype(&::get_lame_version_numerical) get_lame_version_numerical = nullptr;
    decltype(&::lame_encode_buffer) lame_encode_buffer = nullptr;
    decltype(&::lame_encode_buffer_interleaved) lame_encode_buffer_interleaved = nullptr;
    decltype(&::lame_encode_buffer_float) lame_encode_buffer_float = nullptr;
    decltype(&::lame_encode_flush) lame_encode_flush = nullptr;
    decltype(&::lame_encode_flush_nogap) lame_encode_flush_nogap = nullptr;
    decltype(&::lame_init_bitstream) lame_init_bitstream = nullptr;
    decltype(&::lame_close) lame_close = nullptr;
    lame_decode_init_Func lame_decode_init = nullptr;
    lame_decode_Func lame_decode = nullptr;
    lame_decode_headers_Func lame_decode_headers = nullptr;
    lame_decode1_Func lame_decode1 = nullptr;
    lame_decode1_headers_Func lame_decode1_headers = nullptr;
    decltype(&::id3tag_genre_list) id3tag_genre_list = nullptr;
    decltype(&::id3tag_init) id3tag_init = nullptr;
    decltype(&::id3tag_add_v2) id3tag_add_v2 = nullptr;
    decltype(&::id3tag_v1_only) id3tag_v1_only = nullptr;
    decltype(&::id3tag_v2_only) id3tag_v2_only = nullptr;
    decltype(&::id3tag_space_v1) id3tag_space_v1 = nullptr;
    decltype(&::id3tag_pad_v2) id3tag_pad_v2 = nullptr;
    decltype(&::id3tag_set_title) id3tag_set_title = nullptr;
    decltype(&::id3tag_set_artist) id3tag_set_artist = nullptr;
    decltype(&::id3tag_set_album) id3tag_set_album = nullptr;
    decltype(&::id3tag_set_year) id3tag_set_year = nullptr;
    decltype(&::id3tag_set_comment) id3tag_set_comment = nullptr;
    decltype(&::id3tag_set_track) id3tag_set_track = nullptr;
    decltype(&::id3tag_set_genre) id3tag_set_genre = nullptr;
    beWriteVbrHeaderFunc beWriteVbrHeader = nullptr;
    beWriteInfoTagFunc beWriteInfoTag = nullptr;

    // Looked up after those: the information tag frame, the UTF-16 tag texts, and float
    // samples at full scale +-1.0 (lame_encode_buffer_float wants +-32768).
    decltype(&::lame_get_lametag_frame) lame_get_lametag_frame = nullptr;
    decltype(&::id3tag_set_textinfo_utf16) id3tag_set_textinfo_utf16 = nullptr;
    decltype(&::id3tag_set_comment_utf16) id3tag_set_comment_utf16 = nullptr;
    decltype(&::lame_encode_buffer_ieee_float) lame_encode_buffer_ieee_float = nullptr;
    decltype(&::lame_encode_buffer_interleaved_ieee_float)
        lame_encode_buffer_interleaved_ieee_float = nullptr;
    // Optional (a run in parts needs them; without them it runs on one encoder).
    decltype(&::lame_get_id3v1_tag) lame_get_id3v1_tag = nullptr;
    decltype(&::lame_get_id3v2_tag) lame_get_id3v2_tag = nullptr;
};

class TLameLibrary {
public:
    // Loads the library for one more user. Raises EAudioException "libmp3lame.so.0
    // library could not be loaded." when it cannot be loaded, and a message naming the
    // function when the library lacks one that TMP3Out calls (then nothing stays loaded).
    static void Acquire();
    // Gives back one Acquire; the last one releases the library.
    static void Release();
    static bool Loaded();
    // The entry points; valid while the library is held.
    static const TLameEntryPoints& Api();
    // How many of the 114 names the loaded library has.
    static int FoundCount();
    // The names of the lookup, in order (114 entries).
    static const char* const* Names();
    static constexpr int NameCount = 114;

private:
    static void LookUp(void* Library);
};
