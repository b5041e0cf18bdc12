#include "encoding/icu_lookup.hpp"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>

namespace kestrova::encoding {

IcuLookup::IcuLookup(const char* converter_name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(converter_name, &status);
    if (U_FAILURE(status)) {
        if (converter != nullptr) ucnv_close(converter);
        return;
    }
    // Stop at the first malformed or unmapped sequence instead of substituting,
    // so that such a sequence reads as unmapped.
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        ucnv_close(converter);
        return;
    }
    converter_ = converter;
}

IcuLookup::~IcuLookup() {
    if (converter_ != nullptr) ucnv_close(converter_);
}

char32_t IcuLookup::code_point(std::string_view bytes) {
    if (converter_ == nullptr || bytes.empty() || bytes.size() > 8) return 0;
    ucnv_reset(converter_);
    UChar units[8];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter_, units, 8, bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) || length <= 0 || length > 2) return 0;
    int32_t offset = 0;
    UChar32 decoded = 0;
    U16_NEXT(units, offset, length, decoded);
    if (offset != length || U_IS_SURROGATE(decoded)) return 0;
    return static_cast<char32_t>(decoded);
}

}  // namespace kestrova::encoding
