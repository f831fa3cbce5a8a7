#include "audio/mp3/id3v1_text.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace {

bool IsLatin1(const QString& Text) {
    for (QChar c : Text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// Built once: making it loads ICU's rule data, far more than one text costs. A transliterator
// keeps no state between calls but ICU does not promise that transliterate() may run on two
// threads at once, and jobs of a list make their tags on the coordinator and the pool.
struct TShared {
    std::mutex Lock;
    std::unique_ptr<icu::Transliterator> ToLatin;
    TShared() {
        UErrorCode status = U_ZERO_ERROR;
        ToLatin.reset(
            icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            ToLatin.reset();
    }
};

TShared& Shared() {
    static TShared shared;
    return shared;
}

} // namespace

QByteArray Id3v1Text(const QString& Text) {
    if (IsLatin1(Text))
        return Text.toLatin1();
    TShared& shared = Shared();
    if (!shared.ToLatin)
        return QByteArray();
    icu::UnicodeString text(reinterpret_cast<const UChar*>(Text.utf16()), int32_t(Text.size()));
    {
        const std::lock_guard<std::mutex> hold(shared.Lock);
        shared.ToLatin->transliterate(text);
    }
    const QString latin =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(text.getBuffer()), text.length());
    // What has no Latin spelling (an emoji, a symbol) stays as it was: rather no text than
    // a text with holes.
    return IsLatin1(latin) ? latin.toLatin1() : QByteArray();
}
