#include "preview/media_util.h"

#include <QHash>

using namespace media;

QString MediaErrorText(HRESULT code) {
    static const QHash<HRESULT, const char*> texts{
        {S_OK, "The operation completed successfully."},
        {S_FALSE, "The operation completed, but not entirely."},
        {E_NOTIMPL, "Not implemented."},
        {E_NOINTERFACE, "No such interface supported."},
        {E_POINTER, "Invalid pointer."},
        {E_ABORT, "Operation aborted."},
        {E_FAIL, "Unspecified error."},
        {E_UNEXPECTED, "Catastrophic failure."},
        {E_OUTOFMEMORY, "Not enough memory is available to complete this operation."},
        {E_INVALIDARG, "The parameter is incorrect."},
        {E_ACCESSDENIED, "Access is denied."},
        {E_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {REGDB_E_CLASSNOTREG, "Class not registered."},
        {VFW_E_NOT_CONNECTED,
         "The operation cannot be performed because the pins are not connected."},
        {VFW_E_NOT_FOUND, "An object or name was not found."},
        {VFW_E_CANNOT_CONNECT,
         "No combination of intermediate filters could be found to make the connection."},
        {VFW_E_CANNOT_RENDER, "No combination of filters could be found to render the stream."},
        {VFW_E_WRONG_STATE,
         "The operation could not be performed because the filter is in the wrong state."},
        {VFW_E_INVALID_FILE_FORMAT, "The file format is invalid."},
        {VFW_E_UNKNOWN_FILE_TYPE, "The media type of this file is not recognized."},
        {VFW_E_UNSUPPORTED_STREAM, "Cannot play back the file. The format is not supported."},
        {VFW_E_NO_AUDIO_HARDWARE, "Cannot play back the audio stream: no audio hardware is "
                                  "available, or the hardware is not supported."},
        {VFW_E_ALREADY_CONNECTED,
         "The operation cannot be performed because the pins are already connected."},
        {VFW_S_STATE_INTERMEDIATE, "The state transition has not completed."},
        {VFW_S_PARTIAL_RENDER, "Some of the streams in this movie are in an unsupported format."},
        {VFW_S_VIDEO_NOT_RENDERED,
         "The video stream cannot be played. The format is not supported."},
        {VFW_S_AUDIO_NOT_RENDERED,
         "The audio stream cannot be played. The format is not supported."},
    };
    const char* text = texts.value(code, nullptr);
    if (text)
        return QString::fromLatin1(text);
    // The stream results and FFmpeg's own codes are known to the shared table.
    return media::ResultText(code);
}

HRESULT CheckMediaResult(HRESULT code) {
    if (code >= 0)
        return code;
    // The code is appended as text, never used as a format: a '%' in a text stays a '%'.
    const QString hex = QString::number(static_cast<quint32>(code), 16).toUpper();
    throw EDirectShowException(
        MediaErrorText(code).left(255) + QStringLiteral(" ($") + hex + QStringLiteral(")."), code);
}
