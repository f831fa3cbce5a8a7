#include "media/media_input.h"

#include "media/dvd/dvd_cell_sectors.h"
#include "media/dvd/dvd_path.h"
#include "media/dvd/dvd_sector.h"
#include "media/dvd_title_io.h"
#include "media/source_file.h"
#include "media/stream_end.h"

#include <QCoreApplication>

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cerrno>
#include <optional>

namespace media {

namespace {

// Sectors looked at for scrambling, and for a first picture where a segment has no
// navigation pack.
constexpr int kProbeSectors = 64;
// How far a segment reads on into the rest of its last cell's VOB ID for the sound of its
// last pictures (a mux keeps sound behind its pictures by well under a second; this is
// over a second at a DVD's highest rate).
constexpr uint32_t kReadOnSectors = 1024;
// How far a file is read for its sound when FFmpeg's usual probing (5 s) found none in a
// container that names its streams only as their first packets come (a program stream
// whose sound starts seconds after its first picture).
constexpr int64_t kLateSoundSeconds = 60;
constexpr int64_t kLateSoundBytes = int64_t(128) << 20;

bool ParseLocator(const QString& source, QString& root, int& title, int& angle, int& segment) {
    segment = -1;
    if (!source.startsWith(QStringLiteral("dvd:")))
        return false;
    QString text = source;
    const int colon = text.indexOf(u':', 4);
    const int comma = text.indexOf(u',', 4);
    if (comma > 4 && colon > comma) {
        bool ok = false;
        segment = text.mid(comma + 1, colon - comma - 1).toInt(&ok);
        if (!ok || segment < 0)
            return false;
        text.remove(comma, colon - comma);
    }
    return dvd::ParseTitleLocator(text, root, title, &angle);
}

QByteArray FileUrl(const QString& path) {
    return "file:" + path.toUtf8();
}

TMediaResult OpenFile(const QString& path, const AVIOInterruptCB* interrupt,
                      const TSourceFile* file, ffmpeg::InputFormatPtr& format,
                      const AVInputFormat* demuxer = nullptr) {
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        return AVERROR(ENOMEM);
    if (interrupt)
        raw->interrupt_callback = *interrupt;
    // A file held open is read through a descriptor of its own; the name still goes to
    // FFmpeg, whose probing looks at its extension.
    AVIOContext* pb = nullptr;
    if (file) {
        const int fd = file->Reopen();
        if (fd < 0) {
            const int error = errno;
            avformat_free_context(raw);
            return AVERROR(error);
        }
        pb = TSourceFile::MakeIo(fd, interrupt);
        if (!pb) {
            avformat_free_context(raw);
            return AVERROR(ENOMEM);
        }
        raw->pb = pb;
        raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    // Only plain files: a name like "http://..." or "concat:..." must not reach out.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int result = avformat_open_input(&raw, FileUrl(path).constData(), demuxer, &options);
    av_dict_free(&options);
    if (result < 0) { // the context is freed on failure, the caller's I/O is not
        ffmpeg::FreeCustomIo(pb);
        return result;
    }
    format.reset(raw);
    return S_OK;
}

// An audio stream whose format the probing found.
bool HasSound(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVCodecParameters* codec = format.streams[i]->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO && codec->codec_id != AV_CODEC_ID_NONE &&
            codec->sample_rate > 0 && codec->ch_layout.nb_channels > 0)
            return true;
    }
    return false;
}

// The timestamp of the cell's first picture: its navigation pack's, else (a damaged
// pack) the earliest video timestamp of its first sectors.
int64_t VideoStart(TDvdDisc& disc, const TDvdTitle& title, const TDvdCell& cell) {
    std::vector<uint8_t> sectors(size_t(kProbeSectors) * dvd::kSectorBytes);
    disc.ReadSectors(title.titleSet, cell.firstSector, 1, sectors.data());
    if (const auto nav = dvd::ReadNavTimes(sectors.data()))
        return nav->start;
    const int count =
        int(std::min<int64_t>(kProbeSectors, int64_t(cell.lastSector) - cell.firstSector + 1));
    disc.ReadSectors(title.titleSet, cell.firstSector, count, sectors.data());
    std::optional<int64_t> earliest;
    for (int i = 0; i < count; ++i)
        if (const auto ts =
                dvd::SectorVideoTimestamp(sectors.data() + size_t(i) * dvd::kSectorBytes))
            if (!earliest || TDvdTimeline::ClockDifference(*ts, *earliest) < 0)
                earliest = ts;
    return earliest.value_or(0);
}

// Fails for scrambled sectors at the start of the cells read.
void CheckNotScrambled(TDvdDisc& disc, const TDvdTitle& title, const TDvdCell& cell) {
    std::vector<uint8_t> sectors(size_t(kProbeSectors) * dvd::kSectorBytes);
    const int count =
        int(std::min<int64_t>(kProbeSectors, int64_t(cell.lastSector) - cell.firstSector + 1));
    disc.ReadSectors(title.titleSet, cell.firstSector, count, sectors.data());
    for (int i = 0; i < count; ++i)
        if (dvd::SectorScrambled(sectors.data() + size_t(i) * dvd::kSectorBytes))
            throw EDvdError(TDvdFault::dfEncrypted,
                            QCoreApplication::translate("Media", "the DVD is encrypted"));
}

// The pieces that play cells [first, end) of `title`, each moved by `offset`.
void AddCellPieces(TDvdDisc& disc, const TDvdTitle& title, int first, int end, int64_t offset,
                   std::vector<TDvdTitleIo::TPiece>& pieces) {
    for (int c = first; c < end; ++c)
        for (const TSectorSpan& span :
             CellSectorSpans(disc, title.titleSet, title.cells[size_t(c)]))
            pieces.push_back({span.first, span.last, offset});
}

TMediaResult OpenDvd(const QString& root, int number, int angle, int segment,
                     const AVIOInterruptCB* interrupt, TMediaInput& input) {
    auto info = std::make_shared<TDvdTitleInfo>();
    info->root = root;
    info->segment = segment;
    std::vector<TDvdTitleIo::TPiece> pieces;
    std::vector<int64_t> videoStarts;
    std::unique_ptr<TDvdDisc> disc;
    try {
        disc = TDvdDisc::Open(root, number, angle);
        info->title = disc->Title(number);
        info->volumeName = disc->VolumeName();
        const TDvdTitle& title = info->title;
        const auto ranges = TDvdTimeline::SegmentCells(title);
        if (segment >= int(ranges.size()))
            return MS_E_DVD_NOTITLE;
        if (segment >= 0) {
            const auto [first, end] = ranges[size_t(segment)];
            AddCellPieces(*disc, title, first, end, 0, pieces);
            // Its sound is cut where the segment ends on the title's line, so what is read on
            // adds only the sound muxed behind its last pictures (nothing for an interleaved
            // angle, which the other angles' units follow).
            const TDvdCell& last = title.cells[size_t(end - 1)];
            const uint32_t sectors = disc->TitleSetSectors(title.titleSet);
            pieces.back().lastSector =
                std::max(pieces.back().lastSector,
                         std::min({last.vobLastSector, last.lastSector + kReadOnSectors,
                                   sectors > 0 ? sectors - 1 : last.lastSector}));
        } else {
            for (const auto& range : ranges)
                videoStarts.push_back(VideoStart(*disc, title, title.cells[size_t(range.first)]));
            const TDvdTimeline clock(title, videoStarts);
            for (size_t s = 0; s < ranges.size(); ++s)
                AddCellPieces(*disc, title, ranges[s].first, ranges[s].second,
                              clock.TimestampOffset(int(s)), pieces);
        }
        const TDvdCell& first =
            title.cells[size_t(segment >= 0 ? ranges[size_t(segment)].first : 0)];
        CheckNotScrambled(*disc, title, first);
    } catch (const EDvdError& e) {
        return DvdFaultResult(e.Fault);
    }

    const int titleSet = info->title.titleSet;
    AVIOContext* pb =
        TDvdTitleIo::MakeContext(std::make_unique<TDvdTitleIo>(std::move(disc), titleSet, pieces));
    if (!pb)
        return AVERROR(ENOMEM);
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) {
        ffmpeg::FreeCustomIo(pb);
        return AVERROR(ENOMEM);
    }
    raw->pb = pb;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (interrupt)
        raw->interrupt_callback = *interrupt;
    // A DVD holds MPEG program streams; nothing to guess.
    const int result = avformat_open_input(&raw, "", av_find_input_format("mpeg"), nullptr);
    if (result < 0) { // the context is freed, the caller's I/O is not
        ffmpeg::FreeCustomIo(pb);
        return result;
    }
    input.format.reset(raw);
    const int found = avformat_find_stream_info(raw, nullptr);
    if (found < 0) {
        input.format.reset();
        return found;
    }
    if (segment < 0) {
        // A title's time 0 is its first picture, as players count: chapters begin at the
        // times the disc gives them, and the preview shows those times. The sound muxed
        // ahead of that picture lies before 0, in no chapter.
        info->timeline = TDvdTimeline(info->title, videoStarts);
        raw->start_time = av_rescale(videoStarts.front(), AV_TIME_BASE, dvd::kClockRate);
        raw->duration = av_rescale(info->timeline.Duration(), AV_TIME_BASE, dvd::kClockRate);
    }
    input.dvd = std::move(info);
    return S_OK;
}

} // namespace

