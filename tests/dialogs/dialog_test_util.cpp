#include "dialog_test_util.h"

#include "desktop/shell.h"
#include "ui/dialogs/reports.h"

TUrlRecorder::TUrlRecorder() {
    shell::SetOpenUrlHook([this](const QUrl& url) {
        Urls.push_back(url);
        return true;
    });
}

TUrlRecorder::~TUrlRecorder() {
    shell::SetOpenUrlHook({});
}

TReportRecorder::TReportRecorder() {
    SetShowMessageHook([this](const QString& text) { Messages.push_back(text); });
    SetReportExceptionHook([this](const QString& text) { Errors.push_back(text); });
}

TReportRecorder::~TReportRecorder() {
    SetShowMessageHook({});
    SetReportExceptionHook({});
}
