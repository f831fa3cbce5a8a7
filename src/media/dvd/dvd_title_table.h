#pragma once

// Turns libdvdread's parsed IFO tables into TDvdTitle values: cells in the order the
// title plays them, chapters, audio streams with languages. Every index the tables give
// is checked against what they hold, so damaged tables yield a fault, never a bad read.
// Any thread.

#include "media/dvd/dvd_title.h"

#include <QString>

#include <dvdread/ifo_types.h>

// Title `number` (1-based, an entry of the VMG's title table) from the VMG and the IFO of
// its title set (null when that IFO could not be read), playing camera angle `angle` of
// its angle blocks. Answers the fault in words, or an empty text when the title can be
// played.
QString BuildDvdTitle(const ifo_handle_t& vmg, int number, const ifo_handle_t* vts,
                      TDvdTitle& title, int angle = 1);

// The ISO 639-2 code for a DVD's two-letter language code ("fr" -> "fra"); the code as it
// is when it is not a known one; empty for anything but two letters.
QString DvdLanguageCode(char first, char second);

// Length in 90 kHz ticks of a DVD playback time (BCD hours, minutes, seconds, frames and
// the frame rate in the top bits of the frames byte); -1 when it is no valid time. An NTSC
// time counts frames (30 to its second), each 3003 ticks long.
int64_t DvdTimeTicks(uint8_t hour, uint8_t minute, uint8_t second, uint8_t frames);
