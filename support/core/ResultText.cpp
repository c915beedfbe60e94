#include "support/core/ResultText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

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

namespace {

// What one pass over a text finds: its line ends, and a NUL byte when asked.
struct ByteFacts {
    LineEnds ends;
    bool nul = false;
};

// The pass, 32 bytes at a time (two SSE2 loads) where the processor has SSE2
// (every x86-64 one; a 32-bit x86 one is asked at run time): the bytes it
// looked at from the start, a multiple of 32 (none without SSE2). It stops
// early at a NUL that was asked for, and without one asked for at a text that
// holds both kinds of line end, looked at every 128 KiB.
#if defined(__x86_64__) || defined(__i386__)
#if defined(__i386__)
__attribute__((target("sse2")))
#endif
std::size_t ScanWide(const unsigned char* p, std::size_t n, bool nulAsked, ByteFacts& facts) {
    if constexpr (sizeof(void*) == 4) {
        if (!__builtin_cpu_supports("sse2")) return 0;
    }
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    // Bit k stands for byte k of the 32; carry: the byte before them is a CR.
    std::uint32_t carry = 0, crLf = 0, bareLf = 0, nul = 0;
    std::size_t i = 0;
    for (std::size_t block = 1; i + 32 <= n; i += 32, ++block) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
        // (A lambda would not share the function's SSE2.)
        const std::uint32_t lfs = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, lf))) |
                                  static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, lf))) << 16;
        const std::uint32_t crs = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, cr))) |
                                  static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, cr))) << 16;
        nul |= static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero))));
        const std::uint32_t crBefore = crs << 1 | carry;
        carry = crs >> 31;
        crLf |= lfs & crBefore;
        bareLf |= lfs & ~crBefore;
        if (block % 4096 == 0 && (nulAsked ? nul != 0 : crLf != 0 && bareLf != 0)) {
            i += 32;
            break;
        }
    }
    facts.ends.crLf = crLf != 0;
    facts.ends.bareLf = bareLf != 0;
    facts.nul = nulAsked && nul != 0;
    return i;
}
#else
std::size_t ScanWide(const unsigned char*, std::size_t, bool, ByteFacts&) { return 0; }
#endif

ByteFacts ScanBytes(std::string_view text, bool nulAsked) {
    ByteFacts facts;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0) return facts;
    std::size_t i = ScanWide(p, n, nulAsked, facts);
    const bool done = nulAsked ? facts.nul : facts.ends.crLf && facts.ends.bareLf;
    // The rest a byte at a time (all of it without SSE2).
    for (; !done && i < n; ++i) {
        if (p[i] == '\n') {
            (i > 0 && p[i - 1] == '\r' ? facts.ends.crLf : facts.ends.bareLf) = true;
        } else if (p[i] == 0 && nulAsked) {
            facts.nul = true;
            break;
        }
    }
    facts.ends.endsInLineEnd = p[n - 1] == '\n' || p[n - 1] == '\r';
    return facts;
}

}  // namespace

LineEnds FindLineEnds(std::string_view text) { return ScanBytes(text, false).ends; }

bool ResultHoldsNul(std::string_view result) {
    const ResultEncoding encoding = ResultEncodingOf(result);
    if (encoding != ResultEncoding::Utf16Le && encoding != ResultEncoding::Utf16Be) return ScanBytes(result, true).nul;
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

namespace {

// `textEnds` is asked only for a result of bare LFs alone: a result like
// most, with CR LF, needs no look at the text. `ends`: the result's.
template <typename TextEnds>
bool MatchLineEndsOf(bool textEndsInLineEnd, const TextEnds& textEnds, const LineEnds& ends, std::string& result) {
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

bool EndsInLineEnd(std::string_view text) { return !text.empty() && (text.back() == '\n' || text.back() == '\r'); }

// The text handed over, as its line ends found before, or as the text itself.
bool TextEndsInLineEnd(const LineEnds& handedOver) { return handedOver.endsInLineEnd; }
bool TextEndsInLineEnd(std::string_view handedOver) { return EndsInLineEnd(handedOver); }
LineEnds TextLineEnds(const LineEnds& handedOver) { return handedOver; }
LineEnds TextLineEnds(std::string_view handedOver) { return FindLineEnds(handedOver); }

template <typename HandedOver>
bool MatchLineEndsWith(const HandedOver& handedOver, const LineEnds& ends, std::string& result) {
    return MatchLineEndsOf(TextEndsInLineEnd(handedOver), [&] { return TextLineEnds(handedOver); }, ends, result);
}

}  // namespace

bool MatchLineEnds(const LineEnds& handedOver, std::string& result) {
    return MatchLineEndsWith(handedOver, FindLineEnds(result), result);
}

bool MatchLineEnds(std::string_view handedOver, std::string& result) {
    return MatchLineEndsWith(handedOver, FindLineEnds(result), result);
}

bool ResultChanged(bool timeChanged, std::string_view handedOver, std::string_view result) {
    return timeChanged || handedOver != result;
}

namespace {

template <typename HandedOver>
PreparedResult Prepare(std::string& result, const IoModes& modes, const HandedOver& handedOver) {
    PreparedResult prepared;
    // Outside UTF-16 one pass finds a NUL and the line ends, and they still
    // hold after a conversion from UTF-8: it keeps every byte below 0x80 and
    // makes no CR or LF of anything else.
    const ResultEncoding encoding = ResultEncodingOf(result);
    const bool utf16 = encoding == ResultEncoding::Utf16Le || encoding == ResultEncoding::Utf16Be;
    const ByteFacts facts = utf16 ? ByteFacts{} : ScanBytes(result, true);
    if (utf16 ? ResultHoldsNul(result) : facts.nul) {
        prepared.verdict = ResultVerdict::HoldsNul;
        return prepared;
    }
    prepared.conversion = ResultToCp932(result, modes.utf8);
    if (!prepared.conversion.ok()) {
        prepared.verdict = ResultVerdict::NotCp932;
        return prepared;
    }
    if (!modes.exact) MatchLineEndsWith(handedOver, utf16 ? FindLineEnds(result) : facts.ends, result);
    return prepared;
}

}  // namespace

PreparedResult PrepareResult(std::string& result, const IoModes& modes, const LineEnds& handedOver) {
    return Prepare(result, modes, handedOver);
}

PreparedResult PrepareResult(std::string& result, const IoModes& modes, std::string_view handedOver) {
    return Prepare(result, modes, handedOver);
}

std::string TextWithResultAfter(std::string_view handedOver, std::string_view result) {
    const LineEnds ends = FindLineEnds(handedOver);
    const bool between = !handedOver.empty() && !ends.endsInLineEnd && !result.empty();
    const std::string_view lineEnd = ends.bareLf && !ends.crLf ? "\n" : "\r\n";
    std::string text;
    text.reserve(handedOver.size() + (between ? lineEnd.size() : 0) + result.size());
    text.append(handedOver);
    if (between) text.append(lineEnd);
    text.append(result);
    return text;
}
