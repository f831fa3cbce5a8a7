// TMainFrm: the settings and tag links of the summary group, About and Help.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "desktop/help.h"
#include "mediagraph/video_renderer_widget.h"
#include "picture/cover_art.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/skin/track_bar.h"

void TMainFrm::MP3SettingsEditClick() {
    if (!IsIdle())
        return;
    TsettingsFrm& dialog = SettingsForm();
    // A stored value that matches no item preselects the nearest one, so the lists are
    // never confirmed empty.
    dialog.FillMp3Page(AppSettings);
    if (dialog.exec() != 1)
        return;
    TAppSettings confirmed = AppSettings;
    dialog.ReadMp3Page(confirmed);
    const QString before = OutputExtension();
    AppSettings = confirmed;
    // The output's name follows the format, when it named the one before.
    const QString output = outputFileEdit->text();
    if (OutputExtension() != before && output.endsWith(before, Qt::CaseInsensitive)) {
        outputFileEdit->setText(output.chopped(before.size()) + OutputExtension());
        ShowOutputFile();
    }
    ShowMp3Settings();
    ShowRangeInfo();
}

void TMainFrm::Id3TagEditClick() {
    if (!IsIdle())
        return;
    TsettingsFrm& dialog = SettingsForm();
    dialog.FillTagPage(CurrentTag);
    if (dialog.exec() == 1)
        dialog.ReadTagPage(CurrentTag);
    ShowId3Tag();
}

void TMainFrm::UseAsCoverClick() {
    if (!IsIdle())
        return;
    auto* renderer = qobject_cast<media::TVideoRendererWidget*>(VideoWin->VideoHandle());
    if (!renderer || !renderer->HasFrame()) {
        ShowMessageBox(0, tr("There is no picture in the preview to use as the cover."),
                       tr("&Close"), tr("&Help"));
        return;
    }
    // A cover chosen before (a picture file, another frame) goes only when the user says so.
    const bool replacing = !CurrentTag.Cover.isEmpty();
    if (replacing &&
        ShowMessageBox(2,
                       tr("The tag has a cover already.\nReplace it with the picture in the "
                          "preview at %1?")
                           .arg(FormatTimeText(TrackBar->position())),
                       tr("&Replace"), tr("&Keep")) != 1)
        return;
    // The frame as decoded, in full, its pixels made square by the shown aspect.
    const QImage frame = renderer->Frame();
    const double aspect = renderer->DisplayAspect();
    const int width =
        aspect > 0 ? std::max(2, int(std::lround(frame.height() * aspect))) : frame.width();
    const std::vector<uint8_t> jpeg = CoverFromImage(
        frame.scaled(width, frame.height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    CurrentTag.Cover =
        QByteArray(reinterpret_cast<const char*>(jpeg.data()), qsizetype(jpeg.size()));
    ShowId3Tag();
    // The summary's ", cover" does not show that one picture took another's place.
    if (replacing)
        ShowMessageBox(1,
                       tr("The picture at %1 (%2 x %3 pixels) is now the cover, in place of the "
                          "one before.")
                           .arg(FormatTimeText(TrackBar->position()))
                           .arg(width)
                           .arg(frame.height()),
                       tr("&Close"), tr("&Help"));
}

void TMainFrm::skinButton1Click() {
    ShowAboutBox();
}

void TMainFrm::skinButton2Click() {
    OpenHelp();
}
