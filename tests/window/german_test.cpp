// The window started in German: its captions, tips and summary from the catalogue, numbers
// with the decimal comma, times in their own h:mm:ss.t form, and no English text left.
#include "window_fixture.h"

#include "app/track_list.h"
#include "ui/dialogs/tips_frm.h"

#include "app/common.h"
#include "app/translations.h"
#include "ui/skin/link_label.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <set>

namespace {

// The English texts the German catalogue translates differently: none may be on screen.
std::set<QString> EnglishSources() {
    std::set<QString> sources;
    QXmlStreamReader xml(
        ReadFile(QStringLiteral(SONAVEL_TEST_SOURCE_DIR "/translations/sonavel_de.ts")));
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QStringLiteral("source"))
            source = xml.readElementText();
        else if (xml.name() == QStringLiteral("translation") && xml.readElementText() != source)
            sources.insert(source);
    }
    return sources;
}

class GermanWindowTest : public WindowTest {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ASSERT_TRUE(FTranslator.load(QLocale(), QStringLiteral("sonavel"), QStringLiteral("_"),
                                     TranslationsDir()))
            << TranslationsDir().toStdString();
        QCoreApplication::installTranslator(&FTranslator);
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        QCoreApplication::removeTranslator(&FTranslator);
        QLocale::setDefault(QLocale::c());
    }
    QTranslator FTranslator;
};

} // namespace

