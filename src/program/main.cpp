// Program body: start-up, then the event loop or a command.
#include "app/globals.h"
#include "app/settings.h"
#include "app/translations.h"
#include "base/exception.h"
#include "base/termination_signals.h"
#include "program/command_line.h"
#include "program/command_list_pauses.h"
#include "program/command_list_titles.h"
#include "program/command_list_tracks.h"
#include "program/command_rip.h"

#include "preview/filter_graph.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/dialogs/tips_frm.h"
#include "ui/main/main_frm.h"
#include "ui/skin/skin_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// After the application object exists: the program's folder, the
// stored settings (only for what uses them: the window and --rip; reading them creates the
// hive and fills in missing values), then the title, file names and addresses.
void InitialiseProgram(bool withSettings) {
    ProgramDir = QCoreApplication::applicationDirPath() + u'/';
    if (withSettings)
        LoadSettings();
    SetProgramConstants();
    QCoreApplication::setApplicationName(AppTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(SONAVEL_VERSION));
}

QStringList Arguments(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // The command line's messages are in the user's language too, so translations load
    // before parsing; that needs an application object, which the window replaces with
    // its own (no display is needed for a command or a usage error).
    auto core = std::make_unique<QCoreApplication>(argc, argv);
    ProgramDir = QCoreApplication::applicationDirPath() + u'/';
    SetProgramConstants(); // the data folder (and its catalogues) is found by its file names
    LoadTranslations();
    TCommandLineOptions options;
    try {
        options = ParseCommandLine(Arguments(argc, argv));
    } catch (const EUsageError& e) {
        std::fputs((QStringLiteral("sonavel: ") + ExceptionMessage(e) + u'\n' +
                    QCoreApplication::translate("CommandLine",
                                                "Try 'sonavel --help' for more information.\n"))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    }

    if (!options.Ignored.isEmpty())
        std::fputs(QCoreApplication::translate("CommandLine", "sonavel: warning: ignored %1: %2\n")
                       .arg(options.IgnoredWhere, options.Ignored.join(QStringLiteral(", ")))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
    if (options.Mode == TCommandMode::cmHelp) {
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.Mode == TCommandMode::cmVersion) {
        std::printf("sonavel %s\n", SONAVEL_VERSION);
        return 0;
    }
    if (options.Mode != TCommandMode::cmWindow) {
        InitialiseProgram(options.Mode == TCommandMode::cmRip);
        // Settings that cannot be kept are still used; the user hears once why they are not.
        if (const QString problem = SettingsProblemLine(); !problem.isEmpty())
            std::fprintf(stderr, "sonavel: warning: %s\n", problem.toLocal8Bit().constData());
        // Whatever a command could not handle itself (the encoder library missing or
        // incomplete) ends it with its message, never with an abort.
        try {
            if (options.Mode == TCommandMode::cmRip)
                return TCommandRip(options).Execute();
            if (options.Mode == TCommandMode::cmListTracks)
                return TCommandListTracks(options.Source, options.DvdTitle).Execute();
            if (options.Mode == TCommandMode::cmListPauses)
                return TCommandListPauses(options.Source, options.DvdTitle, options.AudioTrack,
                                          options.Pauses, options.Quiet)
                    .Execute();
            if (options.Mode == TCommandMode::cmListTitles)
                return TCommandListTitles(options.Source).Execute();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "sonavel: %s\n", ExceptionMessage(e).toLocal8Bit().constData());
        }
        return 1;
    }

    core.reset();
    QApplication app(argc, argv);
    LoadTranslations();
    // From here on, logging out or Ctrl+C ends the program as the close button does; a
    // signal that comes before the window exists waits in the notifier's pipe.
    TTerminationSignals endSignals;
    InitialiseProgram(true);
    TFilterGraph::SetExceptionReporter([](const std::exception& e) { ReportException(e); });

    // The windows in their order: the main window, then the message box, the settings
    // dialog, the about box and the tips, each made once. A failure here (the encoder
    // library missing) is shown and ends the program.
    std::unique_ptr<TMainFrm> mainFrm;
    try {
        mainFrm = std::make_unique<TMainFrm>();
        MessageBoxForm();
        SettingsForm();
        AboutBoxForm();
        TipsForm();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, AppTitle, ExceptionMessage(e));
        return 1;
    }
    QObject::connect(&endSignals, &TTerminationSignals::received, mainFrm.get(),
                     [&mainFrm] { mainFrm->CloseForSignal(); });
    ApplySkin(app);
    mainFrm->show();
    if (!options.Source.isEmpty()) {
        // As if chosen in the open dialog, once the window is up.
        const QString source = options.Source;
        const int title = options.DvdTitle;
        QTimer::singleShot(0, mainFrm.get(), [&mainFrm, source, title] {
            try {
                mainFrm->OpenSourceFile(source, title);
            } catch (const std::exception& e) {
                ReportException(e);
            }
        });
    }
    const int code = app.exec();
    mainFrm.reset();
    return code;
}
