#include "base/registry.h"
#include "base/whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

QString TRegistry::DefaultHivePath() {
    const QString over = qEnvironmentVariable("SONAVEL_REGISTRY");
    if (!over.isEmpty())
        return over;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/sonavel/registry.reg");
}

TRegistry::TRegistry(QString hivePath) : FPath(std::move(hivePath)) {
    // A hive is a few kB; one far larger, a pipe or a device is not read (nor written over:
    // what it holds is not known).
    constexpr qint64 kMaxHiveBytes = 16 << 20;
    if (!QFileInfo::exists(FPath))
        return;
    QByteArray data;
    if (!ReadWholeFile(FPath, kMaxHiveBytes, data, FUnreadable))
        return;
    if (!Parse(data)) {
        FKeys.clear();
        const QString aside = FPath + QStringLiteral(".corrupt");
        QFile::remove(aside);
        QFile::rename(FPath, aside);
    }
}

static QString Unescape(QStringView s, bool* ok) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\') {
            if (++i >= s.size()) {
                *ok = false;
                return {};
            }
            out += s[i] == u'n' ? QChar(u'\n') : s[i];
        } else if (s[i] == u'"') {
            *ok = false;
            return {};
        } else {
            out += s[i];
        }
    }
    *ok = true;
    return out;
}

static QString Escape(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

// Position of the closing quote of a quoted text starting at `from` (after the opening one).
static qsizetype ClosingQuote(QStringView s, qsizetype from) {
    for (qsizetype i = from; i < s.size(); ++i) {
        if (s[i] == u'\\')
            ++i;
        else if (s[i] == u'"')
            return i;
    }
    return -1;
}

bool TRegistry::Parse(const QByteArray& data) {
    const QString text = QString::fromUtf8(data);
    const QStringList lines = text.split(u'\n');
    bool header = false;
    Key* key = nullptr;
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(u';'))
            continue;
        if (!header) {
            if (t != QStringLiteral("REGEDIT4") &&
                t != QStringLiteral("Windows Registry Editor Version 5.00"))
                return false;
            header = true;
            continue;
        }
        if (t.startsWith(u'[')) {
            if (!t.endsWith(u']') || t.size() < 3)
                return false;
            FKeys.append(Key{t.mid(1, t.size() - 2), {}});
            key = &FKeys.last();
            continue;
        }
        if (!key)
            return false;
        Value v;
        qsizetype eq;
        if (t.startsWith(u'@')) {
            eq = 1;
        } else {
            if (!t.startsWith(u'"'))
                return false;
            const qsizetype close = ClosingQuote(t, 1);
            if (close < 0)
                return false;
            bool ok = false;
            v.name = Unescape(QStringView(t).mid(1, close - 1), &ok);
            if (!ok)
                return false;
            eq = close + 1;
        }
        if (eq >= t.size() || t[eq] != u'=')
            return false;
        const QStringView data = QStringView(t).mid(eq + 1);
        if (data.startsWith(u'"')) {
            const qsizetype close = ClosingQuote(data, 1);
            if (close != data.size() - 1)
                return false;
            bool ok = false;
            v.text = Unescape(data.mid(1, close - 1), &ok);
            if (!ok)
                return false;
            v.type = TRegDataType::rdString;
        } else if (data.startsWith(QStringLiteral("dword:"))) {
            const QStringView hex = data.mid(6);
            bool ok = false;
            const qulonglong n = hex.toULongLong(&ok, 16);
            if (!ok || hex.size() != 8)
                return false;
            v.number = int32_t(uint32_t(n));
            v.type = TRegDataType::rdInteger;
        } else if (data.startsWith(QStringLiteral("hex"))) {
            v.text = data.toString();
            v.type = TRegDataType::rdOther;
        } else {
            return false;
        }
        key->values.append(v);
    }
    return header;
}

QByteArray TRegistry::Serialise() const {
    QString out = QStringLiteral("REGEDIT4\n");
    for (const Key& key : FKeys) {
        out += QStringLiteral("\n[") + key.path + QStringLiteral("]\n");
        for (const Value& v : key.values) {
            out += v.name.isEmpty() ? QStringLiteral("@=")
                                    : u'"' + Escape(v.name) + QStringLiteral("\"=");
            switch (v.type) {
            case TRegDataType::rdString:
                out += u'"' + Escape(v.text) + u'"';
                break;
            case TRegDataType::rdInteger:
                out += QStringLiteral("dword:%1").arg(uint32_t(v.number), 8, 16, QLatin1Char('0'));
                break;
            default:
                out += v.text;
                break;
            }
            out += u'\n';
        }
    }
    return out.toUtf8();
}

// The nearest folder of `path` (itself included) that exists. Walked up by name: QDir::cdUp
// refuses to go to a parent that does not exist either.
static QString NearestExisting(QString path) {
    while (!QFileInfo::exists(path)) {
        const QString up = QFileInfo(path).path();
        if (up == path)
            break;
        path = up;
    }
    return path;
}

// Makes the missing folders of `folder`, outermost first, private to the user as a
// config folder should be; the system's text of the first failure.
static QString MakeFolders(const QString& folder) {
    QStringList missing;
    for (QString p = folder; !QFileInfo::exists(p);) {
        missing.prepend(p);
        const QString up = QFileInfo(p).path();
        if (up == p)
            break;
        p = up;
    }
    for (const QString& dir : missing)
        if (::mkdir(QFile::encodeName(dir).constData(), 0700) != 0 && errno != EEXIST)
            return SystemText(errno);
    return QString();
}

