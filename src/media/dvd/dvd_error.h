#pragma once

// What went wrong with a DVD, for callers that answer each kind differently (the media
// layer maps them to its result codes, the command line to its messages). The message
// names the file or title concerned. Any thread.

#include "base/exception.h"

enum class TDvdFault {
    dfNotDvd,     // no VIDEO_TS structure (or an image/device that holds none)
    dfDamaged,    // an IFO file (and its backup) cannot be read or makes no sense
    dfShort,      // a title needs sectors its VOB files do not have (a part missing or cut)
    dfEncrypted,  // scrambled sectors and no libdvdcss to descramble them
    dfNoTitle,    // the title (or chapter) asked for does not exist
    dfRead,       // a sector that cannot be read (a scratched disc, an I/O error)
    dfNavigation, // navigation packs that lead nowhere: an angle cannot be followed
};

class EDvdError : public Exception {
public:
    EDvdError(TDvdFault fault, QString message) : Exception(std::move(message)), Fault(fault) {}
    TDvdFault Fault;
};
