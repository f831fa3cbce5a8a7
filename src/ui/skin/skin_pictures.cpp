#include "ui/skin/skin_pictures.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

#include <memory>

// The resource lives in the static library: without a reference the linker would drop it.
void InitSkinPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(sonavel);
        return true;
    }();
    (void)done;
}

static QString PicturePath(const QString& name) {
    return QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
}

static QSvgRenderer* Renderer(const QString& name) {
    InitSkinPictures();
    static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        std::shared_ptr<QSvgRenderer> renderer;
        if (QFile::exists(PicturePath(name)))
            renderer = std::make_shared<QSvgRenderer>(PicturePath(name));
        it = cache.insert(name, renderer && renderer->isValid() ? renderer : nullptr);
    }
    return it->get();
}

bool SkinPictureExists(const QString& name) {
    return Renderer(name) != nullptr;
}

QSize SkinPictureSize(const QString& name) {
    QSvgRenderer* r = Renderer(name);
    return r ? r->defaultSize() : QSize();
}

void PaintSkinPicture(QPainter& painter, const QString& name, const QRectF& target, qreal opacity) {
    QSvgRenderer* r = Renderer(name);
    if (!r || target.isEmpty())
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    r->render(&painter, target);
    painter.restore();
}

QPixmap SkinPixmap(const QString& name, QSize size, qreal devicePixelRatio) {
    QPixmap pm(size * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    PaintSkinPicture(p, name, QRectF(QPointF(0, 0), QSizeF(size)));
    return pm;
}

namespace {
// Renders the SVG at the size and scale each use asks for, so icons never get blurred.
class TSvgIconEngine : public QIconEngine {
public:
    explicit TSvgIconEngine(QString name) : FName(std::move(name)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        PaintSkinPicture(*painter, FName, rect, mode == QIcon::Disabled ? 0.35 : 1.0);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        PaintSkinPicture(p, FName, QRectF(QPointF(0, 0), QSizeF(size)),
                         mode == QIcon::Disabled ? 0.35 : 1.0);
        return pm;
    }
    QIconEngine* clone() const override { return new TSvgIconEngine(FName); }

private:
    QString FName;
};
} // namespace

QIcon SkinIcon(const QString& name) {
    return QIcon(new TSvgIconEngine(name));
}
