#include "app/track_names.h"

#include "app/track_list.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

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

// Cuts `Text` at whole characters (never inside a surrogate pair) until its UTF-8 form
// fits in `Bytes`.
QString CutToBytes(QString Text, int Bytes) {
    while (!Text.isEmpty() && Text.toUtf8().size() > Bytes) {
        Text.chop(1);
        if (!Text.isEmpty() && Text.back().isHighSurrogate())
            Text.chop(1);
    }
    return Text;
}

} // namespace

QString TrackFileName(const QString& Pattern, const TTrackNameFields& Fields) {
    const int digits = std::max(2, int(QString::number(std::max(Fields.Count, 1)).size()));
    QString name;
    for (qsizetype i = 0; i < Pattern.size(); ++i) {
        const QChar c = Pattern[i];
        if (c != u'%' || i + 1 >= Pattern.size()) {
            name += c;
            continue;
        }
        switch (Pattern[++i].unicode()) {
        case 'n':
            name += QStringLiteral("%1").arg(Fields.Number, digits, 10, QChar(u'0'));
            break;
        case 't':
            name += Safe(Fields.Title);
            break;
        case 'a':
            name += Safe(Fields.Artist);
            break;
        case 'A':
            name += Safe(Fields.Album);
            break;
        case '%':
            name += u'%';
            break;
        default: // not a field: kept as written
            name += c;
            name += Pattern[i];
        }
    }
    name = Safe(name).trimmed();
    QString extension = QStringLiteral(".mp3");
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0 && name.size() - dot >= 2 && name.size() - dot <= 5) {
        extension = name.mid(dot);
        name.truncate(dot);
    }
    name = CutToBytes(name, kMaxNameBytes - int(extension.toUtf8().size())).trimmed();
    while (name.startsWith(u'.'))
        name[0] = u'_';
    if (name.isEmpty())
        name = QStringLiteral("%1").arg(Fields.Number, digits, 10, QChar(u'0'));
    return name + extension;
}

QStringList TrackFilePaths(const QString& Folder, const QString& Pattern,
                           const std::vector<TTrackNameFields>& Tracks) {
    QStringList paths;
    QSet<QString> seen;
    const QDir folder(Folder);
    for (const TTrackNameFields& track : Tracks) {
        const QString name = TrackFileName(Pattern, track);
        if (seen.contains(name.toCaseFolded()))
            throw ETrackListError(
                QCoreApplication::translate(
                    "TrackNames", "the name pattern \"%1\" gives track %2 the name \"%3\" of an "
                                  "earlier track (put %n in it)")
                    .arg(Pattern, QString::number(track.Number), name));
        seen.insert(name.toCaseFolded());
        paths << folder.filePath(name);
    }
    return paths;
}

void SplitTrackOutput(const QString& Output, QString& Folder, QString& Pattern) {
    const QFileInfo info(Output);
    if (Output.endsWith(u'/') || info.isDir()) {
        Folder = info.absoluteFilePath();
        Pattern = DefaultTrackPattern;
        return;
    }
    Folder = info.absolutePath();
    Pattern = info.fileName();
}
