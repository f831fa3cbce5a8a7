#include "app/output_policy.h"

#include "app/common.h"
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
    for (int k = 0; k < Paths.size(); ++k) {
        const QString& path = Paths[k];
        const QFileInfo info(path);
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
        if (info.exists())
            add(TOutputProblem::Exists);
    }
    return findings;
}

const TOutputFinding* FirstOf(const std::vector<TOutputFinding>& Findings, TOutputProblem Kind) {
    for (const TOutputFinding& f : Findings)
        if (f.Problem == Kind)
            return &f;
    return nullptr;
}
