#pragma once

#include <QString>

// `sonavel --list-tracks`: one line per audio stream of a source, numbered as
// --audio-track takes them: number, codec, language, channels, sample rate, duration. Of
// a DVD, the streams of title `DvdTitle` (0: the longest), with the IFO's languages.
// Threads: main thread.
class TCommandListTracks {
public:
    explicit TCommandListTracks(QString Source, int DvdTitle = 0)
        : FSource(std::move(Source)), FDvdTitle(DvdTitle) {}
    // 0 on success; 1 after one line "sonavel: ..." on stderr.
    int Execute();

private:
    QString FSource;
    int FDvdTitle = 0;
};
