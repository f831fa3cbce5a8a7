#pragma once

#include <QString>

// `sonavel --list-chapters SOURCE`: the source's chapters (a DVD title's, or those its
// container marks) as a list --tracks reads back: a comment line naming the source, then
// "START END TITLE" per chapter on the range's time line. Of a DVD, title `DvdTitle` (0:
// the longest). Threads: main thread.
class TCommandListChapters {
public:
    TCommandListChapters(QString Source, int DvdTitle)
        : FSource(std::move(Source)), FDvdTitle(DvdTitle) {}
    // 0 on success; 1 after one line "sonavel: ..." on stderr (a source without chapters
    // too).
    int Execute();

private:
    QString FSource;
    int FDvdTitle = 0;
};
