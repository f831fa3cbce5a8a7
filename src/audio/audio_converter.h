#pragma once

#include "audio/audio_input.h"

#include <QMetaObject>

#include <atomic>

// An input that reads another input (no concrete converter exists yet; the output's
// error path knows the class so that it can release a chain of locks).
// Threads: Input is assigned on the main thread; the worker of the output at the end of
// the chain reads through it while it holds InputLock.
class TAudioConverter : public TAudioInput {
    Q_OBJECT
public:
    explicit TAudioConverter(QObject* AOwner = nullptr);
    ~TAudioConverter() override;

    TAudioInput* Input() const { return FInput; }
    // Ignores an attempt to make the converter its own input. While the converter is busy
    // the new input is prepared with BeginRead, exchanged under InputLock and the old one
    // ended with EndRead.
    virtual void SetInput(TAudioInput* Value);

    // Clears InputLock here and down a chain of converters.
    void UnlockInput();

    // Set while Input is being read or exchanged (test and set as one atomic action).
    std::atomic_flag InputLock;

private:
    void InputDestroyed(QObject* Dying);

    TAudioInput* FInput = nullptr;
    QMetaObject::Connection FInputWatch;
};
