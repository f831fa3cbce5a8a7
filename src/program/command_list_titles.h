#pragma once

#include <QString>

// `sonavel --list-titles DVD`: one line per title of a DVD, from its IFO files: number,
// length (h:mm:ss.t), chapter count, audio streams numbered as --audio-track takes them
// ("1  0:16:40.0  7 chapters  1: eng ac3 2ch"). Threads: main thread.
class TCommandListTitles {
public:
    explicit TCommandListTitles(QString Source) : FSource(std::move(Source)) {}
    // 0 on success; 1 after one line "sonavel: ..." on stderr.
    int Execute();

private:
    QString FSource;
};
