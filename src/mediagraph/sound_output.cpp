#include "mediagraph/sound_output.h"

#include "base/media_time.h"

#include <QAudioSink>
#include <QDateTime>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <cstring>

namespace media {

namespace {

// The pull device the sink reads from; a thin shim onto TSoundOutput::Read.
class TPullDevice final : public QIODevice {
public:
    explicit TPullDevice(TSoundOutput* out) : FOut(out) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 max) override { return FOut->Read(data, max); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    TSoundOutput* FOut;
};

constexpr qint64 kBufferMs = 250;
// After a start or a flush the device fills its buffers; its position means little then.
constexpr qint64 kSettleMs = 700;

} // namespace

TSoundOutput::TSoundOutput(int sampleRate, int channels)
    : FRate(sampleRate), FChannels(channels),
      FBytesPerSecond(static_cast<qint64>(sampleRate) * channels * 2) {}

std::unique_ptr<TSoundOutput> TSoundOutput::Create(int sampleRate, int channels) {
    if (sampleRate <= 0 || channels <= 0)
        return nullptr;
    std::unique_ptr<TSoundOutput> out(new TSoundOutput(sampleRate, channels));
    // Opened on the caller's thread, never through the GUI thread: the graph renders
    // from the opening worker while holding its lock, and the GUI thread may be
    // waiting for that lock.
    if (!out->Open())
        return nullptr;
    return out;
}

bool TSoundOutput::Open() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(FRate);
    format.setChannelCount(FChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;
    FThread = new QThread;
    FThread->setObjectName(QStringLiteral("audio output"));
    FThread->start();
    bool ok = false;
    // Everything of the device lives on its thread, under one context object.
    QObject* context = new QObject;
    context->moveToThread(FThread);
    FContext = context;
    QObject::connect(FThread, &QThread::finished, context, &QObject::deleteLater);
    QMetaObject::invokeMethod(
        context,
        [&, context] {
            FSink = new QAudioSink(device, format, context);
            FSink->setBufferSize(static_cast<qsizetype>(FBytesPerSecond * 100 / 1000));
            auto* pull = new TPullDevice(this);
            pull->setParent(context);
            FSink->start(pull);
            FSink->suspend();
            auto* timer = new QTimer(context);
            QObject::connect(timer, &QTimer::timeout, context, [this] { Tick(); });
            timer->start(20);
            ok = FSink->error() == QAudio::NoError;
        },
        Qt::BlockingQueuedConnection);
    return ok;
}

TSoundOutput::~TSoundOutput() {
    if (!FThread)
        return;
    {
        std::lock_guard lock(FLock);
        FChunks.clear();
        FBuffered = 0;
    }
    FSpace.notify_all();
    QMetaObject::invokeMethod(
        FThread,
        [this] {
            if (FSink)
                FSink->stop();
        },
        Qt::QueuedConnection);
    FThread->quit();
    FThread->wait();
    delete FThread;
}

bool TSoundOutput::Write(const char* data, qint64 bytes, REFERENCE_TIME pts,
                         const std::function<bool()>& stop) {
    std::unique_lock lock(FLock);
    const qint64 limit = FBytesPerSecond * kBufferMs / 1000;
    while (FBuffered > limit) {
        if (stop())
            return false;
        FSpace.wait_for(lock, std::chrono::milliseconds(10));
    }
    if (stop())
        return false;
    FChunks.push_back(Chunk{QByteArray(data, bytes), pts});
    FBuffered += bytes;
    return true;
}

void TSoundOutput::Flush() {
    {
        std::lock_guard lock(FLock);
        FChunks.clear();
        FBuffered = 0;
        FReadPts = -1;
    }
    FHeard = -1;
    FSettleUntil = QDateTime::currentMSecsSinceEpoch() + kSettleMs;
    FSpace.notify_all();
}

void TSoundOutput::SetPlaying(bool playing) {
    if (!FThread)
        return;
    QMetaObject::invokeMethod(
        FContext,
        [this, playing] {
            if (!FSink)
                return;
            FHeard = -1;
            FSettleUntil = QDateTime::currentMSecsSinceEpoch() + kSettleMs;
            if (playing)
                FSink->resume();
            else
                FSink->suspend();
        },
        Qt::QueuedConnection);
}

qint64 TSoundOutput::Read(char* data, qint64 max) {
    qint64 done = 0;
    {
        std::lock_guard lock(FLock);
        while (done < max && !FChunks.empty()) {
            Chunk& c = FChunks.front();
            const qint64 n = std::min(max - done, static_cast<qint64>(c.bytes.size()) - c.offset);
            std::memcpy(data + done, c.bytes.constData() + c.offset, static_cast<size_t>(n));
            c.offset += n;
            done += n;
            FReadPts = c.pts + TMediaTime::FromSample(c.offset, FBytesPerSecond).Units();
            if (c.offset >= c.bytes.size())
                FChunks.pop_front();
        }
        FBuffered -= done;
    }
    FSpace.notify_all();
    // An empty buffer plays silence rather than stalling the device.
    if (done < max) {
        std::memset(data + done, 0, static_cast<size_t>(max - done));
        done = max;
    }
    return done;
}

void TSoundOutput::Tick() {
    if (!FSink || FSink->state() != QAudio::ActiveState ||
        QDateTime::currentMSecsSinceEpoch() < FSettleUntil.load()) {
        FHeard = -1;
        return;
    }
    const qint64 queued = FSink->bufferSize() - FSink->bytesFree();
    std::lock_guard lock(FLock);
    if (FReadPts >= 0)
        FHeard = FReadPts - TMediaTime::FromSample(queued, FBytesPerSecond).Units();
}

} // namespace media