static QString AccessProblem(const QString& path, int mode) {
    return ::access(QFile::encodeName(path).constData(), mode) == 0 ? QString() : SystemText(errno);
}

QString TRegistry::WriteProblem() const {
    if (!FUnreadable.isEmpty())
        return FUnreadable;
    const QFileInfo file(QFileInfo(FPath).absoluteFilePath());
    if (file.exists()) {
        const QString problem = AccessProblem(file.filePath(), W_OK);
        return problem.isEmpty() ? AccessProblem(file.path(), W_OK | X_OK) : problem;
    }
    // The folder may not exist yet: it can be made when its nearest existing parent is a
    // writable folder.
    const QString nearest = NearestExisting(file.path());
    if (!QFileInfo(nearest).isDir())
        return SystemText(ENOTDIR);
    return AccessProblem(nearest, W_OK | X_OK);
}

QString TRegistry::FullPath(const QString& key) const {
    QString k = key;
    while (k.startsWith(u'\\'))
        k.remove(0, 1);
    return RootKey + u'\\' + k;
}

bool TRegistry::KeyExists(const QString& key) const {
    const QString full = FullPath(key);
    for (const Key& k : FKeys)
        if (k.path.compare(full, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
    CloseKey();
    FLastError = WriteProblem();
    if (!FLastError.isEmpty())
        return false; // full access was asked for
    const QString full = FullPath(key);
    if (!KeyExists(key)) {
        if (!canCreate)
            return false;
        FKeys.append(Key{full, {}});
        try {
            FCurrentKey = full;
            Save(QString());
        } catch (const ERegistryException&) {
            FKeys.removeLast();
            FCurrentKey.clear();
            return false;
        }
    }
    for (const Key& k : FKeys)
        if (k.path.compare(full, Qt::CaseInsensitive) == 0)
            FCurrentKey = k.path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
    CloseKey();
    FLastError = WriteProblem();
    const QString full = FullPath(key);
    for (const Key& k : FKeys)
        if (k.path.compare(full, Qt::CaseInsensitive) == 0)
            FCurrentKey = k.path;
    return !FCurrentKey.isEmpty();
}

void TRegistry::CloseKey() {
    FCurrentKey.clear();
}

TRegistry::Key* TRegistry::Current() {
    for (Key& k : FKeys)
        if (!FCurrentKey.isEmpty() && k.path == FCurrentKey)
            return &k;
    return nullptr;
}

const TRegistry::Key* TRegistry::Current() const {
    return const_cast<TRegistry*>(this)->Current();
}

const TRegistry::Value* TRegistry::Find(const QString& name) const {
    if (const Key* k = Current())
        for (const Value& v : k->values)
            if (v.name.compare(name, Qt::CaseInsensitive) == 0)
                return &v;
    return nullptr;
}

TRegistry::Value& TRegistry::FindOrAdd(const QString& name) {
    Key* k = Current();
    for (Value& v : k->values)
        if (v.name.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    k->values.append(Value{name, TRegDataType::rdUnknown, {}, 0});
    return k->values.last();
}

bool TRegistry::ValueExists(const QString& name) const {
    return Find(name) != nullptr;
}

TRegDataType TRegistry::GetDataType(const QString& name) const {
    const Value* v = Find(name);
    return v ? v->type : TRegDataType::rdUnknown;
}

QStringList TRegistry::GetValueNames() const {
    QStringList names;
    if (const Key* k = Current())
        for (const Value& v : k->values)
            names << v.name;
    return names;
}

QString TRegistry::ReadString(const QString& name) const {
    const Value* v = Find(name);
    if (!v)
        return QString();
    if (v->type != TRegDataType::rdString)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return v->text;
}

int32_t TRegistry::ReadInteger(const QString& name) const {
    const Value* v = Find(name);
    if (!v || v->type != TRegDataType::rdInteger)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return v->number;
}

void TRegistry::WriteString(const QString& name, const QString& value) {
    if (!Current())
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    Value& v = FindOrAdd(name);
    if (v.type == TRegDataType::rdString && v.text == value)
        return; // the file stays as it is
    const Value old = v;
    v.type = TRegDataType::rdString;
    v.text = value;
    try {
        Save(name);
    } catch (...) {
        v = old;
        throw;
    }
}

void TRegistry::WriteInteger(const QString& name, int32_t value) {
    if (!Current())
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    Value& v = FindOrAdd(name);
    if (v.type == TRegDataType::rdInteger && v.number == value)
        return;
    const Value old = v;
    v.type = TRegDataType::rdInteger;
    v.number = value;
    v.text.clear();
    try {
        Save(name);
    } catch (...) {
        v = old;
        throw;
    }
}

void TRegistry::Save(const QString& valueName) {
    const QString what = valueName.isEmpty() ? FCurrentKey : valueName;
    const auto fail = [&](const QString& why) {
        FLastError = why;
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(what));
    };
    if (const QString problem = WriteProblem(); !problem.isEmpty())
        fail(problem);
    if (const QString problem = MakeFolders(QFileInfo(FPath).absolutePath()); !problem.isEmpty())
        fail(problem);
    QSaveFile file(FPath);
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(Serialise());
    if (!file.commit())
        fail(file.errorString());
    FLastError.clear();
}