QString DvdSegmentLocator(const QString& root, int title, int angle, int segment) {
    QString text = dvd::TitleLocator(root, title, angle);
    return text.insert(text.indexOf(u':', 4), u',' + QString::number(segment));
}

bool IsDvdTitleSource(const QString& source) {
    QString root;
    int title = 0, angle = 1, segment = -1;
    return ParseLocator(source, root, title, angle, segment) && segment < 0;
}

TMediaResult OpenMediaInput(const QString& source, TMediaInput& input,
                            const AVIOInterruptCB* interrupt, const TSourceFile* file) {
    input = TMediaInput();
    QString root;
    int title = 0, angle = 1, segment = -1;
    if (ParseLocator(source, root, title, angle, segment))
        return OpenDvd(root, title, angle, segment, interrupt, input);
    TMediaResult result = OpenFile(source, interrupt, file, input.format);
    if (Failed(result))
        return result;
    result = avformat_find_stream_info(input.format.get(), nullptr);
    if (result < 0) {
        input.format.reset();
        return result;
    }
    if (!HasSound(*input.format) && (input.format->ctx_flags & AVFMTCTX_NOHEADER)) {
        // Its sound may begin later than the probing looked: open it again and look
        // further. Only a file without sound pays for it.
        ffmpeg::InputFormatPtr deeper;
        if (Succeeded(OpenFile(source, interrupt, file, deeper))) {
            deeper->max_analyze_duration = kLateSoundSeconds * AV_TIME_BASE;
            deeper->probesize = kLateSoundBytes;
            if (avformat_find_stream_info(deeper.get(), nullptr) >= 0 && HasSound(*deeper))
                input.format = std::move(deeper);
        }
    }
    ExtendToLastFrames(input.format.get(), [&](const AVInputFormat* demuxer) {
        ffmpeg::InputFormatPtr again;
        OpenFile(source, interrupt, file, again, demuxer);
        return again;
    });
    return S_OK;
}

