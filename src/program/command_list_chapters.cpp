#include "program/command_list_chapters.h"

#include "app/track_list.h"
#include "media/media_audio_stream.h"
#include "program/command_line.h"
#include "program/command_source.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int TCommandListChapters::Execute() {
    TDvdChoice dvd;
    const TResult<QString> resolved = CommandSourcePath(FSource, FDvdTitle, dvd);
    if (!resolved)
        return CommandFailure(resolved.Error());
    // The chapters as the sound stream has them, so the list is the one --split-chapters
    // rips: the last chapter ends where the sound does.
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(*resolved);
    const media::TMediaResult opened = stream->Open();
    if (opened == media::MS_E_NOSTREAM)
        return CommandFailure(QCoreApplication::translate("CommandLine", "%1 has no audio stream")
                                  .arg(Quoted(FSource)));
    if (media::Failed(opened))
        return CommandFailure(QCoreApplication::translate("CommandLine", "cannot read %1: %2")
                                  .arg(Quoted(FSource), media::ResultText(opened)));
    const std::vector<TSourceChapter>& chapters = stream->Chapters();
    if (chapters.empty())
        return CommandFailure(
            QCoreApplication::translate("CommandLine",
                                        "%1 has no chapters (it is not a DVD, and its container "
                                        "marks none)")
                .arg(Quoted(FSource)));
    const int count = int(chapters.size());
    const QString header =
        QStringLiteral("# ") +
        (dvd.locator.isEmpty()
             ? QCoreApplication::translate("CommandLine", "%1: %2 chapters")
                   .arg(Quoted(QFileInfo(FSource).absoluteFilePath()), QString::number(count))
             : QCoreApplication::translate("CommandLine", "%1, title %2: %3 chapters")
                   .arg(Quoted(QFileInfo(FSource).absoluteFilePath()), QString::number(dvd.title),
                        QString::number(count))) +
        u'\n';
    const QString text = TrackListText(ChapterTrackList(chapters, 1, count), header);
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}
