#pragma once

// A scripted stand-in for the platform graph and renderer: records every call in a
// shared log and answers what the test sets. Registered in place of the real classes
// for the life of a ScopedClass.

#include "mediagraph/class_registry.h"
#include "mediagraph/list_enumerator.h"
#include "mediagraph/media_interfaces.h"
#include "mediagraph/media_notify_event.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <deque>
#include <ostream>
#include <tuple>

// Readable failures for lists of calls.
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << "[" << list.join(QStringLiteral(" | ")).toStdString() << "]";
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

struct CallLog {
    QStringList calls;
    void Add(const QString& s) { calls << s; }
    void Clear() { calls.clear(); }
};

class ScopedClass {
public:
    ScopedClass(const QUuid& clsid, media::ClassFactory factory)
        : FClsid(clsid), FPrevious(media::TClassRegistry::Register(clsid, std::move(factory))) {}
    ~ScopedClass() { media::TClassRegistry::Register(FClsid, FPrevious); }

private:
    QUuid FClsid;
    media::ClassFactory FPrevious;
};

class FakePin final : public media::IPin {
public:
    std::weak_ptr<media::IBaseFilter> owner;
    std::shared_ptr<media::IPin> peer;
    CallLog* log = nullptr;
    media::HRESULT ConnectedTo(std::shared_ptr<media::IPin>& pin) override {
        pin = peer;
        return peer ? media::S_OK : media::VFW_E_NOT_CONNECTED;
    }
    media::HRESULT Disconnect() override {
        if (log)
            log->Add(QStringLiteral("Disconnect"));
        const bool was = peer != nullptr;
        peer.reset();
        return was ? media::S_OK : media::S_FALSE;
    }
    media::HRESULT QueryPinInfo(media::PIN_INFO& info) override {
        info.pFilter = owner.lock();
        return media::S_OK;
    }
    media::HRESULT QueryDirection(media::PIN_DIRECTION& dir) override {
        dir = media::PIN_DIRECTION::PINDIR_INPUT;
        return media::S_OK;
    }
};

class FakeFilter : public media::IBaseFilter {
public:
    explicit FakeFilter(CallLog* log = nullptr, QString tag = QStringLiteral("filter"))
        : log(log), tag(tag) {}
    CallLog* log;
    QString tag;
    std::vector<std::shared_ptr<FakePin>> pins;
    std::weak_ptr<media::IFilterGraph> graph;
    QString name;

    media::HRESULT EnumPins(std::shared_ptr<media::IEnumPins>& e) override {
        e = std::make_shared<media::TListEnumerator<media::IPin>>(
            std::vector<std::shared_ptr<media::IPin>>(pins.begin(), pins.end()));
        return media::S_OK;
    }
    media::HRESULT QueryFilterInfo(media::FILTER_INFO& info) override {
        info.achName = name;
        info.pGraph = graph.lock();
        return media::S_OK;
    }
    media::HRESULT GetClassID(QUuid& clsid) override {
        clsid = QUuid();
        return media::S_OK;
    }
    media::HRESULT Stop() override {
        if (log)
            log->Add(tag + QStringLiteral(".Stop"));
        return media::S_OK;
    }
    media::HRESULT Pause() override { return media::S_OK; }
    media::HRESULT Run(media::REFERENCE_TIME) override { return media::S_OK; }
    media::HRESULT GetState(unsigned, media::FILTER_STATE& s) override {
        s = media::FILTER_STATE::State_Stopped;
        return media::S_OK;
    }
    media::HRESULT JoinFilterGraph(const std::shared_ptr<media::IFilterGraph>& g,
                                   const QString& n) override {
        graph = g;
        name = n;
        return media::S_OK;
    }
};

// Gives a fake filter a pin connected to a fresh peer.
inline void AddConnectedPin(const std::shared_ptr<FakeFilter>& f) {
    auto pin = std::make_shared<FakePin>();
    pin->owner = f;
    pin->log = f->log;
    pin->peer = std::make_shared<FakePin>();
    f->pins.push_back(pin);
}

