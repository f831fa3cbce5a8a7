#pragma once

// Opening what the media layer reads: a plain file (through FFmpeg's file protocol only),
// or a DVD title named by a locator (dvd_path.h), read through libdvdread as one program
// stream on one clock. A locator may also name one segment of a title (a run of cells
// whose timestamps continue), read with its own timestamps: what TDvdTitleAudio decodes.
//
// In a DVD source a stream is named by its MPEG id (AVStream::id, e.g. 0x80 for the
// first AC-3 stream), which stays the same in every segment of the title; in a file by
// FFmpeg's stream index.
//
// Threads: any; the result belongs to the caller's thread.

#include "media/dvd/dvd_timeline.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_result.h"

#include <QString>

#include <memory>

namespace media {

// The DVD title behind a source.
struct TDvdTitleInfo {
    QString root;
    QString volumeName;
    TDvdTitle title;
    TDvdTimeline timeline; // of the whole title; empty for a segment
    int segment = -1;      // the segment read, -1 for the whole title
};

struct TMediaInput {
    ffmpeg::InputFormatPtr format; // stream information read
    std::shared_ptr<const TDvdTitleInfo> dvd;
};

// "dvd:N:/root" names title N, "dvd:N,S:/root" its segment S (0-based); "dvd:N.A:/root"
// and "dvd:N.A,S:/root" the same in camera angle A.
QString DvdSegmentLocator(const QString& root, int title, int angle, int segment);

// True for a locator naming a whole DVD title.
bool IsDvdTitleSource(const QString& source);

class TSourceFile;

// Opens `source` and reads its stream information. A whole DVD title's duration is its
// time line's; a program stream's audio ends where its last frame does (stream_end.h).
// `interrupt` (optional) lets a blocked read give up. `file` (optional): a plain file is read
// from that file, held open, whatever its name now names.
TMediaResult OpenMediaInput(const QString& source, TMediaInput& input,
                            const AVIOInterruptCB* interrupt = nullptr,
                            const TSourceFile* file = nullptr);

// What an opened source holds, as a ripper sees it: a sound track; pictures without one
// (a silent video, a still); or neither, such as a text file FFmpeg shows as a picture of
// its characters.
enum class TMediaContent { Nothing, PicturesOnly, Sound };
TMediaContent MediaContent(const TMediaInput& input);

// FFmpeg's index of the stream `selector` names in `input` (see above); -1 when none.
int FindStream(const TMediaInput& input, int selector);

// Reads a DVD title's tables and time line (opening its program stream once to find its
// earliest timestamp). Answers the failure as a media result code.
TMediaResult ReadDvdTitleInfo(const QString& locator, TDvdTitleInfo& info);

} // namespace media
