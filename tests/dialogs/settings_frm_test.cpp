#include "dialog_test_util.h"

#include "app/globals.h"
#include "audio/rip/mp3_out.h"
#include "base/exception.h"
#include "support/test_env.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/settings_frm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

namespace {
QStringList ItemsOf(const QComboBox* c) {
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items.append(c->itemText(i));
    return items;
}

QString History(const char* name) {
    return HistoryDir() + QLatin1String(name);
}

// Every test starts without history files.
class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"album.lst", "author.lst", "Year.lst", "Copyright.lst"}) {
            QFile::remove(History(name));
            QDir(History(name)).removeRecursively();
        }
    }
    void OpenTagPage(TsettingsFrm& dlg, const TCurrentTag& tag = {}) {
        dlg.FillTagPage(tag);
        dlg.FormActivate();
    }
    TReportRecorder Reports;
};
} // namespace

TEST_F(SettingsDialog, ListsHoldTheFixedItemsVerbatim) {
    TsettingsFrm dlg;
    EXPECT_EQ(dlg.size(), QSize(404, 341));
    const QStringList bitrates = ItemsOf(dlg.bitRateSel);
    ASSERT_EQ(bitrates.size(), 18);
    EXPECT_EQ(bitrates.first(), QStringLiteral("8 kbps"));
    EXPECT_EQ(bitrates[14], QStringLiteral("192 kbps"));
    EXPECT_EQ(bitrates.last(), QStringLiteral("320 kbps"));
    EXPECT_EQ(ItemsOf(dlg.minBitrateSel), bitrates);
    EXPECT_EQ(ItemsOf(dlg.maxBitrateSel), bitrates);
    EXPECT_EQ(ItemsOf(dlg.samplerateSel),
              QStringList({"32000 Hz", "44100 Hz", "48000 Hz", "Same as the source"}));
    EXPECT_EQ(ItemsOf(dlg.DownmixSel), QStringList({"Standard", "Dialogue: centre lifted"}));
    EXPECT_EQ(ItemsOf(dlg.ChannelModeSel),
              QStringList({"Dual Channels", "Stereo", "Joint Stereo", "Mono"}));
    const QStringList genres = ItemsOf(dlg.GenreEdit);
    ASSERT_EQ(genres.size(), 164);
    EXPECT_EQ(genres[0], QStringLiteral("Blues"));
    EXPECT_EQ(genres[9], QStringLiteral("Metal"));
    EXPECT_EQ(genres[147], QStringLiteral("Synthpop"));
    EXPECT_EQ(genres[163], QStringLiteral("Unknown"));
    EXPECT_FALSE(dlg.bitRateSel->isEditable());
    EXPECT_TRUE(dlg.albumEdit->isEditable());
}

