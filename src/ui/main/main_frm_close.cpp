// TMainFrm: closing, by the close button or at the request of a signal, and telling the
// user when the settings cannot be kept.
#include "ui/main/main_frm.h"

#include "app/settings.h"
#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "preview/filter_graph.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/skin/skin_panel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>

#include <cstdio>

void TMainFrm::closeEvent(QCloseEvent* e) {
    if (!HintPanel->isHidden()) {
        // The opening waits in a loop on this stack: close once it is over.
        FCloseRequested = true;
        e->ignore();
        return;
    }
    if (!ConfirmCloseDuringRun()) {
        e->ignore();
        return;
    }
    Guarded([&] { FormClose(); });
    FClosed = true;
    e->accept();
}

bool TMainFrm::ConfirmCloseDuringRun() {
    // A signal's close has nobody to ask; the desktop wants the program gone.
    if (!Running() || FQuietClose)
        return true;
    const int answer = ShowMessageBox(
        2, tr("A rip is running. Stop it and close?\nThe file it is writing is removed."),
        tr("&Yes"), tr("&No"));
    // The run may have ended while the question was up: closing then loses nothing.
    return answer == 1 || !Running();
}

void TMainFrm::FormClose() {
    // A run still going is stopped first; its output discards the unfinished file.
    StopRunForClose();
    Envelope->Stop();
    Detail->SetSource(QString());
    if (FilterGraph->Active()) {
        try {
            FilterGraph->ClearGraph();
            FilterGraph->SetActive(false);
        } catch (...) {
        }
    }
    if (!sourceFileEdit->text().isEmpty() && outputFileEdit->text() == SourceAsMp3())
        AppSettings.OutputFileDir.clear();
    // The window's place goes beside the settings once they could be kept; should that
    // fail, the next start only finds the place saved before.
    if (!SaveSettings())
        TellSettingsProblem();
    else
        SavePlacement();
}

void TMainFrm::TellSettingsProblem() {
    if (FSettingsProblemTold) // once is enough: at start-up or at the first failed save
        return;
    FSettingsProblemTold = true;
    const QString problem = SettingsProblem();
    if (FQuietClose) // nobody may be there to answer a box
        std::fprintf(stderr, "sonavel: %s\n",
                     QString(problem).replace(u'\n', u' ').toLocal8Bit().constData());
    else
        ShowMessage(problem);
}

void TMainFrm::CloseForSignal() {
    FQuietClose = true;
    // An open dialog runs a loop of its own that would keep the program going: close it
    // as its title bar would. Bounded, in case one refuses.
    for (int i = 0; i < 8; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            break;
        modal->close();
        if (modal->isVisible())
            break;
    }
    close();
}
