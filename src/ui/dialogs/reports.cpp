#include "ui/dialogs/reports.h"

#include "app/globals.h"
#include "base/exception.h"

#include <QApplication>
#include <QMessageBox>

static TReportHook& MessageHook() {
    static TReportHook hook;
    return hook;
}

static TReportHook& ExceptionHook() {
    static TReportHook hook;
    return hook;
}

static QString ReportTitle() {
    return AppTitle.isEmpty() ? QApplication::applicationName() : AppTitle;
}

void ShowMessage(const QString& text) {
    if (MessageHook())
        return MessageHook()(text);
    QMessageBox::information(QApplication::activeWindow(), ReportTitle(), text);
}

void ReportException(const std::exception& e) {
    const QString text = ExceptionMessage(e);
    if (ExceptionHook())
        return ExceptionHook()(text);
    QMessageBox::critical(QApplication::activeWindow(), ReportTitle(), text);
}

void SetShowMessageHook(TReportHook hook) {
    MessageHook() = std::move(hook);
}

void SetReportExceptionHook(TReportHook hook) {
    ExceptionHook() = std::move(hook);
}