TEST_F(SettingsDialog, Mp3PageRoundTripAndNearestItemForUnlistedValues) {
    TsettingsFrm dlg;
    TAppSettings in;
    in.AudioBitrate = 100; // matches no item
    in.AudioVbrMinBitrate = 128;
    in.AudioVbrMaxBitrate = 999;
    in.AudioSampleRate = 22050;
    in.AudioChannels = 5;
    in.AudioVBR = true;
    in.AudioVbrQuality = 0;
    in.ReplayGain = false;
    dlg.FillMp3Page(in);
    EXPECT_FALSE(dlg.ReplayGainCheck->isChecked());
    EXPECT_TRUE(dlg.vbrQualitySel->currentText().startsWith(QStringLiteral("V0:")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("MP3 Settings ..."));
    EXPECT_EQ(dlg.PageControl1->currentWidget(), dlg.settingsPage);
    EXPECT_EQ(dlg.BitrateSettingsPage->currentIndex(), 1);
    EXPECT_EQ(dlg.bitRateSel->currentText(), QStringLiteral("96 kbps"));
    EXPECT_EQ(dlg.minBitrateSel->currentText(), QStringLiteral("128 kbps"));
    EXPECT_EQ(dlg.maxBitrateSel->currentText(), QStringLiteral("320 kbps"));
    EXPECT_EQ(dlg.samplerateSel->currentText(), QStringLiteral("32000 Hz"));
    EXPECT_EQ(dlg.ChannelModeSel->currentText(), QStringLiteral("Mono"));

    dlg.bitRateSel->setCurrentIndex(dlg.bitRateSel->findText(QStringLiteral("256 kbps")));
    // Switching the box back and forth only changes the page; all three lists are read.
    dlg.VBRCheck->click();
    EXPECT_EQ(dlg.BitrateSettingsPage->currentIndex(), 0);
    dlg.VBRCheck->click();
    EXPECT_EQ(dlg.BitrateSettingsPage->currentIndex(), 1);
    TAppSettings out;
    dlg.ReadMp3Page(out);
    EXPECT_EQ(out.AudioBitrate, 256);
    EXPECT_EQ(out.AudioVbrMinBitrate, 128);
    EXPECT_EQ(out.AudioVbrMaxBitrate, 320);
    EXPECT_EQ(out.AudioSampleRate, 32000);
    EXPECT_EQ(out.AudioChannels, 3);
    EXPECT_TRUE(out.AudioVBR);
    EXPECT_EQ(out.AudioVbrQuality, 0);
    EXPECT_FALSE(out.ReplayGain);

    // The source's own rate is stored as 0, and the dialogue downmix as 1.
    TAppSettings own;
    own.AudioSampleRate = 0;
    own.AudioDownmix = 1;
    dlg.FillMp3Page(own);
    EXPECT_EQ(dlg.samplerateSel->currentText(), QStringLiteral("Same as the source"));
    EXPECT_EQ(dlg.DownmixSel->currentIndex(), 1);
    TAppSettings ownOut;
    dlg.ReadMp3Page(ownOut);
    EXPECT_EQ(ownOut.AudioSampleRate, 0);
    EXPECT_EQ(ownOut.AudioDownmix, 1);

    TAppSettings exact; // defaults: 192 CBR, 44100, joint stereo
    dlg.FillMp3Page(exact);
    EXPECT_EQ(dlg.bitRateSel->currentText(), QStringLiteral("192 kbps"));
    EXPECT_EQ(dlg.samplerateSel->currentText(), QStringLiteral("44100 Hz"));
    EXPECT_EQ(dlg.ChannelModeSel->currentText(), QStringLiteral("Joint Stereo"));
    EXPECT_FALSE(dlg.VBRCheck->isChecked());
    EXPECT_EQ(dlg.BitrateSettingsPage->currentIndex(), 0);
    // The encoder's quality is a choice of the variable rate only; loudness is on by default.
    EXPECT_TRUE(dlg.vbrQualityRow->isHidden());
    EXPECT_TRUE(dlg.ReplayGainCheck->isChecked());
    EXPECT_TRUE(dlg.vbrQualitySel->currentText().startsWith(QStringLiteral("V2:")));
}

// The output page holds the format's row, each format's settings and the rows every
// format shares (Surround, ReplayGain) within the dialog's fixed size: for each format and
// for VBR with its quality row, every control shows whole, at its least height, over no other.
TEST_F(SettingsDialog, EveryFormatsControlsFitTheOutputPageWhole) {
    TsettingsFrm dlg;
    for (int format : {ofMP3, ofFLAC, ofOpus}) {
        for (bool vbr : {false, true}) {
            SCOPED_TRACE(testing::Message() << "format " << format << (vbr ? ", VBR" : ""));
            TAppSettings in;
            in.OutputFormat = format;
            in.AudioVBR = vbr;
            dlg.FillMp3Page(in);
            dlg.show();
            QCoreApplication::processEvents();
            const QRect page = dlg.settingsPage->rect();
            std::vector<std::pair<QWidget*, QRect>> shown;
            for (QWidget* w : dlg.settingsPage->findChildren<QWidget*>()) {
                if (!w->isVisible() ||
                    !(qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w)))
                    continue;
                const QRect at(w->mapTo(dlg.settingsPage, QPoint(0, 0)), w->size());
                EXPECT_TRUE(page.contains(at)) << w->objectName().toStdString() << " "
                                               << qPrintable(w->metaObject()->className());
                EXPECT_GE(at.height(), w->minimumSizeHint().height())
                    << qPrintable(w->metaObject()->className()) << " at " << at.y();
                // A list shows whichever choice is made whole ("V2: about 190 kbps,
                // transparent").
                if (auto* box = qobject_cast<QComboBox*>(w)) {
                    QStyleOptionComboBox option;
                    option.initFrom(box);
                    const int room = box->style()
                                         ->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, box)
                                         .width();
                    for (int i = 0; i < box->count(); ++i)
                        EXPECT_GE(room, box->fontMetrics().horizontalAdvance(box->itemText(i)))
                            << box->itemText(i).toStdString();
                }
                for (const auto& [other, rect] : shown)
                    EXPECT_FALSE(rect.intersects(at)) << qPrintable(w->metaObject()->className());
                shown.emplace_back(w, at);
            }
            EXPECT_TRUE(dlg.DownmixSel->isVisible());
            EXPECT_TRUE(dlg.ReplayGainCheck->isVisible());
            dlg.hide();
        }
    }
}

