#pragma once

// The program's pictures: SVG files compiled into the ":/pictures/" resource,
// painted straight from the vectors so they stay sharp at any screen scale.
// GUI thread only (the renderers are cached without locking).

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// Registers the compiled-in pictures; every function below does it on first use.
void InitSkinPictures();

// True when a picture of that name (file name without ".svg") exists.
bool SkinPictureExists(const QString& name);

// The picture's designed size in device-independent pixels (its SVG width and height).
QSize SkinPictureSize(const QString& name);

// Paints the picture into `target`; a missing picture paints nothing.
void PaintSkinPicture(QPainter& painter, const QString& name, const QRectF& target,
                      qreal opacity = 1.0);

// A pixmap of `size` (device-independent) rendered for the given pixel ratio.
QPixmap SkinPixmap(const QString& name, QSize size, qreal devicePixelRatio = 1.0);

// An icon rendered from the picture at whatever size is asked of it.
QIcon SkinIcon(const QString& name);
