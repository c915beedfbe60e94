#include "base/core/CodePage.h"

bool IsLeadByteAt(std::string_view text, std::size_t position, const CodePage& cp) {
    for (std::size_t i = 1; i <= text.size() && i <= position; ++i) {
        if (cp.IsLeadByte(static_cast<unsigned char>(text[i - 1]))) {
            if (i == position) return true;
            ++i;  // its second byte
        }
    }
    return false;
}
