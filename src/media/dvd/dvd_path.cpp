#include "media/dvd/dvd_path.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace dvd {

namespace {

const QString kLocatorPrefix = QStringLiteral("dvd:");

bool HoldsIfoFiles(const QString& folder) {
    return !QDir(folder)
                .entryList({QStringLiteral("*.IFO")}, QDir::Files | QDir::Readable | QDir::Hidden)
                .isEmpty();
}

// The child folder VIDEO_TS, whatever its letter case.
QString VideoTsChild(const QString& folder) {
    const QStringList children =
        QDir(folder).entryList({QStringLiteral("VIDEO_TS")}, QDir::Dirs | QDir::NoDotAndDotDot);
    return children.isEmpty() ? QString() : folder + u'/' + children.first();
}

bool IsBlockDevice(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISBLK(info.st_mode);
}

} // namespace

QString DvdRootFor(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    const QString absolute = info.absoluteFilePath();
    if (info.isDir()) {
        const QString child = VideoTsChild(absolute);
        if (!child.isEmpty() && HoldsIfoFiles(child))
            return absolute;
        return HoldsIfoFiles(absolute) ? absolute : QString();
    }
    if (IsBlockDevice(absolute))
        return absolute;
    const QString suffix = info.suffix().toLower();
    if (suffix == QStringLiteral("iso") || suffix == QStringLiteral("img"))
        return absolute;
    const bool discFile = suffix == QStringLiteral("ifo") || suffix == QStringLiteral("bup") ||
                          suffix == QStringLiteral("vob");
    return discFile && HoldsIfoFiles(info.absolutePath()) ? info.absolutePath() : QString();
}

QString TitleLocator(const QString& root, int title, int angle) {
    return kLocatorPrefix + QString::number(title) +
           (angle > 1 ? u'.' + QString::number(angle) : QString()) + u':' +
           QFileInfo(root).absoluteFilePath();
}

bool ParseTitleLocator(const QString& text, QString& root, int& title, int* angle) {
    if (!text.startsWith(kLocatorPrefix))
        return false;
    const int colon = text.indexOf(u':', kLocatorPrefix.size());
    if (colon < 0)
        return false;
    const QStringList numbers =
        text.mid(kLocatorPrefix.size(), colon - kLocatorPrefix.size()).split(u'.');
    bool ok = numbers.size() <= 2;
    const int number = ok ? numbers[0].toInt(&ok) : 0;
    int chosen = 1;
    if (ok && numbers.size() == 2)
        chosen = numbers[1].toInt(&ok);
    const QString rest = text.mid(colon + 1);
    if (!ok || number < 1 || chosen < 1 || !rest.startsWith(u'/'))
        return false;
    root = rest;
    title = number;
    if (angle)
        *angle = chosen;
    return true;
}

} // namespace dvd
