#include "audio/audio_converter.h"

#include <thread>

TAudioConverter::TAudioConverter(QObject* AOwner) : TAudioInput(AOwner) {}

TAudioConverter::~TAudioConverter() {
    disconnect(FInputWatch);
}

void TAudioConverter::SetInput(TAudioInput* Value) {
    if (Value == this || Value == FInput)
        return;
    TAudioInput* old = FInput;
    if (Busy && Value)
        Value->BeginRead();
    while (InputLock.test_and_set(std::memory_order_acquire))
        std::this_thread::yield();
    FInput = Value;
    InputLock.clear(std::memory_order_release);
    disconnect(FInputWatch);
    if (Value)
        FInputWatch = connect(Value, &QObject::destroyed, this,
                              [this](QObject* dying) { InputDestroyed(dying); });
    if (Busy && old)
        old->EndRead();
}

void TAudioConverter::InputDestroyed(QObject* Dying) {
    if (Dying != FInput)
        return;
    // The dying input is half destroyed: only forget it, never call into it.
    while (InputLock.test_and_set(std::memory_order_acquire))
        std::this_thread::yield();
    FInput = nullptr;
    InputLock.clear(std::memory_order_release);
    disconnect(FInputWatch);
}

void TAudioConverter::UnlockInput() {
    InputLock.clear(std::memory_order_release);
    if (auto* next = qobject_cast<TAudioConverter*>(FInput))
        next->UnlockInput();
}
