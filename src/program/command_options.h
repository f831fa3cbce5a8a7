#pragma once

// The table of the command line's options, which the parser and --help both read, and
// what each option does to the options read so far. Pure functions: no I/O, any thread.

#include "program/command_line.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <vector>

// The options read so far.
struct TParsing {
    TCommandLineOptions Options;
    QString PauseOption; // the last of --min-pause, --pause-db, --min-track given
    bool Done = false;   // --help or --version: nothing after it is read
    QStringList Given;   // the options, as typed
};

// One option: its names, the value it takes (its name in --help; none for a switch), its
// help (lines of the help's text column) and what it does. Which: the index of the name
// given, for a row of several options that differ only in their field.
struct TOption {
    std::vector<const char*> Names;
    const char* Value;
    const char* Help;
    void (*Apply)(TParsing& P, size_t Which, const QString& Name, const QString& Value);
};

// Every option, in the order --help shows them.
const std::vector<TOption>& OptionTable();

// The option called Name and which of its names it is; null when there is none.
const TOption* FindOption(const QString& Name, size_t& Which);

// A text of the table, marked there for translation.
QString OptionText(const char* Text);
