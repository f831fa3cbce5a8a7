// Screenshots of every dialog and of the skin's widgets, for looking at the program's
// look without clicking through it: bench_gallery OUTDIR (run by tools/gallery.sh under
// xvfb-run). Prints the files it wrote.
#include "app/globals.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/dialogs/tips_frm.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_pictures.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/track_bar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>

#include <cstdio>

static QString gOut;

static void Shot(QWidget& w, const QString& name) {
    w.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString path = gOut + u'/' + name + QStringLiteral(".png");
    w.grab().save(path);
    std::printf("%s\n", qPrintable(path));
    w.hide();
}

static void WriteLines(const QString& path, const QStringList& lines) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        for (const QString& l : lines)
            f.write((l + QStringLiteral("\r\n")).toUtf8());
}

static void MessageShots() {
    TmsgFrm& box = MessageBoxForm();
    struct {
        int icon;
        const char *text, *left, *right, *name;
    } shots[] = {
        {1,
         "The source file can NOT be opened. Normally you need only install the needed codecs "
         "to solve the problem. Click the Help button to get more helps.",
         "&Close", "&Help", "msg_source_failed"},
        {2, "The file exists.\nDo you want to overwrite the old file?", "&Yes", "&No",
         "msg_overwrite"},
        {0, "The encoder library libmp3lame.so.0 could not be loaded.", "&OK", "&Close",
         "msg_error"},
        {3,
         "A very long warning text that goes on and on, to show that the box keeps its size "
         "and cuts the text at the lower edge of its text area instead of growing. It keeps "
         "going for a while longer so that the cut really happens somewhere down here, past "
         "the fifth or sixth line of the text.",
         "&Yes", "&No", "msg_cut"},
    };
    for (const auto& s : shots) {
        box.setIconIndex(s.icon);
        box.msgLabel->setText(QString::fromUtf8(s.text));
        box.okBtn->setText(QString::fromUtf8(s.left));
        box.helpBtn->setText(QString::fromUtf8(s.right));
        Shot(box, QString::fromUtf8(s.name));
    }
}

static void SkinShot() {
    QWidget w;
    w.setFixedSize(568, 300);
    w.setStyleSheet(QStringLiteral("QWidget#skinGallery { background: #F4F6FB; }"));
    w.setObjectName(QStringLiteral("skinGallery"));

    auto* video = new TSkinPanel(&w);
    video->setColor(SkinMainColor());
    video->setGeometry(16, 12, 250, 120);
    auto* timePanel = new TSkinPanel(&w);
    timePanel->setColor(Qt::black);
    timePanel->setGeometry(16, 132, 250, 20);
    auto* timeLabel = new QLabel(QStringLiteral("0:01:23.4"), timePanel);
    timeLabel->setStyleSheet(QStringLiteral("color: white;"));
    timeLabel->move(6, 2);
    auto* total = new QLabel(QStringLiteral("0:03:54.0"), timePanel);
    total->setStyleSheet(QStringLiteral("color: white;"));
    total->move(180, 2);

    auto* track = new TTrackBar(&w);
    track->setGeometry(16, 156, 250, track->sizeHint().height());
    track->setMaximum(234000);
    track->setPosition(83400);
    const int startMs = 40000, endMs = 180000;
    track->setOnCustomDraw(
        [&](TTrackBar&, TTrackBarItem item, const QRect& r, QPainter& p, bool& def) {
            if (item != tbiChannel) {
                def = true;
                return;
            }
            // The main window's channel: white, the range in blue, a sunken edge.
            p.fillRect(r, Qt::white);
            const int x1 = r.left() + r.width() * startMs / 234000;
            const int x2 = r.left() + r.width() * endMs / 234000;
            p.fillRect(QRect(x1, r.top(), x2 - x1, r.height()), QColor(0, 0, 255));
            p.setPen(QColor(128, 128, 128));
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(Qt::white);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        });
    auto* startMarker = new TImage(QStringLiteral("marker_start"), &w);
    auto* endMarker = new TImage(QStringLiteral("marker_end"), &w);
    const QRect ch = track->channelRect();
    startMarker->move(16 + ch.left() + ch.width() * startMs / 234000, track->geometry().bottom());
    endMarker->move(16 + ch.left() + ch.width() * endMs / 234000 - 9, track->geometry().bottom());

    const char* transport[][2] = {{"play", "Play"},
                                  {"pause", "Pause"},
                                  {"begin", "to the Begin"},
                                  {"end", "to the End"},
                                  {"open", "Open File"}};
    int x = 16;
    for (const auto& t : transport) {
        auto* b = new TImageButton(QString::fromUtf8(t[0]), QString::fromUtf8(t[1]), &w);
        b->setGeometry(x, 196, 28, 28);
        if (QString::fromUtf8(t[0]) == QStringLiteral("pause"))
            b->setEnabled(false);
        x += 34;
    }

    auto* source = new QLineEdit(QStringLiteral("/home/ann/Videos/VTS_01_1.VOB"), &w);
    source->setReadOnly(true);
    source->setGeometry(16, 236, 222, 24);
    auto* dots = new TSpeedButton(QStringLiteral("..."), QString(), &w);
    dots->setGeometry(240, 236, 26, 24);

    auto* progress = new TCaptionProgressBar(&w);
    progress->setGeometry(16, 268, 250, 22);
    progress->setRange(0, 100);
    progress->setValue(42);
    progress->setCaption(QStringLiteral("42 % \u00B7 3.1\u00D7 \u00B7 0:12 left"));

    auto* group = new QGroupBox(QStringLiteral("Output MP3 Information"), &w);
    group->setGeometry(284, 8, 272, 250);
    const char* rows[] = {"Output File:", "Settings:", "ID3 Tag:", "Duration:", "File Size:"};
    int y = 24;
    for (const char* r : rows) {
        auto* row = new TSkinPanel(group);
        row->setGeometry(8, y, 256, 40);
        if (y == 24 + 44)
            row->setColor(SkinRowHighlight());
        auto* cap = new QLabel(QString::fromUtf8(r), row);
        cap->setGeometry(4, 4, 72, 16);
        cap->setAlignment(Qt::AlignRight);
        y += 44;
    }
    auto* link = new TLinkLabel(QStringLiteral("Change Settings..."), group);
    link->move(170, 24 + 44 + 22);
    auto* edit = new TLinkLabel(QStringLiteral("Edit ID3..."), group);
    edit->move(190, 24 + 88 + 22);
    auto* startEdit = new QLineEdit(QStringLiteral("0:00:40.0"), group);
    startEdit->setGeometry(90, 24 + 132 + 18, 70, 20);
    auto* up = new TImageButton(QStringLiteral("up"), QStringLiteral("later"), group);
    auto* down = new TImageButton(QStringLiteral("down"), QStringLiteral("earlier"), group);
    up->setGeometry(161, 24 + 132 + 18, 13, 9);
    down->setGeometry(161, 24 + 132 + 28, 13, 9);
    Shot(w, QStringLiteral("skin_widgets"));
}

