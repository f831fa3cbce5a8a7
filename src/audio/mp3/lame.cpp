#include "audio/mp3/lame.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <cstdlib>
#include <utility>

namespace {

std::mutex gLock;
void* gLibrary = nullptr;
int gUsers = 0;
int gFound = 0;
TLameEntryPoints gEntries;

const char* const gNames[TLameLibrary::NameCount] = {"lame_init",
                                                     "lame_set_num_samples",
                                                     "lame_get_num_samples",
                                                     "lame_set_in_samplerate",
                                                     "lame_get_in_samplerate",
                                                     "lame_set_num_channels",
                                                     "lame_get_num_channels",
                                                     "lame_set_scale",
                                                     "lame_get_scale",
                                                     "lame_set_scale_left",
                                                     "lame_get_scale_left",
                                                     "lame_set_scale_right",
                                                     "lame_get_scale_right",
                                                     "lame_set_out_samplerate",
                                                     "lame_get_out_samplerate",
                                                     "lame_set_analysis",
                                                     "lame_get_analysis",
                                                     "lame_set_bWriteVbrTag",
                                                     "lame_get_bWriteVbrTag",
                                                     "lame_set_decode_only",
                                                     "lame_get_decode_only",
                                                     "lame_set_ogg",
                                                     "lame_get_ogg",
                                                     "lame_set_quality",
                                                     "lame_get_quality",
                                                     "lame_set_mode",
                                                     "lame_get_mode",
                                                     "lame_set_mode_automs",
                                                     "lame_get_mode_automs",
                                                     "lame_set_force_ms",
                                                     "lame_get_force_ms",
                                                     "lame_set_free_format",
                                                     "lame_get_free_format",
                                                     "lame_set_brate",
                                                     "lame_get_brate",
                                                     "lame_set_compression_ratio",
                                                     "lame_get_compression_ratio",
                                                     "lame_set_preset",
                                                     "lame_set_asm_optimizations",
                                                     "lame_set_copyright",
                                                     "lame_get_copyright",
                                                     "lame_set_original",
                                                     "lame_get_original",
                                                     "lame_set_error_protection",
                                                     "lame_get_error_protection",
                                                     "lame_set_padding_type",
                                                     "lame_get_padding_type",
                                                     "lame_set_extension",
                                                     "lame_get_extension",
                                                     "lame_set_strict_ISO",
                                                     "lame_get_strict_ISO",
                                                     "lame_set_VBR",
                                                     "lame_get_VBR",
                                                     "lame_set_VBR_q",
                                                     "lame_get_VBR_q",
                                                     "lame_set_VBR_mean_bitrate_kbps",
                                                     "lame_get_VBR_mean_bitrate_kbps",
                                                     "lame_set_VBR_min_bitrate_kbps",
                                                     "lame_get_VBR_min_bitrate_kbps",
                                                     "lame_set_VBR_max_bitrate_kbps",
                                                     "lame_get_VBR_max_bitrate_kbps",
                                                     "lame_set_VBR_hard_min",
                                                     "lame_get_VBR_hard_min",
                                                     "lame_set_lowpassfreq",
                                                     "lame_get_lowpassfreq",
                                                     "lame_set_lowpasswidth",
                                                     "lame_get_lowpasswidth",
                                                     "lame_set_highpassfreq",
                                                     "lame_get_highpassfreq",
                                                     "lame_set_highpasswidth",
                                                     "lame_get_highpasswidth",
                                                     "lame_get_version",
                                                     "lame_get_encoder_delay",
                                                     "lame_get_encoder_padding",
                                                     "lame_get_framesize",
                                                     "lame_get_mf_samples_to_encode",
                                                     "lame_get_size_mp3buffer",
                                                     "lame_get_frameNum",
                                                     "lame_get_totalframes",
                                                     "lame_init_params",
                                                     "get_lame_version",
                                                     "get_lame_short_version",
                                                     "get_lame_very_short_version",
                                                     "get_psy_version",
                                                     "get_lame_url",
                                                     "get_lame_version_numerical",
                                                     "lame_encode_buffer",
                                                     "lame_encode_buffer_interleaved",
                                                     "lame_encode_buffer_float",
                                                     "lame_encode_flush",
                                                     "lame_encode_flush_nogap",
                                                     "lame_init_bitstream",
                                                     "lame_close",
                                                     "lame_decode_init",
                                                     "lame_decode",
                                                     "lame_decode_headers",
                                                     "lame_decode1",
                                                     "lame_decode1_headers",
                                                     "id3tag_genre_list",
                                                     "id3tag_init",
                                                     "id3tag_add_v2",
                                                     "id3tag_v1_only",
                                                     "id3tag_v2_only",
                                                     "id3tag_space_v1",
                                                     "id3tag_pad_v2",
                                                     "id3tag_set_title",
                                                     "id3tag_set_artist",
                                                     "id3tag_set_album",
                                                     "id3tag_set_year",
                                                     "id3tag_set_comment",
                                                     "id3tag_set_track",
                                                     "id3tag_set_genre",
                                                     "beWriteVbrHeader",
                                                     "beWriteInfoTag"};

template <class F> void Bind(void* Library, const char* Name, F& Slot) {
    Slot = reinterpret_cast<F>(dlsym(Library, Name));
    if (Slot)
        ++gFound;
}

// The first function TMP3Out calls that the loaded library lacks, or nullptr.
const char* MissingFunction() {
    const TLameEntryPoints& e = gEntries;
    const std::pair<const char*, bool> needed[] = {
        {"lame_init", e.lame_init != nullptr},
        {"lame_set_in_samplerate", e.lame_set_in_samplerate != nullptr},
        {"lame_set_num_channels", e.lame_set_num_channels != nullptr},
        {"lame_set_out_samplerate", e.lame_set_out_samplerate != nullptr},
        {"lame_set_mode", e.lame_set_mode != nullptr},
        {"lame_set_copyright", e.lame_set_copyright != nullptr},
        {"lame_set_original", e.lame_set_original != nullptr},
        {"lame_set_error_protection", e.lame_set_error_protection != nullptr},
        {"lame_set_brate", e.lame_set_brate != nullptr},
        {"lame_set_quality", e.lame_set_quality != nullptr},
        {"lame_set_VBR", e.lame_set_VBR != nullptr},
        {"lame_set_bWriteVbrTag", e.lame_set_bWriteVbrTag != nullptr},
        {"lame_set_VBR_q", e.lame_set_VBR_q != nullptr},
        {"lame_set_VBR_min_bitrate_kbps", e.lame_set_VBR_min_bitrate_kbps != nullptr},
        {"lame_set_VBR_max_bitrate_kbps", e.lame_set_VBR_max_bitrate_kbps != nullptr},
        {"lame_set_VBR_hard_min", e.lame_set_VBR_hard_min != nullptr},
        {"lame_init_params", e.lame_init_params != nullptr},
        {"lame_encode_buffer_interleaved", e.lame_encode_buffer_interleaved != nullptr},
        {"lame_encode_buffer", e.lame_encode_buffer != nullptr},
        {"id3tag_init", e.id3tag_init != nullptr},
        {"id3tag_add_v2", e.id3tag_add_v2 != nullptr},
        {"id3tag_set_title", e.id3tag_set_title != nullptr},
        {"id3tag_set_artist", e.id3tag_set_artist != nullptr},
        {"id3tag_set_album", e.id3tag_set_album != nullptr},
        {"id3tag_set_year", e.id3tag_set_year != nullptr},
        {"id3tag_set_track", e.id3tag_set_track != nullptr},
        {"id3tag_set_comment", e.id3tag_set_comment != nullptr},
        {"id3tag_set_genre", e.id3tag_set_genre != nullptr},
        {"lame_encode_flush", e.lame_encode_flush != nullptr},
        {"lame_get_bWriteVbrTag", e.lame_get_bWriteVbrTag != nullptr},
        {"lame_close", e.lame_close != nullptr},
        {"lame_get_lametag_frame", e.lame_get_lametag_frame != nullptr},
        {"id3tag_set_textinfo_utf16", e.id3tag_set_textinfo_utf16 != nullptr},
        {"id3tag_set_comment_utf16", e.id3tag_set_comment_utf16 != nullptr},
        {"lame_encode_buffer_ieee_float", e.lame_encode_buffer_ieee_float != nullptr},
        {"lame_encode_buffer_interleaved_ieee_float",
         e.lame_encode_buffer_interleaved_ieee_float != nullptr},
        {"lame_get_out_samplerate", e.lame_get_out_samplerate != nullptr},
        {"lame_get_framesize", e.lame_get_framesize != nullptr},
        {"lame_get_encoder_delay", e.lame_get_encoder_delay != nullptr},
        {"lame_get_encoder_padding", e.lame_get_encoder_padding != nullptr},
        {"lame_get_id3v2_tag", e.lame_get_id3v2_tag != nullptr},
        {"lame_get_id3v1_tag", e.lame_get_id3v1_tag != nullptr},
    };
    for (const auto& [name, present] : needed)
        if (!present)
            return name;
    return nullptr;
}

void Unload() {
    if (gLibrary)
        dlclose(gLibrary);
    gLibrary = nullptr;
    gEntries = TLameEntryPoints();
    gFound = 0;
}

} // namespace

