#include "audio/mp3/mp3_encoder.h"

#include "audio/mp3/id3v1_text.h"
#include "audio/mp3/lame.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <utility>
#include <vector>

namespace {

const TLameEntryPoints& L() {
    return TLameLibrary::Api();
}

// Text for LAME's UTF-16 setters: byte order mark first, NUL at the end.
std::vector<unsigned short> Utf16Text(const QString& Text) {
    std::vector<unsigned short> out;
    out.reserve(size_t(Text.size()) + 2);
    out.push_back(0xFEFF);
    for (QChar c : Text)
        out.push_back(c.unicode());
    out.push_back(0);
    return out;
}

} // namespace

void TMp3Encoder::TCloser::operator()(lame_global_struct* Handle) const noexcept {
    if (Handle && L().lame_close)
        L().lame_close(Handle);
}

TMp3Encoder::TMp3Encoder(int MaxFrames)
    : FMaxFrames(MaxFrames), FBufferSize(BufferSizeFor(MaxFrames)) {}

TMp3Encoder::~TMp3Encoder() = default;

void TMp3Encoder::Open(const TMp3EncoderSettings& S) {
    Close();
    FHandle.reset(L().lame_init());
    if (!FHandle)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The MP3 encoder could not be started."));
    lame_t e = FHandle.get();
    L().lame_set_in_samplerate(e, S.InputSampleRate);
    L().lame_set_num_channels(e, 2);
    L().lame_set_out_samplerate(e, S.OutputSampleRate);
    L().lame_set_mode(e, MPEG_mode(S.Mode));
    L().lame_set_copyright(e, S.Copyright ? 1 : 0);
    L().lame_set_original(e, S.Original ? 1 : 0);
    L().lame_set_error_protection(e, S.CRC ? 1 : 0);
    if (S.EnableVBR) {
        if (S.VBRCurrentMethod)
            L().lame_set_VBR(e, vbr_mtrh);
        L().lame_set_bWriteVbrTag(e, 1);
        L().lame_set_VBR_q(e, S.VBRQuality);
        if (S.VBRLimits) {
            L().lame_set_VBR_min_bitrate_kbps(e, S.VBRMinBitrate);
            L().lame_set_VBR_max_bitrate_kbps(e, S.VBRMaxBitrate);
            // A limit the user set holds for silence too, which LAME would otherwise write
            // at its lowest rate.
            L().lame_set_VBR_hard_min(e, 1);
        }
    } else {
        L().lame_set_brate(e, S.BitRate);
        L().lame_set_quality(e, S.Quality);
    }
    // Tags set before the parameters are fixed go into an ID3v2 tag at the start of the
    // stream (the whole text, in UTF-16); after the audio only ID3v1 would be possible.
    SetTags(S);
    const int rc = L().lame_init_params(e);
    if (rc < 0) {
        Close();
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The MP3 encoder rejected its settings (error %1).")
                .arg(rc));
    }
    FBuffer = std::make_unique<unsigned char[]>(size_t(FBufferSize));
}

void TMp3Encoder::Close() noexcept {
    FHandle.reset();
    FBuffer.reset();
}

void TMp3Encoder::SetTags(const TMp3EncoderSettings& Settings) {
    const TMp3TagTexts& S = Settings.Tag;
    lame_t e = FHandle.get();
    L().id3tag_init(e);
    // These texts are all ID3v1 gets, and they also make its genre and track.
    auto latin1 = [](const QString& s) { return Id3v1Text(s); };
    L().id3tag_set_title(e, latin1(S.Title).constData());
    L().id3tag_set_artist(e, latin1(S.Artist).constData());
    L().id3tag_set_album(e, latin1(S.Album).constData());
    L().id3tag_set_year(e, latin1(S.Year).constData());
    L().id3tag_set_track(e, latin1(S.Track).constData());
    L().id3tag_set_comment(e, latin1(S.Comment).constData());
    L().id3tag_set_genre(e, latin1(S.Genre).constData());

    // The UTF-16 texts replace the Latin-1 frames of the ID3v2 tag.
    const std::pair<const char*, const QString*> frames[] = {
        {"TIT2", &S.Title}, {"TPE1", &S.Artist}, {"TALB", &S.Album},
        {"TYER", &S.Year},  {"TCON", &S.Genre},
    };
    bool any = !S.Track.isEmpty();
    for (const auto& [id, text] : frames) {
        if (text->isEmpty())
            continue;
        any = true;
        L().id3tag_set_textinfo_utf16(e, id, Utf16Text(*text).data());
    }
    if (!S.Comment.isEmpty()) {
        any = true;
        L().id3tag_set_comment_utf16(e, "eng", Utf16Text(QString()).data(),
                                     Utf16Text(S.Comment).data());
    }
    if (any)
        L().id3tag_add_v2(e);
}

