#include "media/container_chapters.h"

#include "media/audio_track_list.h"
#include "media/stream_time.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

namespace media {

std::vector<TSourceChapter> ContainerChapters(const AVFormatContext* format, TMediaTime end) {
    std::vector<TSourceChapter> chapters;
    if (!format)
        return chapters;
    const TMediaTime origin = format->start_time != AV_NOPTS_VALUE
                                  ? TMediaTime::FromMicroseconds(format->start_time)
                                  : TMediaTime();
    for (unsigned i = 0; i < format->nb_chapters; ++i) {
        const AVChapter* c = format->chapters[i];
        if (!c || c->time_base.num <= 0 || c->time_base.den <= 0)
            continue;
        TSourceChapter chapter;
        chapter.start = std::max(StreamTime(c->start, c->time_base) - origin, TMediaTime());
        chapter.end = StreamTime(c->end, c->time_base) - origin;
        // A title becomes a file name and a tag: a damaged file's control characters
        // have no place in either.
        chapter.title = MetadataText(c->metadata, "title");
        if (end > TMediaTime() && chapter.start >= end)
            continue;
        chapters.push_back(chapter);
    }
    std::stable_sort(
        chapters.begin(), chapters.end(),
        [](const TSourceChapter& a, const TSourceChapter& b) { return a.start < b.start; });
    chapters.erase(std::unique(chapters.begin(), chapters.end(),
                               [](const TSourceChapter& a, const TSourceChapter& b) {
                                   return a.start == b.start;
                               }),
                   chapters.end());
    for (size_t k = 0; k < chapters.size(); ++k) {
        TSourceChapter& c = chapters[k];
        c.number = int(k) + 1;
        if (k + 1 < chapters.size())
            c.end = chapters[k + 1].start;
        else if (end > TMediaTime())
            c.end = end;
        else
            c.end = std::max(c.end, c.start);
    }
    return chapters;
}

} // namespace media
