#pragma once

#include <QString>

// `sonavel --list-tracks`: one line per audio stream of a source, numbered as
// --audio-track takes them: number, codec, language, channels, sample rate, duration.
// Threads: main thread.
class TCommandListTracks {
public:
    explicit TCommandListTracks(QString Source) : FSource(std::move(Source)) {}
    // 0 on success; 1 after one line "sonavel: ..." on stderr.
    int Execute();

private:
    QString FSource;
};