TMediaContent MediaContent(const TMediaInput& input) {
    const AVFormatContext* format = input.format.get();
    if (!format)
        return TMediaContent::Nothing;
    bool pictures = false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO && codec->codec_id != AV_CODEC_ID_NONE)
            return TMediaContent::Sound;
        if (codec->codec_type != AVMEDIA_TYPE_VIDEO || codec->codec_id == AV_CODEC_ID_NONE)
            continue;
        switch (codec->codec_id) {
        case AV_CODEC_ID_ANSI: // text and text-mode art, drawn as pictures by FFmpeg
        case AV_CODEC_ID_BINTEXT:
        case AV_CODEC_ID_XBIN:
        case AV_CODEC_ID_IDF:
            break;
        default:
            pictures = true;
        }
    }
    return pictures ? TMediaContent::PicturesOnly : TMediaContent::Nothing;
}

int FindStream(const TMediaInput& input, int selector) {
    const AVFormatContext* format = input.format.get();
    if (!format || selector < 0)
        return -1;
    if (!input.dvd)
        return unsigned(selector) < format->nb_streams ? selector : -1;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->id == selector)
            return int(i);
    return -1;
}

TMediaResult ReadDvdTitleInfo(const QString& locator, TDvdTitleInfo& info) {
    if (!IsDvdTitleSource(locator))
        return MS_E_DVD_NOTDVD;
    TMediaInput input;
    const TMediaResult result = OpenMediaInput(locator, input);
    if (Failed(result))
        return result;
    info = *input.dvd;
    return S_OK;
}

} // namespace media
