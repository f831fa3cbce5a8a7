// TMainFrm: the settings and tag links of the summary group, About and Help.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "desktop/help.h"
#include "app/globals.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/settings_frm.h"

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
    AppSettings = confirmed;
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

void TMainFrm::skinButton1Click() {
    ShowAboutBox();
}

void TMainFrm::skinButton2Click() {
    ShowHelp(QString());
}
