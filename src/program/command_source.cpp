#include "program/command_source.h"

#include "app/common.h"
#include "program/command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

TResult<QString> CommandSourcePath(const QString& Source, int DvdTitle, TDvdChoice& Dvd) {
    const QFileInfo source(Source);
    if (!source.exists())
        return TError(
            QCoreApplication::translate("CommandLine", "cannot open %1: No such file or directory")
                .arg(Quoted(Source)));
    // Opening a pipe waits for its writer, and what is read is gone for the next pass.
    if (const QString why = ReadOnceSourceReason(source.absoluteFilePath()); !why.isEmpty())
        return TError(QCoreApplication::translate("CommandLine", "cannot read %1: %2")
                          .arg(Quoted(Source), why));
    try {
        if (!ChooseDvdTitle(source.absoluteFilePath(), DvdTitle, Dvd) && DvdTitle > 0)
            return TError(
                QCoreApplication::translate("CommandLine", "%1 is not a DVD; --dvd-title needs one")
                    .arg(Quoted(Source)));
    } catch (const EDvdError& e) {
        return TError(QCoreApplication::translate("CommandLine", "cannot read the DVD %1: %2")
                          .arg(Quoted(Source), e.Message()));
    }
    if (Dvd.locator.isEmpty() && source.isDir())
        return TError(QCoreApplication::translate("CommandLine", "cannot open %1: it is a folder")
                          .arg(Quoted(Source)));
    return Dvd.locator.isEmpty() ? source.absoluteFilePath() : Dvd.locator;
}
