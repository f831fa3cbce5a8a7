#pragma once

// The two program-wide reports that are not the program's own message box: the plain
// notice dialog and the default error report for an exception no handler caught.
// Both are modal; tests install hooks to capture the text instead. GUI thread only.

#include <QString>

#include <exception>
#include <functional>

// The platform's plain message dialog with the text and an OK button.
void ShowMessage(const QString& text);

// The help at `topic` in the user's browser, or a notice saying why it cannot be shown.
void OpenHelp(const QString& topic = QString());

// The application's default error report: the exception's own message in an error box;
// the program goes on running.
void ReportException(const std::exception& e);

// Hooks receive the text that would be shown; an empty function restores the dialogs.
using TReportHook = std::function<void(const QString& text)>;
void SetShowMessageHook(TReportHook hook);
void SetReportExceptionHook(TReportHook hook);
