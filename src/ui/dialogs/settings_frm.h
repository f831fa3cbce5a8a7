#pragma once

// The settings dialog: page 0 edits the output (the format, MP3, FLAC or Opus, and that
// format's settings; the MP3 ones as they always were), page 1 the ID3 tag of the next rip.
// The caller chooses the page and the title, fills the controls, shows the dialog and
// reads the controls back after OK (result 1; Cancel and the title bar give 2). The dialog
// itself switches the bitrate area with the VBR box, reloads the four history lists each
// time it becomes active on the tag page, and on OK there remembers new entries in them.
// Created once at start-up; GUI thread only.

#include "app/globals.h"

#include <QDialog>
#include <QSet>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

class TsettingsFrm : public QDialog {
    Q_OBJECT
public:
    explicit TsettingsFrm(QWidget* parent = nullptr);

    QStackedWidget* PageControl1;
    QWidget* settingsPage;
    QWidget* id3Page;

    // The output page: the format, and a page of settings for each (settings_frm_formats.cpp).
    QComboBox* formatSel; // MP3, FLAC, Opus: in the order of TOutputFormat
    QStackedWidget* FormatSettingsPage;
    QComboBox* flacLevelSel;      // 0..8, in that order
    QComboBox* flacSamplerateSel; // the source's own first, then rates in Hz
    QComboBox* opusBitrateSel;    // kbit/s

    QCheckBox* VBRCheck;
    QStackedWidget* BitrateSettingsPage;
    QComboBox* bitRateSel;
    QCheckBox* vbrLimitCheck; // "&Limit:" the min and max bound every frame; off, -V alone
    QComboBox* minBitrateSel; // enabled with the limit box
    QComboBox* maxBitrateSel;
    QWidget* vbrQualityRow;   // shown with the VBR box
    QComboBox* vbrQualitySel; // the encoder's -V 0..9, in that order
    QCheckBox* ReplayGainCheck;
    QComboBox* samplerateSel; // 32000, 44100, 48000 Hz, then the source's own
    static constexpr int SourceRateItem = 3;
    QComboBox* ChannelModeSel;
    QComboBox* DownmixSel; // AudioDownmix: standard, dialogue

    QLineEdit* titleEdit;
    QComboBox* albumEdit;
    QComboBox* authorEdit;
    QComboBox* GenreEdit;
    QComboBox* YearEdit;
    QComboBox* copyrightEdit;
    QLabel* coverView;          // the cover, small, or "None"
    QPushButton* coverPickBtn;  // "Picture...": a JPEG or PNG file
    QPushButton* coverClearBtn; // no cover

    QPushButton* skinButton2; // "&OK"
    QPushButton* skinButton1; // "&Cancel"

    void VBRCheckClick();
    // Shows the chosen format's settings and names the dialog after it.
    void FormatSelChange();
    void vbrLimitCheckClick();
    // Greys out the constant bit rates the chosen sample rate cannot carry (the tip names
    // those it can) and moves the choice off such a rate to the nearest one it can.
    void SamplerateSelChange();
    void FormActivate();
    void skinButton2Click();
    void skinButton1Click();
    void reject() override;

    // Selects the item reading `value` + `suffix`; when none does, the item whose number
    // is nearest (the lower one on a tie), so a list is never left without a selection.
    static void SelectNumber(QComboBox* list, int value, const QString& suffix);

    // The caller's two openings, for convenience: page, title and controls from the
    // settings or the tag, and the values read back after OK.
    void FillMp3Page(const TAppSettings& settings);
    void ReadMp3Page(TAppSettings& settings) const; // raises EConvertError for an empty list
    void FillTagPage(const TCurrentTag& tag);
    // The tag page's cover from a picture file; false (the cover kept) with a message box
    // for a file that is no picture.
    bool SetCoverFile(const QString& path);
    void ClearCover();
    void ReadTagPage(TCurrentTag& tag) const; // each text cut to TagTextMax

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // A list to pick one item of, as every list of the dialog is.
    static QComboBox* PickList(QWidget* parent);
    QWidget* BuildSettingsPage();
    QWidget* BuildMp3Settings();
    QWidget* BuildFormatRow(QWidget* parent);
    QWidget* BuildDownmixRow(QWidget* parent);
    QWidget* BuildFlacSettings();
    QWidget* BuildOpusSettings();
    void FillFormatSettings(const TAppSettings& settings);
    void ReadFormatSettings(TAppSettings& settings) const;
    QWidget* BuildId3Page();
    void ShowCover();
    QByteArray FCover; // the tag page's cover, JPEG

    // The four remembered fields and their list files in HistoryDir().
    struct THistoryField {
        QComboBox* combo;
        const char* file;
    };
    std::array<THistoryField, 4> HistoryFields() const;

    bool FLoadErrorReported = false;
    QSet<QComboBox*> FUnsavedLists; // lists whose last save failed
    QSet<QComboBox*> FUnreadLists;  // lists whose file could not be read: never saved
};

// Created on first use and kept until the application ends.
TsettingsFrm& SettingsForm();
