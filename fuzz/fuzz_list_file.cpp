// Feeds arbitrary bytes to the history list loader and checks a save/load round trip.
#include "app/common.h"
#include "base/exception.h"

#include <QFile>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/dev/shm/sonavel-fuzz-list-%1.lst").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QStringList list, again;
    try {
        LoadListFile(path, list);
        for (const QString& entry : list)
            if (entry.contains(u'\n'))
                std::abort(); // a line end leaked into an entry
        SaveListFile(path, list);
        LoadListFile(path, again);
    } catch (const EInOutError&) {
        return 0;
    }
    if (again != list)
        std::abort();
    QFile::remove(path);
    return 0;
}
