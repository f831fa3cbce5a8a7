#include "program/command_list_tracks.h"

#include "app/common.h"
#include "app/dvd_choice.h"
#include "media/media_audio_stream.h"
#include "program/command_line.h"
#include "program/command_source.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <vector>

int TCommandListTracks::Execute() {
    TDvdChoice dvd;
    const TResult<QString> resolved = CommandSourcePath(FSource, FDvdTitle, dvd);
    if (!resolved)
        return CommandFailure(resolved.Error());
    std::vector<TMediaTrackInfo> tracks;
    const media::TMediaResult result = TMediaAudioStream::ListAudioTracks(*resolved, tracks);
    if (result != media::S_OK)
        return CommandFailure(QCoreApplication::translate("CommandLine", "cannot read \"%1\": %2")
                                  .arg(FSource, media::ResultText(result)));
    if (tracks.empty())
        return CommandFailure(
            QCoreApplication::translate("CommandLine", "\"%1\" has no audio stream").arg(FSource));
    for (size_t i = 0; i < tracks.size(); ++i) {
        const TMediaTrackInfo& t = tracks[i];
        // One multi-argument call: a "%1" in a track's language tag (the file's own
        // text) is printed as it is, never filled in by a later field.
        // The track's own title, when it has one, last: it may hold spaces.
        const QString line =
            QStringLiteral("%1  %2  %3  %4 ch  %5 Hz  %6%7\n")
                .arg(QString::number(i + 1), t.codec.leftJustified(8),
                     (t.language.isEmpty() ? QStringLiteral("-") : t.language).leftJustified(4),
                     QString::number(t.channels), QString::number(t.sampleRate),
                     !t.unavailable.isEmpty()
                         ? QCoreApplication::translate("CommandLine", "unavailable: ") +
                               t.unavailable
                     : t.duration.Units() > 0 ? FormatTimeText(t.duration.ToMs())
                                              : QStringLiteral("unknown"),
                     t.title.isEmpty() ? QString() : QStringLiteral("  ") + t.title);
        std::fputs(line.toLocal8Bit().constData(), stdout);
    }
    return 0;
}