TEST_F(GermanWindowTest, ShowsGermanTextsLocalNumbersAndKeepsTheTimeForm) {
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rippen!"));
    EXPECT_EQ(Frm->sourceFileLabel->text(), QStringLiteral("Quelldatei:"));
    EXPECT_EQ(Frm->TotalTimeLabel->text(), QStringLiteral("Keine Videodatei  "));
    EXPECT_EQ(Frm->AddRangeBtn->text(), QStringLiteral("Bereich hin&zufügen"));
    // "Titel" is a title only: the list of tracks is "Stücke".
    EXPECT_EQ(Frm->TrackListGroup->title(), QStringLiteral("Stücke"));
    // Chapters' and tracks' default titles become tags and file names: in German too.
    EXPECT_EQ(DefaultTrackTitle(3, true), QStringLiteral("Kapitel 3"));
    EXPECT_EQ(DefaultTrackTitle(12, false), QStringLiteral("Stück 12"));
    // The tips under a German heading are German, every one of them.
    const QString tips = TTipsFrm::LocalTipsFile();
    EXPECT_TRUE(tips.endsWith(QStringLiteral("/tips_de.txt"))) << tips.toStdString();
    EXPECT_EQ(ReadFile(tips).count('\n'), ReadFile(DataDir() + TipsFileName).count('\n'));
    EXPECT_EQ(Frm->CancelBtn->toolTip(), QStringLiteral("Das Rippen anhalten (Esc)"));

    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_TRUE(Frm->IsIdle());
    EXPECT_TRUE(Boxes.empty());
    // "etwa 0,23 MByte": the locale's decimal comma; the times keep their dot.
    const QString size = Frm->FileSizeText->text();
    EXPECT_TRUE(size.startsWith(QStringLiteral("etwa ")) &&
                size.endsWith(QStringLiteral(" MByte")) && size.contains(u',') &&
                !size.contains(u'.'))
        << size.toStdString();
    EXPECT_EQ(Frm->TotalTimeLabel->text(), FormatTimeText(Frm->DurationMs()));
    EXPECT_TRUE(Frm->TotalTimeLabel->text().contains(u'.'));
    EXPECT_TRUE(Frm->MP3SettingsText1->text().endsWith(QStringLiteral("Joint Stereo")));
    EXPECT_EQ(Frm->Id3TagText1->text(), QStringLiteral("Titel: Kein Titel"));

    // Nothing on screen is still in English where German has its own words.
    const std::set<QString> english = EnglishSources();
    ASSERT_GT(english.size(), 150u);
    QStringList left;
    auto check = [&](QWidget* w, const QString& text) {
        if (!text.isEmpty() && english.count(text))
            left << w->metaObject()->className() + QStringLiteral(": ") + text;
    };
    for (QWidget* w : Frm->findChildren<QWidget*>()) {
        check(w, w->toolTip());
        if (auto* l = qobject_cast<QLabel*>(w))
            check(w, l->text());
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            check(w, b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            check(w, g->title());
        else if (auto* t = qobject_cast<QTreeWidget*>(w))
            for (int c = 0; c < t->columnCount(); ++c)
                check(w, t->headerItem()->text(c));
    }
    EXPECT_TRUE(left.isEmpty()) << left.join(u'\n').toStdString();

    // A question of the run, in German with German buttons.
    Frm->outputFileEdit->setText(FreshDir(QStringLiteral("out")) + QStringLiteral("/neu/a.mp3"));
    Answers.push_back(2);
    Frm->ExtractBtnClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(
        Boxes[0].Text.startsWith(QStringLiteral("Der angegebene Ausgabeordner existiert nicht.")))
        << Boxes[0].Text.toStdString();
    EXPECT_EQ(Boxes[0].Left, QStringLiteral("&Ja"));
    EXPECT_EQ(Boxes[0].Right, QStringLiteral("&Nein"));
}

namespace {
// Buttons whose caption is wider than they are, and a range edit too narrow for a time to
// the millisecond.
QStringList CutTexts(TMainFrm& frm) {
    QStringList cut;
    for (QPushButton* b : frm.findChildren<QPushButton*>()) {
        const QString text = QString(b->text()).remove(u'&');
        if (!text.isEmpty() && b->fontMetrics().horizontalAdvance(text) + 8 > b->width())
            cut << text;
    }
    // The summary's captions and one-line values.
    for (QLabel* l : frm.skinPanel1->findChildren<QLabel*>()) {
        if (!l->wordWrap() && l->isVisibleTo(&frm) &&
            QFontMetrics(l->font()).horizontalAdvance(l->text()) > l->width())
            cut << l->text();
    }
    for (QLineEdit* e : {frm.startPointEdit, frm.endPointEdit}) {
        const QMargins m = e->textMargins();
        if (e->fontMetrics().horizontalAdvance(QStringLiteral("0:00:35.661")) + m.left() +
                m.right() + 8 >
            e->width())
            cut << QStringLiteral("range edit");
    }
    return cut;
}
} // namespace

TEST_F(GermanWindowTest, NoCaptionIsCutInGermanNorAtTheSmallestSize) {
    EXPECT_EQ(CutTexts(*Frm).join(u'\n').toStdString(), "");
    // The buttons under the tracks list stay inside it and the list above them; the arrows
    // stand beside it.
    for (QPushButton* b : {Frm->FindSongsBtn, Frm->AddRangeBtn, Frm->RenameTrackBtn,
                           Frm->RemoveTrackBtn, Frm->ClearTracksBtn}) {
        EXPECT_TRUE(Frm->TrackListGroup->rect().contains(b->geometry())) << b->text().toStdString();
        EXPECT_GE(b->y(), Frm->TrackListView->geometry().bottom());
    }
    for (QPushButton* b : {Frm->TrackUpBtn, Frm->TrackDownBtn}) {
        EXPECT_TRUE(Frm->TrackListGroup->rect().contains(b->geometry()));
        EXPECT_GE(b->x(), Frm->TrackListView->geometry().right());
    }
    Frm->showMaximized();
    Pump(100);
    EXPECT_EQ(CutTexts(*Frm).join(u'\n').toStdString(), "");
}

TEST_F(WindowTest, NoCaptionIsCutInEnglish) {
    EXPECT_EQ(CutTexts(*Frm).join(u'\n').toStdString(), "");
}
