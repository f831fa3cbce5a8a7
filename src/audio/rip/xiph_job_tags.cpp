#include "audio/rip/xiph_job_tags.h"

#include "audio/mp3/mp3_tag_writer.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/xiph/vorbis_comment.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// Padding after the fields, for editors that add one.
constexpr size_t SparePadding = 128;

} // namespace

TXiphJobTags::TXiphJobTags(const TRipJobFile& File, const QString& Vendor, TGains Gains,
                           bool CoverInComment)
    : FJob(*File.Job), FVendor(Vendor), FGains(Gains), FTrackRoom(File.TrackGain),
      FAlbumRoom(File.AlbumGain), FChapters(File.Chapters) {
    if (CoverInComment)
        FCover = File.Cover;
    // Room for the widest values a measurement can give.
    TLoudness widest;
    widest.Lufs = 87; // a gain beyond what either form writes
    widest.Peak = 99.999999;
    widest.Measured = true;
    FSize = Comment(widest, widest).size() + SparePadding;
}

int TXiphJobTags::R128Gain(const TLoudness& Value) {
    constexpr double Reference = -23, Limit = 64;
    const double db =
        std::isfinite(Value.Lufs) ? std::clamp(Reference - Value.Lufs, -Limit, Limit) : Limit;
    return int(std::lround(db * 256));
}

std::vector<uint8_t> TXiphJobTags::Comment(const std::optional<TLoudness>& Track,
                                           const std::optional<TLoudness>& Album) const {
    TVorbisComment comment(FVendor);
    const TMp3TagTexts& t = FJob.Tag;
    comment.Add(QStringLiteral("TITLE"), t.Title);
    comment.Add(QStringLiteral("ARTIST"), t.Artist);
    comment.Add(QStringLiteral("ALBUM"), t.Album);
    comment.Add(QStringLiteral("DATE"), t.Year);
    comment.Add(QStringLiteral("GENRE"), t.Genre);
    comment.Add(QStringLiteral("COMMENT"), t.Comment);
    // "3/12" is the track and the count, as the MP3's tag takes it.
    const QStringList track = t.Track.split(u'/');
    comment.Add(QStringLiteral("TRACKNUMBER"), track.value(0).trimmed());
    comment.Add(QStringLiteral("TRACKTOTAL"), track.value(1).trimmed());
    for (size_t i = 0; i < FChapters.size(); ++i) {
        const QString key = QStringLiteral("CHAPTER%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        comment.Add(key, TVorbisComment::ChapterTime(FChapters[i].StartMs));
        comment.Add(key + QStringLiteral("NAME"), FChapters[i].Title);
    }
    if (FGains == TGains::ReplayGain) {
        if (Track && FTrackRoom) {
            comment.Add(QStringLiteral("REPLAYGAIN_TRACK_GAIN"),
                        TMp3TagWriter::GainText(Track->Gain()));
            comment.Add(QStringLiteral("REPLAYGAIN_TRACK_PEAK"),
                        TMp3TagWriter::PeakText(Track->Peak));
        }
        if (Album && FAlbumRoom) {
            comment.Add(QStringLiteral("REPLAYGAIN_ALBUM_GAIN"),
                        TMp3TagWriter::GainText(Album->Gain()));
            comment.Add(QStringLiteral("REPLAYGAIN_ALBUM_PEAK"),
                        TMp3TagWriter::PeakText(Album->Peak));
        }
    } else {
        if (Track && FTrackRoom)
            comment.Add(QStringLiteral("R128_TRACK_GAIN"), QString::number(R128Gain(*Track)));
        if (Album && FAlbumRoom)
            comment.Add(QStringLiteral("R128_ALBUM_GAIN"), QString::number(R128Gain(*Album)));
    }
    if (FCover)
        comment.AddPicture(*FCover);
    return comment.Render();
}

std::vector<uint8_t> TXiphJobTags::Render(bool Padded) const {
    std::vector<uint8_t> out = Comment(FTrack, FAlbum);
    if (out.size() > FSize)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The comments outgrew the room kept for them."));
    if (Padded)
        out.resize(FSize, 0);
    return out;
}