static void PictureShot() {
    QWidget w;
    w.setFixedSize(420, 150);
    w.setAutoFillBackground(true);
    auto* box = new QHBoxLayout(&w);
    for (int size : {16, 32, 48, 64, 128}) {
        auto* l = new QLabel(&w);
        l->setPixmap(SkinIcon(QStringLiteral("sonavel")).pixmap(QSize(size, size)));
        box->addWidget(l);
    }
    Shot(w, QStringLiteral("program_icon"));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOut);
    ProgramDir =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin")) + u'/';
    SetProgramConstants();
    ApplySkin(app);

    QTemporaryDir history;
    qputenv("SONAVEL_DATA_DIR", history.path().toUtf8());
    WriteLines(history.path() + QStringLiteral("/album.lst"),
               {QStringLiteral("Live at the Roxy"), QStringLiteral("best of"),
                QStringLiteral("Blue Train")});
    WriteLines(history.path() + QStringLiteral("/author.lst"),
               {QStringLiteral("Miles Davis"), QStringLiteral("ann lee")});

    MessageShots();

    TipsIndex = 2;
    TTipsFrm tips;
    Shot(tips, QStringLiteral("tips"));

    TaboutFrm about;
    Shot(about, QStringLiteral("about"));

    TsettingsFrm settings;
    TAppSettings s;
    settings.FillMp3Page(s);
    Shot(settings, QStringLiteral("settings_mp3_cbr"));
    s.AudioVBR = true;
    settings.FillMp3Page(s);
    Shot(settings, QStringLiteral("settings_mp3_vbr"));
    TCurrentTag tag;
    tag.Title = QStringLiteral("So What");
    tag.Artist = QStringLiteral("Miles Davis");
    tag.Album = QStringLiteral("Kind of Blue");
    tag.Year = QStringLiteral("1959");
    tag.Genre = QStringLiteral("Jazz");
    tag.Comment = QStringLiteral("Ripped with Sonavel");
    settings.FillTagPage(tag);
    settings.FormActivate();
    Shot(settings, QStringLiteral("settings_id3"));

    SkinShot();
    PictureShot();
    return 0;
}
