#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>

QString FixturePath(const QString& name) {
    return QStringLiteral(SONAVEL_TEST_FIXTURE_DIR "/") + name;
}

QString BinDir() {
    return QStringLiteral(SONAVEL_TEST_BIN_DIR);
}

QString FreshDir(const QString& hint) {
    static std::atomic<int> counter{0};
    QString path = TestRoot() + QStringLiteral("/%1-%2").arg(hint).arg(counter++);
    QDir().mkpath(path);
    return path;
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
