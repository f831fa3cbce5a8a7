#include "program/command_list_chapters.h"

#include "app/dvd_choice.h"
#include "app/track_list.h"
#include "media/media_audio_stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

QString Quoted(const QString& Path) {
    return u'"' + QDir::toNativeSeparators(Path) + u'"';
}

} // namespace

int TCommandListChapters::Execute() {
    auto fail = [](const QString& why) {
        std::fprintf(stderr, "sonavel: %s\n", why.toLocal8Bit().constData());
        return 1;
    };
    const QFileInfo source(FSource);
    if (!source.exists())
        return fail(
            QCoreApplication::translate("CommandLine", "cannot open %1: No such file or directory")
                .arg(Quoted(FSource)));
    TDvdChoice dvd;
    try {
        if (!ChooseDvdTitle(source.absoluteFilePath(), FDvdTitle, dvd) && FDvdTitle > 0)
            return fail(
                QCoreApplication::translate("CommandLine", "%1 is not a DVD; --dvd-title needs one")
                    .arg(Quoted(FSource)));
    } catch (const EDvdError& e) {
        return fail(QCoreApplication::translate("CommandLine", "cannot read the DVD %1: %2")
                        .arg(Quoted(FSource), e.Message()));
    }
    if (dvd.locator.isEmpty() && source.isDir())
        return fail(QCoreApplication::translate("CommandLine", "cannot open %1: it is a folder")
                        .arg(Quoted(FSource)));
    // The chapters as the sound stream has them, so the list is the one --split-chapters
    // rips: the last chapter ends where the sound does.
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(dvd.locator.isEmpty() ? source.absoluteFilePath() : dvd.locator);
    const media::TMediaResult opened = stream->Open();
    if (opened == media::MS_E_NOSTREAM)
        return fail(QCoreApplication::translate("CommandLine", "%1 has no audio stream")
                        .arg(Quoted(FSource)));
    if (media::Failed(opened))
        return fail(QCoreApplication::translate("CommandLine", "cannot read %1: %2")
                        .arg(Quoted(FSource), media::ResultText(opened)));
    const std::vector<TSourceChapter>& chapters = stream->Chapters();
    if (chapters.empty())
        return fail(QCoreApplication::translate(
                        "CommandLine", "%1 has no chapters (it is not a DVD, and its container "
                                       "marks none)")
                        .arg(Quoted(FSource)));
    const int count = int(chapters.size());
    const QString header =
        QStringLiteral("# ") +
        (dvd.locator.isEmpty()
             ? QCoreApplication::translate("CommandLine", "%1: %2 chapters")
                   .arg(Quoted(source.absoluteFilePath()), QString::number(count))
             : QCoreApplication::translate("CommandLine", "%1, title %2: %3 chapters")
                   .arg(Quoted(source.absoluteFilePath()), QString::number(dvd.title),
                        QString::number(count))) +
        u'\n';
    const QString text = TrackListText(ChapterTrackList(chapters, 1, count), header);
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}
