#pragma once

// Checks the tables of an IFO file that the title list needs, from the file's raw bytes,
// before libdvdread parses them. libdvdread trusts the counts and offsets it finds: a count
// too large for its table sends it reading entries that are not there, and an offset past
// the table's end makes it read, allocate or free what it must not (a single changed byte
// of a program-chain count crashes it). So every count and offset is held against the
// table that holds it and the table against the file. Any thread.

#include <QString>

#include <cstdint>
#include <vector>

namespace dvd {

// Empty when the title table (a VMG, `titleSet` false) or the chapter and program-chain
// tables (a title set's IFO) all lie inside `file` and inside themselves; otherwise what is
// wrong, in words ("its program-chain table ...").
QString IfoTablesFault(const std::vector<uint8_t>& file, bool titleSet);

// Whether a title set's cell address table (where each VOB ID's cells lie) lies inside
// `file` and inside itself. Titles play without it; it only says where a cell's VOB ID
// goes on.
bool CellAddressTableFits(const std::vector<uint8_t>& file);

} // namespace dvd
