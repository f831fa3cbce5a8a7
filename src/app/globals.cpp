#include "app/globals.h"

#include "audio/rip/mp3_out.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
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
TAppSettings AppSettings;
TCurrentTag CurrentTag;

QString ChannelModeCaption(int32_t index) {
    if (index < 0 || index >= int32_t(ChannelModeCaptions.size()))
        return QString();
    return QCoreApplication::translate("Globals", ChannelModeCaptions[size_t(index)]);
}

void SetProgramConstants() {
    AppTitle = QStringLiteral("Free Sonavel");
    // The first entry, preselected, is every kind the program opens: the four sources it
    // began with, a DVD, and the video and sound containers FFmpeg reads.
    FileFilter = QCoreApplication::translate(
        "Globals", "All available Files (*.vob *.dat *.mpeg *.mpg *.iso *.ifo *.mkv *.mp4 *.m4v "
                   "*.mov *.webm *.ts *.m2ts *.mts *.avi *.flv *.ogv *.m4a *.mka *.ogg *.oga "
                   "*.opus *.wav *.flac);;"
                   "DVD: VIDEO_TS.IFO, image or folder (VIDEO_TS.IFO *.iso *.vob);;"
                   "DVD Movie Files (*.vob);;"
                   "VCD/SVCD Movie Files (*.dat);;"
                   "MPEG Files (*.mpeg *.mpg);;"
                   "Video Files (*.mkv *.mp4 *.m4v *.mov *.webm *.ts *.m2ts *.mts *.avi *.flv "
                   "*.ogv);;"
                   "Sound Files (*.m4a *.mka *.ogg *.oga *.opus *.wav *.flac);;"
                   "All files (*)");
    HelpFileName = QStringLiteral("sonavel.html");
    TipsFileName = QStringLiteral("tips.txt");
    RegistryKey = QStringLiteral("Software\\Vemra\\Sonavel");
    SupportEmail = QStringLiteral(SONAVEL_SUPPORT_EMAIL);
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

QString LocalDataFile(const QString& fileName) {
    const QString language = QLocale().name().section(u'_', 0, 0);
    const QFileInfo base(DataDir() + fileName);
    const QString local =
        base.path() + u'/' + base.completeBaseName() + u'_' + language + u'.' + base.suffix();
    return language != QStringLiteral("en") && QFileInfo::exists(local) ? local
                                                                        : DataDir() + fileName;
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
