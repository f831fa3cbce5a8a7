#include "media/source_chapter.h"

int ChapterAt(const std::vector<TSourceChapter>& chapters, TMediaTime time) {
    if (chapters.empty())
        return 0;
    int number = chapters.front().number;
    for (const TSourceChapter& chapter : chapters)
        if (chapter.start <= time)
            number = chapter.number;
    return number;
}