// A renderer with a window: records the IVideoWindow calls and the thread they ran on.
class FakeRenderer final : public FakeFilter, public media::IVideoWindow {
public:
    using FakeFilter::FakeFilter;
    QThread* lastThread = nullptr;
    void Note(const QString& s) {
        lastThread = QThread::currentThread();
        if (log)
            log->Add(s);
    }
    media::HRESULT put_Owner(QWidget* o) override {
        Note(QStringLiteral("put_Owner(%1)").arg(o ? o->objectName() : QStringLiteral("none")));
        return media::S_OK;
    }
    media::HRESULT get_Owner(QWidget*& o) override {
        o = nullptr;
        return media::S_OK;
    }
    media::HRESULT put_WindowStyle(long s) override {
        Note(QStringLiteral("put_WindowStyle(%1)")
                 .arg(static_cast<quint32>(s), 8, 16, QLatin1Char('0')));
        return media::S_OK;
    }
    media::HRESULT get_WindowStyle(long& s) override {
        s = 0;
        return media::S_OK;
    }
    media::HRESULT put_WindowStyleEx(long s) override {
        Note(QStringLiteral("put_WindowStyleEx(%1)")
                 .arg(static_cast<quint32>(s), 8, 16, QLatin1Char('0')));
        return media::S_OK;
    }
    media::HRESULT get_WindowStyleEx(long& s) override {
        s = 0;
        return media::S_OK;
    }
    media::HRESULT SetWindowPosition(long l, long t, long w, long h) override {
        Note(QStringLiteral("SetWindowPosition(%1,%2,%3,%4)").arg(l).arg(t).arg(w).arg(h));
        return media::S_OK;
    }
    media::HRESULT GetWindowPosition(long&, long&, long&, long&) override { return media::S_OK; }
    media::HRESULT put_Caption(const QString& c) override {
        Note(QStringLiteral("put_Caption(%1)").arg(c));
        return media::S_OK;
    }
    media::HRESULT get_Caption(QString&) override { return media::S_OK; }
    media::HRESULT put_MessageDrain(QWidget* d) override {
        Note(QStringLiteral("put_MessageDrain(%1)")
                 .arg(d ? d->objectName() : QStringLiteral("none")));
        return media::S_OK;
    }
    media::HRESULT put_Visible(long v) override {
        Note(QStringLiteral("put_Visible(%1)").arg(v));
        return media::S_OK;
    }
    media::HRESULT get_Visible(long& v) override {
        v = 0;
        return media::S_OK;
    }
};

