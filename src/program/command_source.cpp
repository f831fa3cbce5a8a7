#include "program/command_source.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString QuotedPath(const QString& Path) {
    return u'"' + QDir::toNativeSeparators(Path) + u'"';
}

TResult<QString> CommandSourcePath(const QString& Source, int DvdTitle, TDvdChoice& Dvd) {
    const QFileInfo source(Source);
    if (!source.exists())
        return TError(
            QCoreApplication::translate("CommandLine", "cannot open %1: No such file or directory")
                .arg(QuotedPath(Source)));
    try {
        if (!ChooseDvdTitle(source.absoluteFilePath(), DvdTitle, Dvd) && DvdTitle > 0)
            return TError(
                QCoreApplication::translate("CommandLine", "%1 is not a DVD; --dvd-title needs one")
                    .arg(QuotedPath(Source)));
    } catch (const EDvdError& e) {
        return TError(QCoreApplication::translate("CommandLine", "cannot read the DVD %1: %2")
                          .arg(QuotedPath(Source), e.Message()));
    }
    if (Dvd.locator.isEmpty() && source.isDir())
        return TError(QCoreApplication::translate("CommandLine", "cannot open %1: it is a folder")
                          .arg(QuotedPath(Source)));
    return Dvd.locator.isEmpty() ? source.absoluteFilePath() : Dvd.locator;
}
