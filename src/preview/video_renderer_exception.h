#pragma once

// Raised by the renderless set-up of the mixing renderer; carries the failing code.
// Any thread.

#include "base/exception.h"
#include "mediagraph/media_types.h"

class EVideoRendererException : public Exception {
public:
    explicit EVideoRendererException(QString message, media::HRESULT code = media::S_OK)
        : Exception(std::move(message)), FErrorCode(code) {}
    media::HRESULT ErrorCode() const { return FErrorCode; }

private:
    media::HRESULT FErrorCode;
};
