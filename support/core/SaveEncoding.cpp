#include "support/core/SaveEncoding.h"

#include <cstring>
#include <utility>

namespace {

constexpr unsigned kCr = 0x0D, kLf = 0x0A;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeBom[] = "\xFF\xFE";

template <std::size_t kUnit>
unsigned UnitAt(const std::string& bytes, std::size_t i) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i * kUnit;
    return kUnit == 1 ? p[0] : p[0] | p[1] << 8;
}

template <std::size_t kUnit>
void PutUnit(std::string& bytes, std::size_t i, unsigned value) {
    bytes[i * kUnit] = static_cast<char>(value & 0xFF);
    if constexpr (kUnit == 2) bytes[i * kUnit + 1] = static_cast<char>(value >> 8);
}

template <std::size_t kUnit>
void CopyUnit(std::string& bytes, std::size_t from, std::size_t to) {
    if (from != to) std::memmove(bytes.data() + to * kUnit, bytes.data() + from * kUnit, kUnit);
}

// LF only: the text shrinks or keeps its size, so one forward walk writes
// behind where it reads.
template <std::size_t kUnit>
void ToLf(std::string& bytes) {
    const std::size_t n = bytes.size() / kUnit;
    std::size_t w = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (UnitAt<kUnit>(bytes, i) != kCr) {
            CopyUnit<kUnit>(bytes, i, w++);
        } else if (i + 1 == n || UnitAt<kUnit>(bytes, i + 1) != kLf) {
            PutUnit<kUnit>(bytes, w++, kLf);
        }  // (a CR before an LF goes; the LF follows)
    }
    bytes.resize(w * kUnit);
}

// CR LF: the text grows by one unit per lone CR or LF, so it is counted
// first, then walked backward, writing ahead of where it reads. A text that
// has only CR LF already is not touched.
template <std::size_t kUnit>
void ToCrLf(std::string& bytes) {
    const std::size_t n = bytes.size() / kUnit;
    std::size_t added = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned c = UnitAt<kUnit>(bytes, i);
        if (c == kCr) {
            if (i + 1 < n && UnitAt<kUnit>(bytes, i + 1) == kLf) ++i;
            else ++added;
        } else if (c == kLf) {
            ++added;
        }
    }
    if (added == 0) return;
    bytes.resize((n + added) * kUnit);
    std::size_t w = n + added;
    for (std::size_t i = n; i-- > 0;) {
        const unsigned c = UnitAt<kUnit>(bytes, i);
        if (c == kLf || c == kCr) {
            // (Read before the two units are written: the second may land on it.)
            if (c == kLf && i > 0 && UnitAt<kUnit>(bytes, i - 1) == kCr) --i;
            PutUnit<kUnit>(bytes, --w, kLf);
            PutUnit<kUnit>(bytes, --w, kCr);
        } else {
            CopyUnit<kUnit>(bytes, i, --w);
        }
    }
}

template <std::size_t kUnit>
void ConvertUnits(std::string& bytes, SaveLineEnds lineEnds) {
    if (lineEnds == SaveLineEnds::Lf) ToLf<kUnit>(bytes);
    else if (lineEnds == SaveLineEnds::CrLf) ToCrLf<kUnit>(bytes);
}

}  // namespace

void ConvertLineEnds(std::string& bytes, std::size_t unitSize, SaveLineEnds lineEnds) {
    if (unitSize == 2) ConvertUnits<2>(bytes, lineEnds);
    else ConvertUnits<1>(bytes, lineEnds);
}

TextConversion EncodeTextForSave(std::string_view text, SaveEncoding encoding, SaveLineEnds lineEnds,
                                 std::string& bytes) {
    std::string encoded;
    TextConversion result;
    std::size_t unitSize = 1;
    switch (encoding) {
        case SaveEncoding::Ansi: encoded.assign(text); break;
        case SaveEncoding::Utf8: result = Cp932ToUtf8(text, encoded); break;
        case SaveEncoding::Utf8Bom: result = Cp932ToUtf8(text, encoded, kUtf8Bom); break;
        case SaveEncoding::Utf16LeBom:
            result = Cp932ToUtf16Le(text, encoded, kUtf16LeBom);
            unitSize = 2;
            break;
    }
    if (!result.ok()) return result;
    ConvertLineEnds(encoded, unitSize, lineEnds);
    bytes = std::move(encoded);
    return result;
}
