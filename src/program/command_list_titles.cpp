#include "program/command_list_titles.h"

#include "app/dvd_choice.h"
#include "media/dvd/dvd_path.h"
#include "program/command_line.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int TCommandListTitles::Execute() {
    if (!QFileInfo::exists(FSource))
        return CommandFailure(QCoreApplication::translate(
                                  "CommandLine", "cannot open \"%1\": No such file or directory")
                                  .arg(FSource));
    const QString root = dvd::DvdRootFor(FSource);
    if (root.isEmpty())
        return CommandFailure(
            QCoreApplication::translate("CommandLine",
                                        "\"%1\" is not a DVD (no VIDEO_TS folder with IFO files)")
                .arg(FSource));
    try {
        const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root);
        bool playable = false;
        for (const TDvdTitleEntry& entry : disc->Titles()) {
            std::printf("%s\n", DvdTitleLine(entry).toLocal8Bit().constData());
            playable = playable || entry.fault.isEmpty();
        }
        // The reasons are listed above; a script must not take the disc for a good one.
        if (!playable)
            return CommandFailure(
                QCoreApplication::translate("CommandListTitles", "no title of \"%1\" can be played")
                    .arg(FSource));
    } catch (const EDvdError& e) {
        return CommandFailure(
            QCoreApplication::translate("CommandLine", "cannot read the DVD \"%1\": %2")
                .arg(FSource, e.Message()));
    }
    return 0;
}
