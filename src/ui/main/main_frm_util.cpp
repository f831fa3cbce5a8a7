#include "ui/main/main_frm_util.h"

#include "app/common.h"

#include <QDir>

#include <cerrno>
#include <cstring>

QString FolderPart(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString ChangeFileExt(const QString& path, const QString& ext) {
    const int slash = path.lastIndexOf(u'/');
    const int dot = path.lastIndexOf(u'.');
    return (dot > slash ? path.left(dot) : path) + ext;
}

int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (modifiers & Qt::KeypadModifier) ? 96 + (qtKey - Qt::Key_0) : qtKey;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey;
    switch (qtKey) {
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Backspace:
        return 8;
    default:
        return 0;
    }
}

QString FileExistsText() {
    QString text = QString::fromLocal8Bit(std::strerror(EEXIST));
    while (!text.isEmpty() && (text.back().unicode() <= 32 || text.back() == u'.'))
        text.chop(1);
    return text;
}