void TLameLibrary::LookUp(void* Library) {
    TLameEntryPoints& e = gEntries;
    gFound = 0;
    Bind(Library, "lame_init", e.lame_init);
    Bind(Library, "lame_set_num_samples", e.lame_set_num_samples);
    Bind(Library, "lame_get_num_samples", e.lame_get_num_samples);
    Bind(Library, "lame_set_in_samplerate", e.lame_set_in_samplerate);
    Bind(Library, "lame_get_in_samplerate", e.lame_get_in_samplerate);
    Bind(Library, "lame_set_num_channels", e.lame_set_num_channels);
    Bind(Library, "lame_get_num_channels", e.lame_get_num_channels);
    Bind(Library, "lame_set_scale", e.lame_set_scale);
    Bind(Library, "lame_get_scale", e.lame_get_scale);
    Bind(Library, "lame_set_scale_left", e.lame_set_scale_left);
    Bind(Library, "lame_get_scale_left", e.lame_get_scale_left);
    Bind(Library, "lame_set_scale_right", e.lame_set_scale_right);
    Bind(Library, "lame_get_scale_right", e.lame_get_scale_right);
    Bind(Library, "lame_set_out_samplerate", e.lame_set_out_samplerate);
    Bind(Library, "lame_get_out_samplerate", e.lame_get_out_samplerate);
    Bind(Library, "lame_set_analysis", e.lame_set_analysis);
    Bind(Library, "lame_get_analysis", e.lame_get_analysis);
    Bind(Library, "lame_set_bWriteVbrTag", e.lame_set_bWriteVbrTag);
    Bind(Library, "lame_get_bWriteVbrTag", e.lame_get_bWriteVbrTag);
    Bind(Library, "lame_set_decode_only", e.lame_set_decode_only);
    Bind(Library, "lame_get_decode_only", e.lame_get_decode_only);
    Bind(Library, "lame_set_ogg", e.lame_set_ogg);
    Bind(Library, "lame_get_ogg", e.lame_get_ogg);
    Bind(Library, "lame_set_quality", e.lame_set_quality);
    Bind(Library, "lame_get_quality", e.lame_get_quality);
    Bind(Library, "lame_set_mode", e.lame_set_mode);
    Bind(Library, "lame_get_mode", e.lame_get_mode);
    Bind(Library, "lame_set_mode_automs", e.lame_set_mode_automs);
    Bind(Library, "lame_get_mode_automs", e.lame_get_mode_automs);
    Bind(Library, "lame_set_force_ms", e.lame_set_force_ms);
    Bind(Library, "lame_get_force_ms", e.lame_get_force_ms);
    Bind(Library, "lame_set_free_format", e.lame_set_free_format);
    Bind(Library, "lame_get_free_format", e.lame_get_free_format);
    Bind(Library, "lame_set_brate", e.lame_set_brate);
    Bind(Library, "lame_get_brate", e.lame_get_brate);
    Bind(Library, "lame_set_compression_ratio", e.lame_set_compression_ratio);
    Bind(Library, "lame_get_compression_ratio", e.lame_get_compression_ratio);
    Bind(Library, "lame_set_preset", e.lame_set_preset);
    Bind(Library, "lame_set_asm_optimizations", e.lame_set_asm_optimizations);
    Bind(Library, "lame_set_copyright", e.lame_set_copyright);
    Bind(Library, "lame_get_copyright", e.lame_get_copyright);
    Bind(Library, "lame_set_original", e.lame_set_original);
    Bind(Library, "lame_get_original", e.lame_get_original);
    Bind(Library, "lame_set_error_protection", e.lame_set_error_protection);
    Bind(Library, "lame_get_error_protection", e.lame_get_error_protection);
    Bind(Library, "lame_set_padding_type", e.lame_set_padding_type);
    Bind(Library, "lame_get_padding_type", e.lame_get_padding_type);
    Bind(Library, "lame_set_extension", e.lame_set_extension);
    Bind(Library, "lame_get_extension", e.lame_get_extension);
    Bind(Library, "lame_set_strict_ISO", e.lame_set_strict_ISO);
    Bind(Library, "lame_get_strict_ISO", e.lame_get_strict_ISO);
    Bind(Library, "lame_set_VBR", e.lame_set_VBR);
    Bind(Library, "lame_get_VBR", e.lame_get_VBR);
    Bind(Library, "lame_set_VBR_q", e.lame_set_VBR_q);
    Bind(Library, "lame_get_VBR_q", e.lame_get_VBR_q);
    Bind(Library, "lame_set_VBR_mean_bitrate_kbps", e.lame_set_VBR_mean_bitrate_kbps);
    Bind(Library, "lame_get_VBR_mean_bitrate_kbps", e.lame_get_VBR_mean_bitrate_kbps);
    Bind(Library, "lame_set_VBR_min_bitrate_kbps", e.lame_set_VBR_min_bitrate_kbps);
    Bind(Library, "lame_get_VBR_min_bitrate_kbps", e.lame_get_VBR_min_bitrate_kbps);
    Bind(Library, "lame_set_VBR_max_bitrate_kbps", e.lame_set_VBR_max_bitrate_kbps);
    Bind(Library, "lame_get_VBR_max_bitrate_kbps", e.lame_get_VBR_max_bitrate_kbps);
    Bind(Library, "lame_set_VBR_hard_min", e.lame_set_VBR_hard_min);
    Bind(Library, "lame_get_VBR_hard_min", e.lame_get_VBR_hard_min);
    Bind(Library, "lame_set_lowpassfreq", e.lame_set_lowpassfreq);
    Bind(Library, "lame_get_lowpassfreq", e.lame_get_lowpassfreq);
    Bind(Library, "lame_set_lowpasswidth", e.lame_set_lowpasswidth);
    Bind(Library, "lame_get_lowpasswidth", e.lame_get_lowpasswidth);
    Bind(Library, "lame_set_highpassfreq", e.lame_set_highpassfreq);
    Bind(Library, "lame_get_highpassfreq", e.lame_get_highpassfreq);
    Bind(Library, "lame_set_highpasswidth", e.lame_set_highpasswidth);
    Bind(Library, "lame_get_highpasswidth", e.lame_get_highpasswidth);
    Bind(Library, "lame_get_version", e.lame_get_version);
    Bind(Library, "lame_get_encoder_delay", e.lame_get_encoder_delay);
    Bind(Library, "lame_get_encoder_padding", e.lame_get_encoder_padding);
    Bind(Library, "lame_get_framesize", e.lame_get_framesize);
    Bind(Library, "lame_get_mf_samples_to_encode", e.lame_get_mf_samples_to_encode);
    Bind(Library, "lame_get_size_mp3buffer", e.lame_get_size_mp3buffer);
    Bind(Library, "lame_get_frameNum", e.lame_get_frameNum);
    Bind(Library, "lame_get_totalframes", e.lame_get_totalframes);
    Bind(Library, "lame_init_params", e.lame_init_params);
    Bind(Library, "get_lame_version", e.get_lame_version);
    Bind(Library, "get_lame_short_version", e.get_lame_short_version);
    Bind(Library, "get_lame_very_short_version", e.get_lame_very_short_version);
    Bind(Library, "get_psy_version", e.get_psy_version);
    Bind(Library, "get_lame_url", e.get_lame_url);
    Bind(Library, "get_lame_version_numerical", e.get_lame_version_numerical);
    Bind(Library, "lame_encode_buffer", e.lame_encode_buffer);
    Bind(Library, "lame_encode_buffer_interleaved", e.lame_encode_buffer_interleaved);
    Bind(Library, "lame_encode_buffer_float", e.lame_encode_buffer_float);
    Bind(Library, "lame_encode_flush", e.lame_encode_flush);
    Bind(Library, "lame_encode_flush_nogap", e.lame_encode_flush_nogap);
    Bind(Library, "lame_init_bitstream", e.lame_init_bitstream);
    Bind(Library, "lame_close", e.lame_close);
    Bind(Library, "lame_decode_init", e.lame_decode_init);
    Bind(Library, "lame_decode", e.lame_decode);
    Bind(Library, "lame_decode_headers", e.lame_decode_headers);
    Bind(Library, "lame_decode1", e.lame_decode1);
    Bind(Library, "lame_decode1_headers", e.lame_decode1_headers);
    Bind(Library, "id3tag_genre_list", e.id3tag_genre_list);
    Bind(Library, "id3tag_init", e.id3tag_init);
    Bind(Library, "id3tag_add_v2", e.id3tag_add_v2);
    Bind(Library, "id3tag_v1_only", e.id3tag_v1_only);
    Bind(Library, "id3tag_v2_only", e.id3tag_v2_only);
    Bind(Library, "id3tag_space_v1", e.id3tag_space_v1);
    Bind(Library, "id3tag_pad_v2", e.id3tag_pad_v2);
    Bind(Library, "id3tag_set_title", e.id3tag_set_title);
    Bind(Library, "id3tag_set_artist", e.id3tag_set_artist);
    Bind(Library, "id3tag_set_album", e.id3tag_set_album);
    Bind(Library, "id3tag_set_year", e.id3tag_set_year);
    Bind(Library, "id3tag_set_comment", e.id3tag_set_comment);
    Bind(Library, "id3tag_set_track", e.id3tag_set_track);
    Bind(Library, "id3tag_set_genre", e.id3tag_set_genre);
    Bind(Library, "beWriteVbrHeader", e.beWriteVbrHeader);
    Bind(Library, "beWriteInfoTag", e.beWriteInfoTag);
    const int found = gFound;
    Bind(Library, "lame_get_lametag_frame", e.lame_get_lametag_frame);
    Bind(Library, "id3tag_set_textinfo_utf16", e.id3tag_set_textinfo_utf16);
    Bind(Library, "id3tag_set_comment_utf16", e.id3tag_set_comment_utf16);
    Bind(Library, "lame_encode_buffer_ieee_float", e.lame_encode_buffer_ieee_float);
    Bind(Library, "lame_encode_buffer_interleaved_ieee_float",
         e.lame_encode_buffer_interleaved_ieee_float);
    Bind(Library, "lame_get_id3v1_tag", e.lame_get_id3v1_tag);
    Bind(Library, "lame_get_id3v2_tag", e.lame_get_id3v2_tag);
    gFound = found;
}