TEST_F(SettingsDialog, ConstantRatesTheSampleRateCannotCarryAreGreyedOut) {
    TsettingsFrm dlg;
    auto* items = qobject_cast<QStandardItemModel*>(dlg.bitRateSel->model());
    ASSERT_NE(items, nullptr);
    auto greyed = [&] {
        QStringList off;
        for (int i = 0; i < dlg.bitRateSel->count(); ++i)
            if (!items->item(i)->isEnabled())
                off << dlg.bitRateSel->itemText(i);
        return off;
    };
    // A rate stored by an older version: shown as the nearest one the file can have.
    TAppSettings stored;
    stored.AudioBitrate = 144;
    dlg.FillMp3Page(stored);
    const QStringList small{"8 kbps", "16 kbps", "24 kbps", "144 kbps"};
    EXPECT_EQ(greyed(), small);
    EXPECT_EQ(dlg.bitRateSel->currentText(), QStringLiteral("128 kbps"));
    EXPECT_TRUE(dlg.bitRateSel->toolTip().contains(
        QStringLiteral("44100 Hz can have a constant bit rate of 32, 40, 48")))
        << dlg.bitRateSel->toolTip().toStdString();
    for (const char* rate : {"32000 Hz", "48000 Hz"}) {
        dlg.samplerateSel->setCurrentIndex(dlg.samplerateSel->findText(QLatin1String(rate)));
        EXPECT_EQ(greyed(), small);
        EXPECT_TRUE(dlg.bitRateSel->toolTip().contains(QLatin1String(rate)));
    }
    TAppSettings out;
    dlg.ReadMp3Page(out);
    EXPECT_EQ(out.AudioBitrate, 128);
}

