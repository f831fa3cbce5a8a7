#include "program/command_rip_batch.h"

#include "program/command_interrupt.h"
#include "program/command_line.h"
#include "program/command_rip.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

void Say(const QString& Line) {
    std::fprintf(stderr, "%s\n", Line.toLocal8Bit().constData());
}

} // namespace

int TCommandRipBatch::Execute() {
    const QStringList sources =
        FOptions.Sources.isEmpty() ? QStringList{FOptions.Source} : FOptions.Sources;
    if (sources.size() == 1)
        return TCommandRip(FOptions).Execute();
    // Every rip of the run writes into one folder: a file name would be written over.
    if (!FOptions.Output.isEmpty() && !FOptions.Output.endsWith(u'/') &&
        !QFileInfo(FOptions.Output).isDir()) {
        Say(QStringLiteral("sonavel: ") +
            QCoreApplication::translate("CommandLine",
                                        "several sources rip into a folder: end -o with /"));
        return 2;
    }
    QStringList failed;
    int ripped = 0;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        TCommandLineOptions one = FOptions;
        one.Source = sources[i];
        one.Sources = QStringList{sources[i]};
        TCommandRip rip(one);
        rip.SetBatch({int(i), int(sources.size())});
        const int code = rip.Execute();
        if (code == 2) // what no source can be ripped with (a rate the sample rate lacks)
            return 2;
        if (code == 0)
            ++ripped;
        else
            failed << Quoted(sources[i]);
        if (code != 0 && Interrupted()) {
            // Stopped by the user: the sources not begun are not ripped either.
            for (qsizetype k = i + 1; k < sources.size(); ++k)
                failed << Quoted(sources[k]);
            break;
        }
    }
    const int count = int(sources.size());
    if (failed.isEmpty()) {
        if (!FOptions.Quiet)
            Say(QCoreApplication::translate("CommandLine", "%1 sources ripped").arg(count));
        return 0;
    }
    Say(QStringLiteral("sonavel: ") +
        QCoreApplication::translate("CommandLine", "%1 of %2 sources ripped; failed: %3")
            .arg(QString::number(ripped), QString::number(count),
                 failed.join(QStringLiteral(", "))));
    return 1;
}