int TMp3Encoder::Checked(int Count) const {
    if (Count < 0)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The MP3 encoder failed (error %1).").arg(Count));
    return Count;
}

int TMp3Encoder::Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample) {
    if (Frames <= 0)
        return 0;
    if (Frames > FMaxFrames || (Channels != 1 && Channels != 2) ||
        (BitsPerSample != 16 && BitsPerSample != 32))
        throw EAudioException(QCoreApplication::translate(
            "Mp3", "The MP3 encoder was given a block it cannot take."));
    lame_t e = FHandle.get();
    unsigned char* out = FBuffer.get();
    if (BitsPerSample == 32) {
        const auto* pcm = static_cast<const float*>(Pcm);
        return Checked(
            Channels == 2
                ? L().lame_encode_buffer_interleaved_ieee_float(e, pcm, Frames, out, FBufferSize)
                : L().lame_encode_buffer_ieee_float(e, pcm, pcm, Frames, out, FBufferSize));
    }
    // LAME's 16-bit prototypes lack the const; the samples are only read.
    auto* pcm = const_cast<short*>(static_cast<const short*>(Pcm));
    return Checked(Channels == 2
                       ? L().lame_encode_buffer_interleaved(e, pcm, Frames, out, FBufferSize)
                       : L().lame_encode_buffer(e, pcm, pcm, Frames, out, FBufferSize));
}

int TMp3Encoder::Flush() {
    return Checked(L().lame_encode_flush(FHandle.get(), FBuffer.get(), FBufferSize));
}

bool TMp3Encoder::WritesInfoTag() const {
    return L().lame_get_bWriteVbrTag(FHandle.get()) > 0;
}

bool TMp3Encoder::ReservesInfoFrame() const {
    unsigned char probe[1];
    return WritesInfoTag() && L().lame_get_lametag_frame(FHandle.get(), probe, 0) > 0;
}

size_t TMp3Encoder::InfoTagFrame(unsigned char* Frame, size_t Size) const {
    return L().lame_get_lametag_frame(FHandle.get(), Frame, Size);
}

int TMp3Encoder::OutputSampleRate() const {
    return L().lame_get_out_samplerate(FHandle.get());
}

int TMp3Encoder::FrameSamples() const {
    return L().lame_get_framesize(FHandle.get());
}

int TMp3Encoder::EncoderDelay() const {
    return L().lame_get_encoder_delay(FHandle.get());
}

int TMp3Encoder::EncoderPadding() const {
    return L().lame_get_encoder_padding(FHandle.get());
}

std::vector<unsigned char> TMp3Encoder::Id3v2Tag() const {
    std::vector<unsigned char> tag(4096);
    size_t size = L().lame_get_id3v2_tag(FHandle.get(), tag.data(), tag.size());
    if (size > tag.size()) {
        tag.resize(size);
        size = L().lame_get_id3v2_tag(FHandle.get(), tag.data(), tag.size());
    }
    tag.resize(size <= tag.size() ? size : 0);
    return tag;
}

std::vector<unsigned char> TMp3Encoder::Id3v1Tag() const {
    std::vector<unsigned char> tag(128);
    const size_t size = L().lame_get_id3v1_tag(FHandle.get(), tag.data(), tag.size());
    tag.resize(size <= tag.size() ? size : 0);
    return tag;
}