TEST_F(SettingsDialog, OkAnswersOneCancelAndCloseTwoAndMp3ModeNeverTouchesHistory) {
    TsettingsFrm dlg;
    dlg.FillMp3Page(TAppSettings{});
    dlg.albumEdit->setEditText(QStringLiteral("typed on the other page"));
    Later([&] { dlg.skinButton2->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    Later([&] { dlg.skinButton1->click(); });
    EXPECT_EQ(dlg.exec(), 2);
    Later([&] { dlg.close(); });
    EXPECT_EQ(dlg.exec(), 2);
    EXPECT_FALSE(QFile::exists(History("album.lst")));
}

TEST_F(SettingsDialog, HistoryIsSortedWithoutRegardToCaseAndNewEntriesTakeTheirPlace) {
    WriteFile(History("album.lst"), "b\r\nA\r\nc\r\n");
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Album = QStringLiteral("d");
    OpenTagPage(dlg, tag);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ID3 Tag Editor"));
    EXPECT_EQ(ItemsOf(dlg.albumEdit), QStringList({"A", "b", "c"}));
    EXPECT_EQ(dlg.albumEdit->currentText(), QStringLiteral("d")); // loading keeps the text
    Later([&] { dlg.skinButton2->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_EQ(ReadFile(History("album.lst")), QByteArray("A\r\nb\r\nc\r\nd\r\n"));

    // A new entry between others, differing only in case from one of them.
    dlg.albumEdit->setEditText(QStringLiteral("B"));
    dlg.skinButton2Click();
    EXPECT_EQ(ItemsOf(dlg.albumEdit), QStringList({"A", "b", "c", "d"})); // "B" is listed
    dlg.albumEdit->setEditText(QStringLiteral("bb"));
    dlg.skinButton2Click();
    EXPECT_EQ(ReadFile(History("album.lst")), QByteArray("A\r\nb\r\nbb\r\nc\r\nd\r\n"));
}

TEST_F(SettingsDialog, FilesAreWrittenOnlyWhenTheirListChanged) {
    // Unsorted on disk: a rewrite would come out sorted, so an untouched file stays as is.
    WriteFile(History("album.lst"), "best of\r\nAlpha\r\n");
    WriteFile(History("Copyright.lst"), "z\r\ny\r\n");
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Album = QStringLiteral("Best Of"); // listed as "best of"
    tag.Artist = QStringLiteral("New Artist");
    tag.Year = QStringLiteral("1999");
    tag.Title = QStringLiteral("never remembered");
    tag.Genre = QStringLiteral("My Own Genre");
    OpenTagPage(dlg, tag);
    Later([&] { dlg.skinButton2->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_EQ(ReadFile(History("album.lst")), QByteArray("best of\r\nAlpha\r\n"));
    EXPECT_EQ(ReadFile(History("Copyright.lst")), QByteArray("z\r\ny\r\n"));
    EXPECT_EQ(ReadFile(History("author.lst")), QByteArray("New Artist\r\n"));
    EXPECT_EQ(ReadFile(History("Year.lst")), QByteArray("1999\r\n"));
    EXPECT_TRUE(Reports.Errors.empty()); // missing files were empty lists
}

TEST_F(SettingsDialog, EmptyFieldsWriteNothingAndBlanksAreKeptUnchanged) {
    TsettingsFrm dlg;
    OpenTagPage(dlg);
    Later([&] { dlg.skinButton2->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    for (const char* name : {"album.lst", "author.lst", "Year.lst", "Copyright.lst"})
        EXPECT_FALSE(QFile::exists(History(name))) << name;

    dlg.albumEdit->setEditText(QStringLiteral("   "));
    Later([&] { dlg.skinButton2->click(); });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_EQ(ReadFile(History("album.lst")), QByteArray("   \r\n"));
}

TEST_F(SettingsDialog, ActivationReloadsTheListsAndKeepsTheTexts) {
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Artist = QStringLiteral("typed");
    OpenTagPage(dlg, tag);
    EXPECT_EQ(dlg.authorEdit->count(), 0);
    WriteFile(History("author.lst"), "Zed\r\nann\r\n");
    dlg.FormActivate(); // back from another window
    EXPECT_EQ(ItemsOf(dlg.authorEdit), QStringList({"ann", "Zed"}));
    EXPECT_EQ(dlg.authorEdit->currentText(), QStringLiteral("typed"));
    TCurrentTag out;
    dlg.ReadTagPage(out);
    EXPECT_EQ(out.Artist, QStringLiteral("typed"));

    // In MP3 mode activation loads nothing.
    dlg.FillMp3Page(TAppSettings{});
    WriteFile(History("author.lst"), "other\r\n");
    dlg.FormActivate();
    EXPECT_EQ(ItemsOf(dlg.authorEdit), QStringList({"ann", "Zed"}));
}

TEST_F(SettingsDialog, UnwritableHistoryFileKeepsTheDialogOpenAndLosesNothing) {
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Album = QStringLiteral("New Album");
    tag.Artist = QStringLiteral("New Artist");
    tag.Year = QStringLiteral("2001");
    dlg.FillTagPage(tag);
    bool openAfterFailure = false, listedAfterFailure = false;
    Later([&] {
        dlg.FormActivate();                   // no lists yet: all empty, nothing reported
        QDir().mkpath(History("author.lst")); // a folder where the file should go
        dlg.skinButton2->click();
        openAfterFailure = dlg.isVisible();
        listedAfterFailure = ItemsOf(dlg.authorEdit).contains(QStringLiteral("New Artist"));
        // The user makes room and presses OK again: the list that could not be saved is
        // saved now, and the dialog goes on with the fields after it and closes.
        QDir(History("author.lst")).removeRecursively();
        dlg.skinButton2->click();
    });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_TRUE(openAfterFailure);
    ASSERT_EQ(Reports.Errors.size(), 1u);
    EXPECT_TRUE(Reports.Errors[0].contains(History("author.lst")))
        << Reports.Errors[0].toStdString();
    EXPECT_EQ(ReadFile(History("album.lst")), QByteArray("New Album\r\n"));
    EXPECT_TRUE(listedAfterFailure);
    EXPECT_EQ(dlg.authorEdit->currentText(), QStringLiteral("New Artist"));
    EXPECT_EQ(ReadFile(History("author.lst")), QByteArray("New Artist\r\n"));
    EXPECT_EQ(ReadFile(History("Year.lst")), QByteArray("2001\r\n"));
    TCurrentTag out;
    dlg.ReadTagPage(out);
    EXPECT_EQ(out.Artist, QStringLiteral("New Artist"));
}

TEST_F(SettingsDialog, AHistoryListThatCouldNotBeReadIsNeverWrittenOver) {
    WriteFile(History("album.lst"), "kept album\r\n");
    QDir().mkpath(History("author.lst")); // cannot be read as a list, not even by root
    WriteFile(History("Year.lst"), "1970\r\n");
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Artist = QStringLiteral("New Artist");
    tag.Year = QStringLiteral("2001");
    OpenTagPage(dlg, tag);
    dlg.FormActivate();
    // Reported once per showing, naming the file; the other lists load all the same.
    ASSERT_EQ(Reports.Errors.size(), 1u);
    EXPECT_TRUE(Reports.Errors[0].contains(History("author.lst")))
        << Reports.Errors[0].toStdString();
    EXPECT_EQ(ItemsOf(dlg.albumEdit), QStringList({"kept album"}));
    EXPECT_EQ(ItemsOf(dlg.YearEdit), QStringList({"1970"}));
    EXPECT_EQ(dlg.authorEdit->count(), 0);

    // The file is back (a network home that was away): OK keeps the typed artist for the
    // tag but does not write the list it never read over the file.
    QDir(History("author.lst")).removeRecursively();
    WriteFile(History("author.lst"), "Old Artist\r\nOther\r\n");
    dlg.skinButton2->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(ReadFile(History("author.lst")), QByteArray("Old Artist\r\nOther\r\n"));
    EXPECT_EQ(ReadFile(History("Year.lst")), QByteArray("1970\r\n2001\r\n"));
    TCurrentTag out;
    dlg.ReadTagPage(out);
    EXPECT_EQ(out.Artist, QStringLiteral("New Artist"));
    EXPECT_EQ(Reports.Errors.size(), 1u);

    // Read again at the next activation, the list is the file's and is saved as usual.
    dlg.FillTagPage(tag);
    dlg.FormActivate();
    dlg.skinButton2->click();
    EXPECT_EQ(ReadFile(History("author.lst")), QByteArray("New Artist\r\nOld Artist\r\nOther\r\n"));
}

TEST_F(SettingsDialog, TagTextsAreCutTo255Characters) {
    TsettingsFrm dlg;
    TCurrentTag tag;
    tag.Title = QString(300, u'x');
    tag.Comment = QString(256, u'c');
    // Characters beyond 16 bits are two UTF-16 units: the cut keeps or drops them whole.
    const QString note = QStringLiteral("\U0001F3B5");
    tag.Artist = QString(254, u'a') + note + QStringLiteral("tail");
    tag.Album = note.repeated(300);
    dlg.FillTagPage(tag);
    TCurrentTag out;
    dlg.ReadTagPage(out);
    EXPECT_EQ(out.Title.size(), 255);
    EXPECT_EQ(out.Comment.size(), 255);
    EXPECT_EQ(out.Artist, QString(254, u'a') + note);
    EXPECT_EQ(out.Album, note.repeated(255));
}

// The tag page's cover: none at first, a PNG taken as a JPEG of its size and handed back
// with the tag, cleared again; a file that is no picture is refused with a message and the
// cover stays as it was.
TEST_F(SettingsDialog, TagPageCoverFromAFileClearedAndRefused) {
    TsettingsFrm dlg;
    OpenTagPage(dlg);
    EXPECT_EQ(dlg.coverView->text(), QStringLiteral("None"));
    EXPECT_FALSE(dlg.coverClearBtn->isEnabled());

    const QString dir = FreshDir(QStringLiteral("coverpage"));
    QImage picture(120, 90, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    ASSERT_TRUE(picture.save(dir + "/art.png", "PNG"));
    ASSERT_TRUE(dlg.SetCoverFile(dir + "/art.png"));
    TCurrentTag tag;
    dlg.ReadTagPage(tag);
    const QImage cover = QImage::fromData(tag.Cover, "JPG");
    ASSERT_FALSE(cover.isNull()) << "the cover is no JPEG";
    EXPECT_EQ(cover.size(), QSize(120, 90));
    EXPECT_TRUE(dlg.coverClearBtn->isEnabled());

    QStringList shown;
    SetMessageBoxHook([&](int, const QString& text, const QString&, const QString&) {
        shown << text;
        return 1;
    });
    ASSERT_TRUE(WriteFile(dir + "/notes.png", "not a picture"));
    EXPECT_FALSE(dlg.SetCoverFile(dir + "/notes.png"));
    SetMessageBoxHook({});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("is not a JPEG or PNG picture")))
        << shown[0].toStdString();
    TCurrentTag kept;
    dlg.ReadTagPage(kept);
    EXPECT_EQ(kept.Cover, tag.Cover);

    dlg.ClearCover();
    TCurrentTag cleared;
    cleared.Cover = "x";
    dlg.ReadTagPage(cleared);
    EXPECT_TRUE(cleared.Cover.isEmpty());
    // A tag that comes with a cover shows it.
    OpenTagPage(dlg, tag);
    EXPECT_TRUE(dlg.coverView->text().isEmpty());
    EXPECT_TRUE(dlg.coverClearBtn->isEnabled());
}
