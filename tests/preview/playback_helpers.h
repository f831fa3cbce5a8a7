#pragma once

// Small helpers shared by the playback tests: waiting with the event loop running, the
// graph's millisecond, the frame index a picture shows, and a throw-away copy of a file
// cut or spoiled in a given way.

#include "base/media_time.h"
#include "mediagraph/media_types.h"
#include "mediagraph/video_renderer_widget.h"
#include "support/fixture_signal.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <QImage>

#include <functional>

// The graph counts media time.
inline constexpr media::REFERENCE_TIME kMs = TMediaTime::kUnitsPerMs;

// The frame index the fixture drew into the picture shown (-1 when unreadable).
inline int ShownIndex(media::TVideoRendererWidget* w) {
    const QImage luma = w->Frame().convertToFormat(QImage::Format_Grayscale8);
    return fixture_signal::DecodeFrameIndex(luma.constBits(), static_cast<int>(luma.bytesPerLine()),
                                            luma.width(), luma.height());
}

// Runs the event loop until pred() holds or ms pass; returns pred()'s last value.
inline bool WaitUntil(const std::function<bool()>& pred, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for ms.
inline void Pump(int ms) {
    WaitUntil([] { return false; }, ms);
}
