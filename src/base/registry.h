#pragma once

// The settings store: one hive file in REGEDIT4 text form with typed values, standing in
// for the system registry. Keys are opened with full access; a hive whose file or folder
// has no write rights behaves as a key without write access (it does not open, but may be
// opened to be read). Every write that changes a value saves the whole hive atomically
// (temporary file, then rename; mode 0600); one that changes nothing leaves the file as it
// is. Missing folders on the way to it are made with mode 0700. A hive that cannot be read
// (a pipe, a device, no read rights) is empty and never written over. Used on the GUI
// thread only.

#include "base/exception.h"

#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum class TRegDataType { rdUnknown, rdString, rdInteger, rdOther };

class TRegistry {
public:
    // SONAVEL_REGISTRY when set, else $XDG_CONFIG_HOME/sonavel/registry.reg.
    static QString DefaultHivePath();

    // Reads the hive. A file that cannot be parsed is kept aside as "<name>.corrupt" and
    // the hive starts empty, so nothing the user had is destroyed.
    explicit TRegistry(QString hivePath = DefaultHivePath());

    QString RootKey = QStringLiteral("HKEY_LOCAL_MACHINE");

    bool OpenKey(const QString& key, bool canCreate);
    // Opens an existing key to be read, whether or not the hive can be written (writes
    // then fail); LastError says why it cannot be.
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();
    bool KeyExists(const QString& key) const;

    bool ValueExists(const QString& name) const;
    TRegDataType GetDataType(const QString& name) const;
    QStringList GetValueNames() const;

    QString ReadString(const QString& name) const;  // missing: empty; other type: raises
    int32_t ReadInteger(const QString& name) const; // missing or other type: raises
    void WriteString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int32_t value);

    const QString& HivePath() const { return FPath; }
    // The system's text of why the last OpenKey or write failed ("Permission denied",
    // "Not a directory", ...); empty after a success.
    const QString& LastError() const { return FLastError; }

private:
    struct Value {
        QString name;
        TRegDataType type = TRegDataType::rdUnknown;
        QString text; // rdString, or the raw data of rdOther
        int32_t number = 0;
    };
    struct Key {
        QString path; // "HKEY_LOCAL_MACHINE\Software\..."
        QList<Value> values;
    };

    bool Parse(const QByteArray& data);
    QByteArray Serialise() const;
    // Why the hive cannot be written, in the system's words; empty when it can.
    QString WriteProblem() const;
    void Save(const QString& valueName);
    Key* Current();
    const Key* Current() const;
    const Value* Find(const QString& name) const;
    Value& FindOrAdd(const QString& name);
    QString FullPath(const QString& key) const;

    QString FPath;
    QList<Key> FKeys;
    QString FCurrentKey; // full path of the open key; empty when none is open
    QString FLastError;
    QString FUnreadable; // why the hive's file could not be read; empty when it could
};
