#include "app/common.h"

#include "app/globals.h"
#include "base/exception.h"
#include "base/whole_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <limits>

#include <sys/stat.h>

static bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

QString TrimBlanks(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

int32_t LeadingNumber(const QString& text) {
    qsizetype n = 0;
    while (n < text.size() && text[n] >= u'0' && text[n] <= u'9')
        ++n;
    const QString run = text.left(n);
    bool ok = false;
    const qlonglong value = run.toLongLong(&ok);
    if (!ok || value > std::numeric_limits<int32_t>::max())
        throw EConvertError(
            QCoreApplication::translate("Common", "'%1' is not a valid integer value").arg(run));
    return int32_t(value);
}

QString ReplaceAllText(QString text, const QString& search, const QString& replacement) {
    if (search.isEmpty())
        return text;
    for (qsizetype at = text.indexOf(search); at >= 0; at = text.indexOf(search))
        text.replace(at, search.size(), replacement);
    return text;
}

void SplitText(const QString& text, const QString& delimiter, QStringList& list) {
    list.append(text.split(delimiter, Qt::KeepEmptyParts));
}

QString FormatTimeText(int64_t ms) {
    const int64_t t = ms / 100;
    const int64_t hours = t / 36000;
    int64_t r = t % 36000;
    const int64_t minutes = r / 600;
    r %= 600;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(r / 10, 2, 10, QLatin1Char('0'))
        .arg(r % 10);
}

QString FormatShortTimeText(TMediaTime time) {
    const QString text = FormatTimeText(time);
    if (!text.startsWith(QStringLiteral("0:")))
        return text;
    return text.mid(text.at(2) == u'0' ? 3 : 2); // 0:02:48.3 -> 2:48.3, 0:12:05.0 -> 12:05.0
}

QString FormatSizeText(int64_t bytes) {
    // Hundredths of a mebibyte from whole kibibytes, in integers: k / 1024 is exact in
    // binary but printf's rounding of it is not "half away from zero" on decimal digits.
    const int64_t k = bytes >> 10;
    const int64_t mag = k < 0 ? -k : k;
    const int64_t hundredths = (mag * 100 + 512) / 1024;
    const QLocale locale;
    return QCoreApplication::translate("Common", "%1%2%3%4 M bytes")
        .arg(k < 0 && hundredths ? QStringLiteral("-") : QString())
        .arg(hundredths / 100)
        .arg(locale.decimalPoint())
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString ForceFolderPath(const QString& path, const QString& defaultFolder) {
    QString p = ReplaceAllText(TrimBlanks(path), QStringLiteral("\\"), QStringLiteral("/"));
    if (p.isEmpty()) {
        return defaultFolder.endsWith(u'/') || defaultFolder.isEmpty() ? defaultFolder
                                                                       : defaultFolder + u'/';
    }
    QString built;
    if (p == u'~' || p.startsWith(QStringLiteral("~/"))) {
        built = QDir::homePath();
        p = p.mid(1);
    } else if (!p.startsWith(u'/')) {
        // No drive root a user may write to on Linux: a relative path goes home.
        built = QDir::homePath();
    }
    if (built.endsWith(u'/'))
        built.chop(1);
    QStringList pieces;
    SplitText(p, QStringLiteral("/"), pieces);
    for (const QString& piece : pieces) {
        if (piece.isEmpty())
            continue;
        built += u'/' + piece;
        if (!QFileInfo(built).isDir() && !QDir().mkdir(built))
            return QString();
    }
    return built + u'/';
}

bool SameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return !a.isEmpty() && !b.isEmpty() && ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

static QString IoErrorText(int err) {
    switch (err) {
    case ENOENT:
        return QCoreApplication::translate("Common", "File not found");
    case EACCES:
    case EPERM:
    case EROFS:
        return QCoreApplication::translate("Common", "File access denied");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

static QString FileErrorText(const QFileDevice& file) {
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return IoErrorText(EACCES);
    default:
        return file.errorString().isEmpty()
                   ? QCoreApplication::translate("Common", "Input/output error")
                   : file.errorString();
    }
}

void LoadListFile(const QString& fileName, QStringList& list) {
    list.clear();
    if (!QFileInfo::exists(fileName))
        throw EInOutError(IoErrorText(ENOENT));
    // A list of a few hundred lines; a pipe or a device in its place is not read.
    constexpr qint64 kMaxListBytes = 1 << 20;
    QByteArray data;
    QString why;
    int error = 0;
    if (!ReadWholeFile(fileName, kMaxListBytes, data, why, &error))
        throw EInOutError(error ? IoErrorText(error) : why);
    if (data.isEmpty())
        return;
    QList<QByteArray> lines = data.split('\n');
    if (lines.last().isEmpty()) // a final line end does not start another entry
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        list.append(QString::fromUtf8(line));
    }
}

void SaveListFile(const QString& fileName, const QStringList& list) {
    // Written to a temporary file and renamed: a failure never leaves half a list.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isWritable())
        throw EInOutError(IoErrorText(EACCES));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(FileErrorText(file));
    for (const QString& entry : list) {
        file.write(entry.toUtf8());
        file.write("\r\n", 2);
    }
    if (!file.commit())
        throw EInOutError(FileErrorText(file));
}

bool ParseTimeText(const QString& text, int64_t& ms) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(?:(?:(\d{1,7}):)?(\d{1,7}):)?(\d{1,12})(?:\.(\d{1,9}))?\s*$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    const bool colon = m.capturedLength(2) > 0;
    const int64_t hours = m.capturedLength(1) ? m.captured(1).toLongLong() : 0;
    const int64_t minutes = colon ? m.captured(2).toLongLong() : 0;
    const int64_t seconds = m.captured(3).toLongLong();
    // With colons, minutes and seconds are clock fields; a bare number is any count of seconds.
    if (colon && (seconds >= 60 || (m.capturedLength(1) && minutes >= 60)))
        return false;
    const QString fraction = (m.captured(4) + QStringLiteral("000")).left(3);
    const int64_t total = ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction.toLongLong();
    if (total < 0 || total > int64_t(1) << 50)
        return false;
    ms = total;
    return true;
}

QString ReadOnceSourceReason(const QString& path) {
    const QString kind = ReadOnceKind(path);
    if (kind.isEmpty())
        return QString();
    return QCoreApplication::translate("Source", "it is %1, which can be read only once; "
                                                 "save it to a file and rip that")
        .arg(kind);
}

bool MsToMediaTime(int64_t ms, TMediaTime& time) {
    if (ms < 0 || ms > std::numeric_limits<int64_t>::max() / TMediaTime::kUnitsPerMs)
        return false;
    time = TMediaTime::FromMs(ms);
    return true;
}
