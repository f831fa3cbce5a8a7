#include "app/track_names.h"

#include "app/track_list.h"
#include "base/text_cut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// Room below the usual 255-byte limit for the temporary name a rip writes first.
constexpr int kMaxNameBytes = 200;

bool Refused(QChar c) {
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c);
}

QString Safe(QString Text) {
    for (QChar& c : Text)
        if (Refused(c))
            c = u'_';
    return Text;
}

// The pattern's fields filled in; what a file system refuses in a name becomes "_".
QString ExpandFields(const QString& Pattern, const TTrackNameFields& Fields, int Digits) {
    QString name;
    for (qsizetype i = 0; i < Pattern.size(); ++i) {
        const QChar c = Pattern[i];
        if (c != u'%' || i + 1 >= Pattern.size()) {
            name += c;
            continue;
        }
        switch (Pattern[++i].unicode()) {
        case 'n':
            name += QStringLiteral("%1").arg(Fields.Number, Digits, 10, QChar(u'0'));
            break;
        case 't':
            name += Fields.Title;
            break;
        case 'a':
            name += Fields.Artist;
            break;
        case 'A':
            name += Fields.Album;
            break;
        case '%':
            name += u'%';
            break;
        default: // not a field: kept as written
            name += c;
            name += Pattern[i];
        }
    }
    return Safe(name).trimmed();
}

int NumberDigits(const TTrackNameFields& Fields) {
    return std::max(2, int(QString::number(std::max(Fields.Count, 1)).size()));
}

// A name cut to what file systems take, never hidden, never empty.
QString NamePart(QString Name, int Bytes, const QString& Empty) {
    Name = LeftUtf8Bytes(Name, Bytes).trimmed();
    while (Name.startsWith(u'.'))
        Name[0] = u'_';
    return Name.isEmpty() ? Empty : Name;
}

bool HasField(const QString& Part) {
    static const QRegularExpression field(QStringLiteral("%[ntaA%]"));
    return Part.contains(field);
}

} // namespace

QString TrackPatternFor(const QString& Extension) {
    return DefaultTrackPattern.chopped(4) + Extension;
}

QString TrackFileName(const QString& Pattern, const TTrackNameFields& Fields,
                      const QString& Extension) {
    const int digits = NumberDigits(Fields);
    // The extension is the pattern's own ".mp3" or one added: a dot in a title ("Vol. 2")
    // is no extension.
    const bool own = Pattern.endsWith(Extension, Qt::CaseInsensitive);
    const QString extension = own ? Pattern.right(Extension.size()) : Extension;
    const QString name =
        ExpandFields(own ? Pattern.chopped(Extension.size()) : Pattern, Fields, digits);
    return NamePart(name, kMaxNameBytes - int(extension.toUtf8().size()),
                    QStringLiteral("%1").arg(Fields.Number, digits, 10, QChar(u'0'))) +
           extension;
}

QStringList TrackFilePaths(const QString& Folder, const QString& Pattern,
                           const std::vector<TTrackNameFields>& Tracks, const QString& Extension) {
    // Folders may be named by fields too ("%a/%A/%n - %t.mp3"): from the first part that
    // holds one, every part is filled in as a name is, so no field leads out of it.
    QStringList parts =
        (Folder.endsWith(u'/') ? Folder : Folder + u'/').split(u'/') + Pattern.split(u'/');
    parts.removeAll(QString());
    const QString namePattern = parts.takeLast();
    qsizetype fixed = 0;
    while (fixed < parts.size() && !HasField(parts[fixed]))
        ++fixed;
    const QDir base((Folder.startsWith(u'/') ? QStringLiteral("/") : QString()) +
                    parts.mid(0, fixed).join(u'/'));
    QStringList paths;
    QSet<QString> seen;
    for (const TTrackNameFields& track : Tracks) {
        QStringList relative;
        for (qsizetype i = fixed; i < parts.size(); ++i)
            relative << NamePart(ExpandFields(parts[i], track, NumberDigits(track)), kMaxNameBytes,
                                 QStringLiteral("_"));
        relative << TrackFileName(namePattern, track, Extension);
        const QString name = relative.join(u'/');
        if (seen.contains(name.toCaseFolded()))
            throw ETrackListError(
                QCoreApplication::translate(
                    "TrackNames", "the name pattern \"%1\" gives track %2 the name \"%3\" of an "
                                  "earlier track (put %n in it)")
                    .arg(Pattern, QString::number(track.Number), name));
        seen.insert(name.toCaseFolded());
        paths << base.filePath(name);
    }
    return paths;
}

void SplitTrackOutput(const QString& Output, QString& Folder, QString& Pattern,
                      const QString& Extension) {
    const QFileInfo info(Output);
    if (Output.endsWith(u'/') || info.isDir()) {
        Folder = info.absoluteFilePath();
        Pattern = TrackPatternFor(Extension);
        return;
    }
    Folder = info.absolutePath();
    Pattern = info.fileName();
}

QString ChapterNamePart(int First, int Last) {
    if (First <= 0)
        return QString();
    QString part = QStringLiteral("_c%1").arg(First, 2, 10, QChar(u'0'));
    if (Last > First)
        part += QStringLiteral("-c%1").arg(Last, 2, 10, QChar(u'0'));
    return part;
}