void TLameLibrary::Acquire() {
    std::lock_guard lock(gLock);
    if (gLibrary) {
        ++gUsers;
        return;
    }
    const char* chosen = std::getenv("SONAVEL_LAME_LIBRARY");
    void* library = nullptr;
    if (chosen && *chosen) {
        library = dlopen(chosen, RTLD_NOW | RTLD_LOCAL);
    } else {
        library = dlopen("libmp3lame.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            library = dlopen("libmp3lame.so", RTLD_NOW | RTLD_LOCAL);
    }
    if (!library)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "libmp3lame.so.0 library could not be loaded."));
    gLibrary = library;
    LookUp(library);
    if (const char* missing = MissingFunction()) {
        Unload();
        throw EAudioException(
            QCoreApplication::translate(
                "Mp3", "libmp3lame.so.0 library could not be loaded: it lacks the function %1.")
                .arg(QLatin1String(missing)));
    }
    gUsers = 1;
}

void TLameLibrary::Release() {
    std::lock_guard lock(gLock);
    if (gUsers > 0 && --gUsers == 0)
        Unload();
}

bool TLameLibrary::Loaded() {
    std::lock_guard lock(gLock);
    return gLibrary != nullptr;
}

const TLameEntryPoints& TLameLibrary::Api() {
    return gEntries;
}

int TLameLibrary::FoundCount() {
    std::lock_guard lock(gLock);
    return gFound;
}

const char* const* TLameLibrary::Names() {
    return gNames;
}
