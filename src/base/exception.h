#pragma once

#include <QString>

#include <exception>
#include <string>

// Base of every error the program raises. It carries the message the user sees,
// in the program's own words; subclasses add what their callers need (a code).
class Exception : public std::exception {
public:
    explicit Exception(QString message)
        : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    QString FMessage;
    std::string FUtf8;
};

// The standard conversion error ("'%s' is not a valid integer value").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Input/output failures of the program's own text files ("File not found", ...).
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// Message of any exception, for reports that accept std::exception.
inline QString ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}
