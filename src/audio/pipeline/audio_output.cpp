#include "audio/pipeline/audio_output.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_input.h"
#include "audio/pipeline/event_carrier.h"
#include "audio/pipeline/output_thread.h"

#include <QCoreApplication>

#include <thread>

TAudioOutput::TInputLockGuard::TInputLockGuard(std::atomic_flag& Lock) : FLock(Lock) {
    while (FLock.test_and_set(std::memory_order_acquire))
        std::this_thread::yield();
}

TAudioOutput::TInputLockGuard::~TInputLockGuard() {
    FLock.clear(std::memory_order_release);
}

TAudioOutput::TAudioOutput(QObject* AOwner) : QObject(AOwner) {
    Thread = std::make_unique<TOutputThread>(this);
    Thread->ExceptionHandler = [this](const std::exception& e) { HandleThreadException(e); };
    Thread->Start();
}

TAudioOutput::~TAudioOutput() {
    StopWorker();
    disconnect(FInputWatch);
}

void TAudioOutput::StopWorker() {
    if (!Thread)
        return;
    if (TAudioInput* input = FInput; input && FBusy)
        input->Interrupt(); // a long read (a seek) must not hold the destruction
    if (FBusy)
        InterruptRun();
    Thread->Stop();
}

bool TAudioOutput::Stopping() const {
    return Thread && Thread->StopRequest;
}

bool TAudioOutput::SuspendWhenIdle() const {
    return Thread->SuspendWhenIdle;
}

void TAudioOutput::SetSuspendWhenIdle(bool Value) {
    Thread->SuspendWhenIdle = Value;
}

void TAudioOutput::WatchInput() {
    disconnect(FInputWatch);
    if (TAudioInput* input = FInput)
        FInputWatch = connect(
            input, &QObject::destroyed, this, [this](QObject* dying) { InputDestroyed(dying); },
            Qt::DirectConnection);
}

void TAudioOutput::SetInput(TAudioInput* Value) {
    TAudioInput* old = FInput;
    if (Value == old)
        return;
    if (!FBusy) {
        FInput = Value;
        WatchInput();
        return;
    }
    int channels = 0, bits = 0;
    if (Value) {
        channels = Value->GetChannels();
        bits = Value->GetBitsPerSample();
        Value->BeginRead();
    }
    {
        TInputLockGuard lock(InputLock);
        FInput = Value;
        FInputChannels = channels;
        FInputBits = bits;
    }
    WatchInput();
    if (old)
        old->EndRead();
}

void TAudioOutput::InputDestroyed(QObject* Dying) {
    if (Dying != FInput)
        return;
    // The input is half destroyed already: only forget it, never call into it.
    {
        TInputLockGuard lock(InputLock);
        FInput = nullptr;
    }
    disconnect(FInputWatch);
}

void TAudioOutput::NoteInputFormat() {
    TAudioInput* input = FInput;
    FInputChannels = input ? input->GetChannels() : 0;
    FInputBits = input ? input->GetBitsPerSample() : 0;
}

void TAudioOutput::Run() {
    if (FBusy)
        throw EAudioException(QCoreApplication::translate("AudioPipeline", "Component is Busy"));
    if (!FInput)
        throw EAudioException(
            QCoreApplication::translate("AudioPipeline", "Input is not assigned"));
    InputLock.clear();
    ++FRunNumber;
    try {
        FRunAborted = false;
        PrepareRun();
        FBusy = true;
        Thread->AbortRequest = false;
        CanOutput = true;
        Thread->Resume();
    } catch (const std::exception& e) {
        HandleThreadException(e);
    } catch (...) {
        HandleThreadException(EAudioException(
            QCoreApplication::translate("AudioPipeline", "Unknown error in the audio output")));
    }
}

void TAudioOutput::Abort() {
    if (!FBusy)
        return;
    Thread->AbortRequest = true;
    if (TAudioInput* input = FInput)
        input->Interrupt();
    InterruptRun();
}

TOutputStatus TAudioOutput::GetStatus() const {
    if (!FBusy)
        return tosIdle;
    return Thread->Parked() ? tosPaused : tosRunning;
}

void TAudioOutput::CompleteRun() {
    if (!FBusy)
        return;
    CanOutput = false;
    FinishRun();
    FBusy = false;
}

void TAudioOutput::HandleThreadException(const std::exception& E) {
    InputLock.clear();
    if (GetStatus() != tosIdle) {
        FRunFailed = true;
        try {
            FinishRun();
        } catch (...) {
            // The run has failed already; its first error is the one reported.
        }
        FRunFailed = false;
    }
    // The number is taken while the output is still busy: once it is idle, the main
    // thread may start the next run before this report reaches it.
    const uint64_t run = FRunNumber;
    CanOutput = false;
    FBusy = false;
    TEventCarrier::DeliverFailure(this, run, E);
}
