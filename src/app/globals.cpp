#include "app/globals.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ProgramDir;
QString AppTitle;
QString FileFilter;
QString HelpFileName;
QString TipsFileName;
QString RegistryKey = QStringLiteral("Software\\Vemra\\Sonavel");
QString SupportEmail;
QString MailSubject;
int32_t TipsIndex = 0;
std::array<int32_t, 18> BitrateTable{};
TAppSettings AppSettings;
TCurrentTag CurrentTag;

void FillBitrateTable() {
    BitrateTable = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
}

void SetProgramConstants() {
    AppTitle = QStringLiteral("Free Sonavel");
    FileFilter = QStringLiteral("All available Files (*.vob *.dat *.mpeg *.mpg *.iso *.ifo);;"
                                "DVD: VIDEO_TS.IFO, image or folder (VIDEO_TS.IFO *.iso *.vob);;"
                                "DVD Movie Files (*.vob);;"
                                "VCD/SVCD Movie Files (*.dat);;"
                                "MPEG Files (*.mpeg *.mpg);;"
                                "All files (*)");
    HelpFileName = QStringLiteral("sonavel.html");
    TipsFileName = QStringLiteral("tips.txt");
    RegistryKey = QStringLiteral("Software\\Vemra\\Sonavel");
    SupportEmail = QStringLiteral("support@sonavel.example.org");
    MailSubject = QStringLiteral("?subject=About%20Free%20Sonavel");
}

static bool IsInstalledCopy() {
    // An installed binary lives in <prefix>/bin with its data in <prefix>/share/sonavel.
    return !QFileInfo::exists(ProgramDir + TipsFileName) &&
           QFileInfo::exists(ProgramDir + QStringLiteral("../share/sonavel/") + TipsFileName);
}

QString DataDir() {
    if (IsInstalledCopy())
        return QDir::cleanPath(ProgramDir + QStringLiteral("../share/sonavel")) + u'/';
    return ProgramDir;
}

QString HistoryDir() {
    const QString over = qEnvironmentVariable("SONAVEL_DATA_DIR");
    if (!over.isEmpty())
        return over.endsWith(u'/') ? over : over + u'/';
    if (IsInstalledCopy()) {
        QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/sonavel/");
        QDir().mkpath(dir);
        return dir;
    }
    return ProgramDir;
}
