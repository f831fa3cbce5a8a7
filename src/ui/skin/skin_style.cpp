#include "ui/skin/skin_style.h"

#include <QPainter>
#include <QPen>

#include "ui/skin/skin_pictures.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

QString SkinStyleSheet() {
    // Dialog buttons: soft blue gradient rim in the main colour; the default button is
    // filled. Group boxes get a rounded frame with the title on the line.
    return QStringLiteral(R"(
QDialog, QMainWindow { background: #F4F6FB; }
QPushButton {
    min-height: 21px; padding: 1px 6px;
    border: 1px solid #8FA6E8; border-radius: 4px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #E3E9FA);
    color: #1D2A52;
}
QPushButton:hover { border-color: #5F7FED;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #D3DDFA); }
QPushButton:pressed { background: #C5D2F7; }
QPushButton:default { border: 1px solid #5F7FED; }
QPushButton:focus { border: 1px solid #3E5FD0; }
QPushButton:disabled { color: #9AA3B8; border-color: #C9D1E6; background: #F0F2F7; }
QGroupBox {
    border: 1px solid #B9C6EC; border-radius: 5px; margin-top: 9px; padding: 8px 6px 6px 6px;
    background: #FBFCFF;
}
QGroupBox::title {
    subcontrol-origin: margin; left: 9px; padding: 0 3px; color: #2F4FB8; font-weight: bold;
}
QLineEdit, QComboBox {
    min-height: 21px; border: 1px solid #A9B6DA; border-radius: 3px; padding: 0 4px;
    background: #FFFFFF; selection-background-color: #5F7FED;
}
QLineEdit:focus, QComboBox:focus { border-color: #5F7FED; }
QLineEdit[readOnly="true"] { background: #F6F7FA; }
QComboBox::drop-down { width: 18px; border-left: 1px solid #D4DBEE; }
QComboBox::down-arrow { image: url(:/pictures/combo_arrow.svg); width: 9px; height: 6px; }
QComboBox QAbstractItemView { selection-background-color: #5F7FED; }
QProgressBar {
    border: 1px solid #8FA6E8; border-radius: 3px; background: #FFFFFF;
}
QProgressBar::chunk { background: #5F7FED; border-radius: 2px; }
QToolTip { border: 1px solid #5F7FED; background: #FFFFE8; color: #1D2A52; }
)");
}

void ApplySkin(QApplication& app) {
    InitSkinPictures(); // the stylesheet names pictures by resource path
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    QPalette pal = app.style()->standardPalette();
    pal.setColor(QPalette::Window, QColor(0xF4, 0xF6, 0xFB));
    pal.setColor(QPalette::Highlight, SkinMainColor());
    pal.setColor(QPalette::Link, SkinLinkColor());
    app.setPalette(pal);
    app.setStyleSheet(SkinStyleSheet());
    app.setWindowIcon(SkinIcon(QStringLiteral("sonavel")));
}

void PaintFocusFrame(QPainter& p, const QRect& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1D, 0x2A, 0x52), 1, Qt::DotLine));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}