// The scripted graph.
class FakeGraph final : public media::IFilterGraph2,
                        public media::IMediaControl,
                        public media::IMediaSeeking,
                        public media::IBasicAudio,
                        public media::IMediaEventEx,
                        public media::IObjectWithSite,
                        public std::enable_shared_from_this<FakeGraph> {
public:
    explicit FakeGraph(CallLog* log) : log(log) {}
    CallLog* log;
    media::HRESULT runResult = media::S_OK, pauseResult = media::S_OK, stopResult = media::S_OK;
    media::HRESULT renderResult = media::S_OK;
    std::vector<std::pair<std::shared_ptr<media::IBaseFilter>, QString>> filters;
    std::deque<std::tuple<long, media::LONG_PTR, media::LONG_PTR>> events;
    QPointer<QObject> window;
    int message = 0;
    media::LONG_PTR instance = 0;
    long flags = -1;
    media::IUnknown* site = nullptr;
    double rate = 1;

    // Queues an event and notifies like the platform does.
    void Fire(long code, media::LONG_PTR p1 = 0, media::LONG_PTR p2 = 0) {
        events.emplace_back(code, p1, p2);
        if (window && flags == 0)
            QCoreApplication::postEvent(window, new media::MediaNotifyEvent(message, instance));
    }

    media::HRESULT AddFilter(const std::shared_ptr<media::IBaseFilter>& f,
                             const QString& n) override {
        log->Add(QStringLiteral("AddFilter(%1)").arg(n));
        if (!f)
            return media::E_POINTER;
        filters.emplace_back(f, n);
        f->JoinFilterGraph(shared_from_this(), n);
        return media::S_OK;
    }
    media::HRESULT RemoveFilter(const std::shared_ptr<media::IBaseFilter>& f) override {
        for (auto it = filters.begin(); it != filters.end(); ++it)
            if (it->first == f) {
                log->Add(QStringLiteral("RemoveFilter(%1)").arg(it->second));
                filters.erase(it);
                return media::S_OK;
            }
        log->Add(QStringLiteral("RemoveFilter(?)"));
        return media::VFW_E_NOT_FOUND;
    }
    media::HRESULT EnumFilters(std::shared_ptr<media::IEnumFilters>& e) override {
        std::vector<std::shared_ptr<media::IBaseFilter>> list;
        for (auto& f : filters)
            list.push_back(f.first);
        e = std::make_shared<media::TListEnumerator<media::IBaseFilter>>(list);
        return media::S_OK;
    }
    media::HRESULT FindFilterByName(const QString&, std::shared_ptr<media::IBaseFilter>&) override {
        return media::E_NOTIMPL;
    }
    media::HRESULT RenderFile(const QString& f, const QString&) override {
        log->Add(QStringLiteral("RenderFile(%1)").arg(f));
        return renderResult;
    }
    media::HRESULT SetLogFile(QIODevice* d) override {
        log->Add(QStringLiteral("SetLogFile(%1)")
                     .arg(d ? QStringLiteral("file") : QStringLiteral("none")));
        return media::S_OK;
    }
    media::HRESULT Run() override {
        log->Add(QStringLiteral("Run"));
        return runResult;
    }
    media::HRESULT Pause() override {
        log->Add(QStringLiteral("Pause"));
        return pauseResult;
    }
    media::HRESULT Stop() override {
        log->Add(QStringLiteral("Stop"));
        return stopResult;
    }
    media::HRESULT StopWhenReady() override { return media::S_OK; }
    media::HRESULT GetState(long, media::OAFilterState& s) override {
        s = media::FILTER_STATE::State_Stopped;
        return media::S_OK;
    }
    media::HRESULT IsFormatSupported(const QUuid&) override { return media::S_OK; }
    media::HRESULT SetTimeFormat(const QUuid&) override { return media::S_OK; }
    media::HRESULT GetTimeFormat(QUuid&) override { return media::S_OK; }
    media::HRESULT GetDuration(std::int64_t& d) override {
        d = 0;
        return media::S_OK;
    }
    media::HRESULT GetCurrentPosition(std::int64_t& p) override {
        p = 0;
        return media::S_OK;
    }
    media::HRESULT SetPositions(std::int64_t*, int, std::int64_t*, int) override {
        return media::S_OK;
    }
    media::HRESULT SetRate(double r) override {
        log->Add(QStringLiteral("SetRate(%1)").arg(r));
        rate = r;
        return media::S_OK;
    }
    media::HRESULT GetRate(double& r) override {
        r = rate;
        return media::S_OK;
    }
    media::HRESULT put_Volume(long v) override {
        log->Add(QStringLiteral("put_Volume(%1)").arg(v));
        return media::S_OK;
    }
    media::HRESULT get_Volume(long&) override { return media::S_OK; }
    media::HRESULT put_Balance(long b) override {
        log->Add(QStringLiteral("put_Balance(%1)").arg(b));
        return media::S_OK;
    }
    media::HRESULT get_Balance(long&) override { return media::S_OK; }
    media::HRESULT GetEvent(long& c, media::LONG_PTR& p1, media::LONG_PTR& p2, long) override {
        if (events.empty())
            return media::E_ABORT;
        std::tie(c, p1, p2) = events.front();
        events.pop_front();
        return media::S_OK;
    }
    media::HRESULT FreeEventParams(long c, media::LONG_PTR, media::LONG_PTR) override {
        log->Add(QStringLiteral("FreeEventParams(%1)").arg(c));
        return media::S_OK;
    }
    media::HRESULT SetNotifyWindow(QObject* w, int m, media::LONG_PTR i) override {
        log->Add(QStringLiteral("SetNotifyWindow(%1)").arg(m, 0, 16));
        window = w;
        message = m;
        instance = i;
        return media::S_OK;
    }
    media::HRESULT SetNotifyFlags(long f) override {
        log->Add(QStringLiteral("SetNotifyFlags(%1)").arg(f));
        flags = f;
        return media::S_OK;
    }
    media::HRESULT GetNotifyFlags(long& f) override {
        f = flags;
        return media::S_OK;
    }
    media::HRESULT SetSite(media::IUnknown* s) override {
        site = s;
        return media::S_OK;
    }
};
