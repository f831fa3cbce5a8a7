#pragma once

// What a call that can fail gives back: its value, or the reason it has none, in words for
// the user (one line, translated where it is made). It takes the place of an empty text
// meaning success and of an out parameter beside a reason:
//
//   TResult<TDvdChoice> dvd = OpenSource(in);
//   if (!dvd)
//       return Fail(dvd.Error());
//   Use(*dvd);
//
// TResult<void> carries no value, only the reason of a failure. Reading the value of a
// failure (or the reason of a success) raises std::bad_variant_access.
// Values; any thread.

#include <QString>

#include <optional>
#include <utility>
#include <variant>

// Why a call failed.
class TError {
public:
    explicit TError(QString message) : FMessage(std::move(message)) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

template <class T> class [[nodiscard]] TResult {
public:
    TResult(T value) : FValue(std::in_place_index<0>, std::move(value)) {}
    TResult(TError error) : FValue(std::in_place_index<1>, std::move(error)) {}

    bool Ok() const { return FValue.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& operator*() & { return std::get<0>(FValue); }
    const T& operator*() const& { return std::get<0>(FValue); }
    T&& operator*() && { return std::get<0>(std::move(FValue)); }
    T* operator->() { return &std::get<0>(FValue); }
    const T* operator->() const { return &std::get<0>(FValue); }

    const QString& Error() const { return std::get<1>(FValue).Message(); }

private:
    std::variant<T, TError> FValue;
};

template <> class [[nodiscard]] TResult<void> {
public:
    TResult() = default;
    TResult(TError error) : FError(std::move(error)) {}

    bool Ok() const { return !FError; }
    explicit operator bool() const { return Ok(); }

    const QString& Error() const {
        if (!FError)
            throw std::bad_variant_access();
        return FError->Message();
    }

private:
    std::optional<TError> FError;
};
