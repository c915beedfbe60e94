#include "support/core/ResultText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "host/core/TextSize.h"
#include "support/core/Texts.h"

namespace {

constexpr std::uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFull;

// Whether one of the four 16-bit units of `word` is zero (exactly: no carry
// crosses from one unit into the next).
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

LineEnds FindLineEnds(std::string_view text) {
    LineEnds ends;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0) return ends;
    // Words of the machine's width: a 32-bit build would split 64-bit ones.
    using Word = std::size_t;
    constexpr int kBits = 8 * sizeof(Word);
    constexpr Word kOnes = ~Word{0} / 0xFF, kSevens = kOnes * 0x7F;
    const auto equal = [](Word word, unsigned char byte) {
        const Word x = word ^ (kOnes * byte);
        return ~(((x & kSevens) + kSevens) | x | kSevens);  // bit 7 of each equal byte, exactly
    };
    Word carry = 0, crLf = 0, bareLf = 0;  // carry: bit 7 when the byte before this word is a CR
    std::size_t i = 0;
    for (std::size_t block = 0; i + sizeof(Word) <= n; i += sizeof(Word)) {
        Word word;
        std::memcpy(&word, p + i, sizeof word);
        const Word lfs = equal(word, '\n'), crs = equal(word, '\r');
        // Each CR's mark moved onto the byte after it (the next one in memory).
        Word crBefore;
        if constexpr (std::endian::native == std::endian::little) {
            crBefore = crs << 8 | carry;
            carry = crs >> (kBits - 8);
        } else {
            crBefore = crs >> 8 | carry;
            carry = crs << (kBits - 8);
        }
        crLf |= lfs & crBefore;
        bareLf |= lfs & ~crBefore;
        if (++block % 4096 == 0 && crLf != 0 && bareLf != 0) break;
    }
    ends.crLf = crLf != 0;
    ends.bareLf = bareLf != 0;
    if (!(ends.crLf && ends.bareLf)) {
        for (; i < n; ++i) {
            if (p[i] != '\n') continue;
            (i > 0 && p[i - 1] == '\r' ? ends.crLf : ends.bareLf) = true;
        }
    }
    ends.endsInLineEnd = p[n - 1] == '\n' || p[n - 1] == '\r';
    return ends;
}

namespace {

// `textEnds` is asked only for a result of bare LFs alone: a result like
// most, with CR LF, needs no look at the text.
template <typename TextEnds>
bool MatchLineEndsOf(bool textEndsInLineEnd, const TextEnds& textEnds, std::string& result) {
    const LineEnds ends = FindLineEnds(result);
    if (ends.crLf && ends.bareLf) return false;
    bool changed = false;
    if (!textEndsInLineEnd && !result.empty() && result.back() == '\n') {
        const bool pair = result.size() >= 2 && result[result.size() - 2] == '\r';
        const std::size_t rest = result.size() - (pair ? 2 : 1);
        if (rest == 0 || (result[rest - 1] != '\n' && result[rest - 1] != '\r')) {
            result.resize(rest);
            changed = true;
        }
    }
    if (!ends.bareLf) return changed;
    const LineEnds text = textEnds();
    if (!text.crLf || text.bareLf) return changed;
    // (Counted only here: a bare LF result after a CR LF text is rare. The one
    // dropped above may have been the only one.)
    const std::size_t lfs = static_cast<std::size_t>(std::count(result.begin(), result.end(), '\n'));
    if (lfs == 0 || result.size() + lfs > kMaxTextBytes) return changed;
    // From the back, so that each byte moves once and no second copy is made.
    std::size_t from = result.size(), to = from + lfs;
    result.resize(to);
    char* bytes = result.data();
    while (to != from) {
        const char c = bytes[--from];
        bytes[--to] = c;
        if (c == '\n') bytes[--to] = '\r';
    }
    return true;
}

}  // namespace

bool MatchLineEnds(const LineEnds& handedOver, std::string& result) {
    return MatchLineEndsOf(handedOver.endsInLineEnd, [&] { return handedOver; }, result);
}

bool MatchLineEnds(std::string_view handedOver, std::string& result) {
    const bool endsInLineEnd = !handedOver.empty() && (handedOver.back() == '\n' || handedOver.back() == '\r');
    return MatchLineEndsOf(endsInLineEnd, [&] { return FindLineEnds(handedOver); }, result);
}

bool ResultChanged(bool timeChanged, std::string_view handedOver, std::string_view result) {
    return timeChanged || handedOver != result;
}

namespace {

template <typename HandedOver>
PreparedResult Prepare(std::string& result, const IoModes& modes, const HandedOver& handedOver) {
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

}  // namespace

PreparedResult PrepareResult(std::string& result, const IoModes& modes, const LineEnds& handedOver) {
    return Prepare(result, modes, handedOver);
}

PreparedResult PrepareResult(std::string& result, const IoModes& modes, std::string_view handedOver) {
    return Prepare(result, modes, handedOver);
}
