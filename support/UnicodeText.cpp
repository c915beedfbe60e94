#include "support/UnicodeText.h"

#include <windows.h>

#include "support/core/ResultText.h"

namespace {

std::wstring Widened(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring FromUtf16(std::string_view units, bool bigEndian) {
    std::wstring wide(units.size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto first = static_cast<unsigned char>(units[2 * i]), second = static_cast<unsigned char>(units[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return wide;
}

}  // namespace

std::wstring UnicodeFromCp932(std::string_view cp932) { return Widened(cp932, 932); }

std::wstring UnicodeResult(std::string_view result, bool utf8) {
    switch (ResultEncodingOf(result)) {
    case ResultEncoding::Utf16Le:
        return FromUtf16(result.substr(2), false);
    case ResultEncoding::Utf16Be:
        return FromUtf16(result.substr(2), true);
    case ResultEncoding::Utf8Bom:
        return Widened(result.substr(3), CP_UTF8);
    case ResultEncoding::AsItIs:
        break;
    }
    return Widened(result, utf8 ? CP_UTF8 : 932);
}
