#pragma once

// Runs widget work on the GUI thread. From the GUI thread the call is direct; from any
// other thread it is posted (PostToGui) or posted and waited for (CallOnGui). CallOnGui
// must not be used by a thread the GUI thread may be waiting for.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <utility>

namespace media {

inline bool OnGuiThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

template <class F> void PostToGui(QObject* context, F&& f) {
    if (OnGuiThread())
        std::forward<F>(f)();
    else
        QMetaObject::invokeMethod(context, std::forward<F>(f), Qt::QueuedConnection);
}

template <class F> void CallOnGui(F&& f) {
    if (OnGuiThread() || !QCoreApplication::instance())
        std::forward<F>(f)();
    else
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<F>(f),
                                  Qt::BlockingQueuedConnection);
}

} // namespace media
