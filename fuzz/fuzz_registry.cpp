// Feeds arbitrary bytes to the settings hive reader, then reads and rewrites every value.
#include "base/registry.h"

#include <QByteArray>
#include <QFile>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = QStringLiteral("/dev/shm/sonavel-fuzz-hive-%1.reg").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    TRegistry reg(path);
    if (reg.OpenKey(QStringLiteral("Software\\Vemra\\Sonavel"), false)) {
        for (const QString& name : reg.GetValueNames()) {
            try {
                if (reg.GetDataType(name) == TRegDataType::rdString)
                    reg.WriteString(name, reg.ReadString(name));
                else
                    reg.WriteInteger(name, reg.ReadInteger(name));
            } catch (const ERegistryException&) {
            }
        }
    }
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".corrupt"));
    return 0;
}
