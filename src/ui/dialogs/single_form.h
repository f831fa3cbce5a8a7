#pragma once

// The program's dialogs are made once, on first use, and kept until the application object
// ends, when a Qt post routine deletes them (before the widgets' platform goes). GUI thread.

#include <QCoreApplication>

#include <utility>

template <class TForm> TForm& SingleForm() {
    static TForm* form = nullptr;
    if (!form) {
        form = new TForm;
        qAddPostRoutine([] { delete std::exchange(form, nullptr); });
    }
    return *form;
}
