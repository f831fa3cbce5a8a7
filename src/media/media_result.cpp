#include "media/media_result.h"

#include <QCoreApplication>

extern "C" {
#include <libavutil/error.h>
}

namespace media {

namespace {

struct TResultEntry {
    TMediaResult code;
    const char* text;
};

const TResultEntry kResultTable[] = {
    {MS_S_PENDING, QT_TRANSLATE_NOOP("MediaResult", "The asynchronous update is pending.")},
    {MS_S_NOUPDATE,
     QT_TRANSLATE_NOOP("MediaResult", "Sample was not updated after forced completion.")},
    {MS_S_ENDOFSTREAM,
     QT_TRANSLATE_NOOP("MediaResult", "Reached the end of the stream; the sample wasn't updated.")},
    {E_INVALIDBUFFERSIZE, QT_TRANSLATE_NOOP("MediaResult", "Invalid buffer size.")},
    {E_NOINTERFACE, QT_TRANSLATE_NOOP("MediaResult", "No interface.")},
    {E_POINTER,
     QT_TRANSLATE_NOOP("MediaResult", "This method tried to access an invalid pointer.")},
    {E_ABORT, QT_TRANSLATE_NOOP("MediaResult", "The update aborted.")},
    {CLASS_E_NOAGGREGATION,
     QT_TRANSLATE_NOOP("MediaResult", "This class cannot be created as part of an aggregate.")},
    {REGDB_E_CLASSNOTREG,
     QT_TRANSLATE_NOOP("MediaResult",
                       "A specified class is not registered in the registration database.")},
    {MS_E_SAMPLEALLOC,
     QT_TRANSLATE_NOOP(
         "MediaResult",
         "An IMediaStream object could not be removed from an IMultiMediaStream object because "
         "it still contains at least one allocated sample.")},
    {MS_E_PURPOSEID,
     QT_TRANSLATE_NOOP("MediaResult", "The specified purpose ID can't be used for the call.")},
    {MS_E_NOSTREAM,
     QT_TRANSLATE_NOOP("MediaResult", "No stream can be found with the specified attributes.")},
    {MS_E_NOSEEKING,
     QT_TRANSLATE_NOOP("MediaResult", "One or more media streams don't support seeking.")},
    {MS_E_INCOMPATIBLE, QT_TRANSLATE_NOOP("MediaResult", "The stream formats are not compatible.")},
    {MS_E_BUSY, QT_TRANSLATE_NOOP("MediaResult", "This sample already has a pending update.")},
    {MS_E_NOTINIT,
     QT_TRANSLATE_NOOP("MediaResult",
                       "The object can't accept the call because its initialize function or "
                       "equivalent has not been called.")},
    {MS_E_SOURCEALREADYDEFINED, QT_TRANSLATE_NOOP("MediaResult", "Source already defined.")},
    {MS_E_INVALIDSTREAMTYPE,
     QT_TRANSLATE_NOOP("MediaResult", "The stream type is not valid for this operation.")},
    {MS_E_NOTRUNNING,
     QT_TRANSLATE_NOOP("MediaResult", "The IMultiMediaStream object is not in running state.")},
    {E_INVALIDARG, QT_TRANSLATE_NOOP("MediaResult", "One of the parameters is invalid.")},
    {MS_E_DVD_NOTDVD,
     QT_TRANSLATE_NOOP("MediaResult", "This is not a DVD-Video: there is no VIDEO_TS folder with a "
                                      "VIDEO_TS.IFO file.")},
    {MS_E_DVD_DAMAGED,
     QT_TRANSLATE_NOOP("MediaResult",
                       "The DVD's IFO files are damaged: the title's tables cannot be read.")},
    {MS_E_DVD_SHORT,
     QT_TRANSLATE_NOOP("MediaResult",
                       "The DVD title points past the end of its VOB files: a VTS_nn_k.VOB part "
                       "is missing or cut short.")},
    {MS_E_DVD_ENCRYPTED,
     QT_TRANSLATE_NOOP(
         "MediaResult",
         "The DVD is encrypted (CSS) and cannot be read without libdvdcss. Install libdvdcss2 (on "
         "Debian through the libdvd-pkg package) and open the disc again.")},
    {MS_E_DVD_NOTITLE, QT_TRANSLATE_NOOP("MediaResult", "The DVD has no such title.")},
    {MS_E_DVD_READ, QT_TRANSLATE_NOOP("MediaResult", "A sector of the DVD cannot be read.")},
    {MS_E_SOURCECHANGED,
     QT_TRANSLATE_NOOP("MediaResult", "The file changed while it was being read (it was cut "
                                      "short or written over); nothing made from it is kept.")},
    {MS_E_DVD_NAVIGATION,
     QT_TRANSLATE_NOOP("MediaResult",
                       "The DVD's navigation packs are damaged: a camera angle of the title "
                       "cannot be followed through its interleaved block.")},
};

} // namespace

QString ResultText(TMediaResult code) {
    for (const TResultEntry& entry : kResultTable)
        if (entry.code == code)
            return QCoreApplication::translate("MediaResult", entry.text);
    // av_strerror answers 0 only for codes it knows (its own tags and errno values); for
    // anything else it makes up "Error number N occurred", which tells the user nothing.
    if (code < 0) {
        char buf[AV_ERROR_MAX_STRING_SIZE] = {};
        if (av_strerror(code, buf, sizeof buf) == 0 && buf[0])
            return QString::fromUtf8(buf);
    }
    return QCoreApplication::translate("MediaResult", "Unrecognized error value.");
}

} // namespace media
