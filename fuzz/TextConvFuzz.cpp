// The example converter's byte logic on arbitrary bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/textconv/core/TextConv.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string SortedBytes(std::string text) {
    std::sort(text.begin(), text.end());
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string half = ToHalfwidth(text);
    Require(half.size() <= text.size());
    Require(ToHalfwidth(half) == half);  // nothing left to convert, no new pairs

    const std::string upper = ToUpperAscii(text);
    Require(upper.size() == text.size());
    Require(ToUpperAscii(upper) == upper);

    // Sorting moves whole lines: the same bytes, the same breaks, and a
    // second sort changes nothing (unless a lone CR, which belongs to its
    // line, lands before a LF that another line brought).
    const std::string sorted = SortLines(text);
    Require(SortedBytes(sorted) == SortedBytes(text));
    Require(std::count(sorted.begin(), sorted.end(), '\n') == std::count(text.begin(), text.end(), '\n'));
    bool loneCr = false;
    for (std::size_t i = 0; i < text.size(); ++i) loneCr |= text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
    if (!loneCr) Require(SortLines(sorted) == sorted);

    const std::string folder = FolderOf(text);
    Require(text.compare(0, folder.size(), folder) == 0);
    Require(folder.empty() || folder.back() == '\\' || folder.back() == '/');
    return 0;
}
