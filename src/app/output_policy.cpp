#include "app/output_policy.h"

#include "app/common.h"
#include "app/dvd_choice.h"
#include "app/track_names.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/rip/output_file.h"
#include "media/dvd/dvd_path.h"

#include <QDir>
#include <QFileInfo>

QStringList SourceFiles(const QString& Source) {
    QStringList files;
    const QFileInfo source(Source);
    if (source.isFile())
        files << source.absoluteFilePath();
    const QString root = dvd::DvdRootFor(Source);
    if (root.isEmpty())
        return files;
    const QFileInfo rootInfo(root);
    if (rootInfo.isFile()) { // an image
        files << rootInfo.absoluteFilePath();
        return files;
    }
    QDir folder(root);
    if (folder.exists(QStringLiteral("VIDEO_TS")))
        folder.cd(QStringLiteral("VIDEO_TS"));
    else if (folder.exists(QStringLiteral("video_ts")))
        folder.cd(QStringLiteral("video_ts"));
    for (const QFileInfo& f : folder.entryInfoList(QDir::Files | QDir::Hidden))
        files << f.absoluteFilePath();
    return files;
}

std::vector<TOutputFinding> CheckOutputs(const QStringList& Paths, const QString& Source) {
    std::vector<TOutputFinding> findings;
    const QStringList sources = SourceFiles(Source);
    QStringList landings; // where each output's write lands
    for (int k = 0; k < Paths.size(); ++k) {
        const QString& path = Paths[k];
        const QFileInfo info(path);
        landings << TOutputFile::Landing(path);
        auto add = [&](TOutputProblem problem, const QString& reason = QString()) {
            findings.push_back({problem, k, path, reason});
        };
        bool source = false;
        for (const QString& s : sources)
            source = source || SameFile(path, s);
        if (source) {
            add(TOutputProblem::ReplacesSource);
            continue;
        }
        if (const qsizetype other = landings.indexOf(landings.last()); other < k) {
            findings.push_back({TOutputProblem::SameFile, k, path, QString(), int(other)});
            continue;
        }
        if (info.isDir()) {
            add(TOutputProblem::IsFolder);
            continue;
        }
        if (!QDir(info.absolutePath()).exists()) {
            add(TOutputProblem::FolderMissing);
            continue;
        }
        try {
            TOutputFile::Check(path);
        } catch (const EAudioException& e) {
            add(TOutputProblem::CannotCreate, e.Message());
            continue;
        }
        if (info.exists() || info.isSymLink()) // a dangling link is a name taken too
            add(TOutputProblem::Exists);
    }
    return findings;
}

QString DefaultOutputName(const QString& Source, const TDvdChoice& Dvd, int FirstChapter,
                          int LastChapter, const QString& Extension) {
    if (!Dvd.locator.isEmpty())
        return DvdOutputName(Dvd.volume, Dvd.title, Dvd.angle, FirstChapter, LastChapter) +
               Extension;
    const QString name = Source.mid(Source.lastIndexOf(u'/') + 1);
    const int dot = name.lastIndexOf(u'.');
    return (dot >= 0 ? name.left(dot) : name) + ChapterNamePart(FirstChapter, LastChapter) +
           Extension;
}

QString ResolveTypedOutput(const QString& Typed, const QString& OutputFolder,
                           const QString& DefaultName, const QString& Extension) {
    QString path = ReplaceAllText(Typed.trimmed(), QStringLiteral("\\"), QStringLiteral("/"));
    if (path.isEmpty())
        return path;
    if (path == u'~' || path.startsWith(QStringLiteral("~/"))) {
        path = QDir::homePath() + path.mid(1);
    } else if (!path.startsWith(u'/')) {
        const QString folder = OutputFolder.isEmpty() ? QDir::homePath() : OutputFolder;
        path = folder + (folder.endsWith(u'/') ? QString() : QStringLiteral("/")) + path;
    }
    if (path.endsWith(u'/') || QFileInfo(path).isDir())
        return path + (path.endsWith(u'/') ? QString() : QStringLiteral("/")) + DefaultName;
    // A name with an ending of its own keeps it: the user chose it (and the rules below
    // still refuse the source's own name).
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (!name.contains(u'%') && name.lastIndexOf(u'.') <= 0)
        path += Extension;
    return path;
}

const TOutputFinding* FirstOf(const std::vector<TOutputFinding>& Findings, TOutputProblem Kind) {
    for (const TOutputFinding& f : Findings)
        if (f.Problem == Kind)
            return &f;
    return nullptr;
}
