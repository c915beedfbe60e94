#include "support/core/ResultText.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "host/core/TextSize.h"
#include "support/core/Texts.h"

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFull;

// Bit 7 of each byte of `word` that equals `byte`, and no other bit (no
// borrow crosses from one byte into the next).
std::uint64_t BytesEqual(std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kEveryByte * byte);
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

bool HasZeroUnit(std::uint64_t word) { return (~(((word & kLow15) + kLow15) | word | kLow15)) != 0; }

}  // namespace

ResultEncoding ResultEncodingOf(std::string_view result) {
    if (result.substr(0, 3) == "\xEF\xBB\xBF") return ResultEncoding::Utf8Bom;
    if (result.substr(0, 2) == "\xFF\xFE") return ResultEncoding::Utf16Le;
    if (result.substr(0, 2) == "\xFE\xFF") return ResultEncoding::Utf16Be;
    return ResultEncoding::AsItIs;
}

bool ResultHoldsNul(std::string_view result) {
    const ResultEncoding encoding = ResultEncodingOf(result);
    if (encoding != ResultEncoding::Utf16Le && encoding != ResultEncoding::Utf16Be) {
        return std::memchr(result.data(), 0, result.size()) != nullptr;
    }
    // Units at even offsets (after the two bytes of the mark), four at a time;
    // a last odd byte is no unit (the conversion refuses it).
    const char* p = result.data();
    std::size_t i = 2;
    for (; i + 8 <= result.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if (HasZeroUnit(word)) return true;
    }
    for (; i + 2 <= result.size(); i += 2) {
        if (p[i] == 0 && p[i + 1] == 0) return true;
    }
    return false;
}

TextConversion ResultToCp932(std::string& result, bool utf8) {
    switch (ResultEncodingOf(result)) {
    case ResultEncoding::Utf8Bom: return Utf8ToCp932InPlace(result);
    case ResultEncoding::Utf16Le: return Utf16ToCp932InPlace(result, false);
    case ResultEncoding::Utf16Be: return Utf16ToCp932InPlace(result, true);
    case ResultEncoding::AsItIs: break;
    }
    return utf8 ? Utf8ToCp932InPlace(result) : TextConversion{};
}

std::string ConversionFaultText(const TextConversion& conversion) {
    switch (conversion.fault) {
    case TextConversion::Fault::NoCp932Form: return CodePointText(conversion.codePoint);
    case TextConversion::Fault::InvalidUtf16: return kInvalidUtf16;
    default: return kInvalidUtf8;
    }
}

LineEnds CountLineEnds(std::string_view text) {
    LineEnds ends;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0) return ends;
    std::size_t lf = 0, crLf = 0, i = 0;
    std::uint64_t carry = 0;  // bit 7: the byte before this word is a CR
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        const std::uint64_t lfs = BytesEqual(word, '\n');
        const std::uint64_t crs = BytesEqual(word, '\r');
        // Each CR's mark moved onto the byte after it (the next one in memory).
        std::uint64_t crBefore;
        if constexpr (std::endian::native == std::endian::little) {
            crBefore = crs << 8 | carry;
            carry = crs >> 56;
        } else {
            crBefore = crs >> 8 | carry;
            carry = crs << 56;
        }
        lf += static_cast<std::size_t>(std::popcount(lfs));
        crLf += static_cast<std::size_t>(std::popcount(lfs & crBefore));
    }
    for (; i < n; ++i) {
        if (p[i] != '\n') continue;
        ++lf;
        if (i > 0 && p[i - 1] == '\r') ++crLf;
    }
    ends.crLf = crLf;
    ends.bareLf = lf - crLf;
    ends.endsInLineEnd = p[n - 1] == '\n' || p[n - 1] == '\r';
    return ends;
}

bool MatchLineEnds(const LineEnds& handedOver, std::string& result) {
    LineEnds ends = CountLineEnds(result);
    if (ends.crLf != 0 && ends.bareLf != 0) return false;
    bool changed = false;
    if (!handedOver.endsInLineEnd && !result.empty() && result.back() == '\n') {
        const bool pair = result.size() >= 2 && result[result.size() - 2] == '\r';
        const std::size_t rest = result.size() - (pair ? 2 : 1);
        if (rest == 0 || (result[rest - 1] != '\n' && result[rest - 1] != '\r')) {
            result.resize(rest);
            --(pair ? ends.crLf : ends.bareLf);
            changed = true;
        }
    }
    const bool crLfText = handedOver.crLf != 0 && handedOver.bareLf == 0;
    if (!crLfText || ends.bareLf == 0 || ends.crLf != 0 || result.size() + ends.bareLf > kMaxTextBytes) return changed;
    // From the back, so that each byte moves once and no second copy is made.
    std::size_t from = result.size(), to = from + ends.bareLf;
    result.resize(to);
    char* bytes = result.data();
    while (to != from) {
        const char c = bytes[--from];
        bytes[--to] = c;
        if (c == '\n') bytes[--to] = '\r';
    }
    return true;
}

bool ResultChanged(bool timeChanged, std::string_view handedOver, std::string_view result) {
    return timeChanged || handedOver != result;
}

PreparedResult PrepareResult(std::string& result, const IoModes& modes, const LineEnds& handedOver) {
    PreparedResult prepared;
    if (ResultHoldsNul(result)) {
        prepared.verdict = ResultVerdict::HoldsNul;
        return prepared;
    }
    prepared.conversion = ResultToCp932(result, modes.utf8);
    if (!prepared.conversion.ok()) {
        prepared.verdict = ResultVerdict::NotCp932;
        return prepared;
    }
    if (!modes.exact) MatchLineEnds(handedOver, result);
    return prepared;
}
