#include "program/cover_option.h"

#include "app/common.h"
#include "picture/cover_art.h"
#include "picture/video_frame_grab.h"

#include <QCoreApplication>
#include <QFileInfo>

TResult<std::vector<uint8_t>> CoverFromOption(const QString& Value, const QString& Source,
                                              TMediaTime Duration) {
    QString error;
    int64_t ms = 0;
    if (!QFileInfo(Value).isFile() && ParseTimeText(Value, ms)) {
        if (Duration > TMediaTime() && TMediaTime::FromMs(ms) >= Duration)
            return TError(
                QCoreApplication::translate("CommandLine", "--cover %1: the source ends at %2")
                    .arg(Value, FormatTimeText(Duration)));
        std::vector<uint8_t> cover =
            CoverFromImage(media::GrabVideoFrame(Source, TMediaTime::FromMs(ms), error));
        if (cover.empty())
            return TError(QStringLiteral("--cover %1: %2")
                              .arg(Value, error.isEmpty()
                                              ? QCoreApplication::translate(
                                                    "CommandLine", "the picture cannot be made")
                                              : error));
        return cover;
    }
    if (!QFileInfo::exists(Value))
        return TError(QCoreApplication::translate("CommandLine",
                                                  "--cover %1: neither a time nor a picture file")
                          .arg(Value));
    std::vector<uint8_t> cover = CoverFromFile(Value, error);
    if (cover.empty())
        return TError(QCoreApplication::translate("CommandLine", "--cover: ") + error);
    return cover;
}
