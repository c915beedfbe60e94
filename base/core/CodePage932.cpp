#include "base/core/CodePage.h"

namespace {

bool IsLead932(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

class CodePage932 final : public CodePage {
public:
    CodePage932() {
        for (int b = 0; b < 256; ++b) leadBytes_.set(b, IsLead932(static_cast<unsigned char>(b)));
    }
    void LowerInPlace(std::string& text) const override { Fold(text, true); }
    void UpperInPlace(std::string& text) const override { Fold(text, false); }
    bool Equal(std::string_view a, std::string_view b) const override { return a == b; }
    const std::bitset<256>& LeadBytes() const override { return leadBytes_; }

private:
    // Full-width Latin: upper case 82 60..82 79, lower case 82 81..82 9A.
    static void Fold(std::string& text, bool lower) {
        const std::size_t n = text.size();
        for (std::size_t i = 0; i < n; ++i) {
            auto b = static_cast<unsigned char>(text[i]);
            if (IsLead932(b)) {
                if (i + 1 == n) break;  // a lead byte at the end stays as it is
                auto t = static_cast<unsigned char>(text[i + 1]);
                if (b == 0x82) {
                    if (lower && t >= 0x60 && t <= 0x79) text[i + 1] = static_cast<char>(t + 0x21);
                    if (!lower && t >= 0x81 && t <= 0x9A) text[i + 1] = static_cast<char>(t - 0x21);
                }
                ++i;
            } else if (lower && b >= 'A' && b <= 'Z') {
                text[i] = static_cast<char>(b + 32);
            } else if (!lower && b >= 'a' && b <= 'z') {
                text[i] = static_cast<char>(b - 32);
            }
        }
    }
    std::bitset<256> leadBytes_;
};

}  // namespace

const CodePage& CodePage932Model() {
    static const CodePage932 model;
    return model;
}
