// Feeds arbitrary text to the time parser and, split at NULs, to the command-line parser.
#include "app/globals.h"
#include "program/command_line.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    int64_t ms = -1;
    if (ParseTimeText(QString::fromUtf8(bytes), ms) && ms < 0)
        std::abort();
    QStringList args;
    for (const QByteArray& part : bytes.split('\0'))
        args << QString::fromUtf8(part);
    try {
        const TCommandLineOptions o = ParseCommandLine(args);
        if (o.StartMs && o.EndMs && *o.StartMs >= *o.EndMs)
            std::abort();
        if (o.Mode != TCommandMode::cmWindow && o.Mode != TCommandMode::cmHelp &&
            o.Mode != TCommandMode::cmVersion && o.Source.isEmpty())
            std::abort();
    } catch (const EUsageError&) {
    }
    return 0;
}
