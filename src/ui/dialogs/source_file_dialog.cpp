#include "ui/dialogs/source_file_dialog.h"

#include "media/dvd/dvd_path.h"

#include <QFileInfo>

TSourceFileDialog::TSourceFileDialog(QWidget* parent, const QString& directory,
                                     const QString& filter)
    : QFileDialog(parent, QString(), directory, filter) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
}

void TSourceFileDialog::accept() {
    const QStringList chosen = selectedFiles();
    if (chosen.size() == 1 && QFileInfo(chosen.first()).isDir() &&
        !dvd::DvdRootFor(chosen.first()).isEmpty()) {
        FChosen = chosen.first();
        QDialog::accept();
        return;
    }
    QFileDialog::accept();
    if (result() == QDialog::Accepted && !selectedFiles().isEmpty())
        FChosen = selectedFiles().first();
}
