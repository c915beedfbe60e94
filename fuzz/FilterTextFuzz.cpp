// The filter's two byte rules on any input: the value of /io= is either
// refused or gives the modes its words name; the first lines of an error
// output stay within their limits, never end inside a double-byte character,
// and hold only bytes of the output and the line breaks put between lines.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/core/CodePage.h"
#include "support/core/FilterText.h"
#include "support/core/IoModes.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const CodePage& cp = CodePage932Model();
    const std::size_t maxLines = data[0] % 10, maxBytes = data[1] * 4u;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

    const auto modes = ParseIoModes(text, cp);
    if (modes) Require(text.empty() || modes->pipe || modes->utf8 || modes->exact);

    const std::string lines = FirstLines(text, maxLines, maxBytes, cp);
    Require(lines.size() <= maxBytes);
    // Walked a character at a time: a lead byte has its second byte within
    // the same line (lines hold no CR or LF of their own).
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == '\r') {
            Require(i + 1 < lines.size() && lines[i + 1] == '\n');
            ++breaks;
            ++i;
        } else if (cp.IsLeadByte(static_cast<unsigned char>(lines[i]))) {
            Require(i + 1 < lines.size() && lines[i + 1] != '\r' && lines[i + 1] != '\n');
            ++i;
        } else {
            Require(lines[i] != '\n');
        }
    }
    Require(lines.empty() || breaks < maxLines);
    return 0;
}
