#pragma once
#include <bitset>
#include <string>
#include <string_view>

// What the byte logic needs of the ANSI code page. The program uses the
// platform's own functions (see base/CodePageWin32.h); the native build and
// the fuzzers use the portable model of code page 932 below.
class CodePage {
public:
    virtual ~CodePage() = default;
    // Locale-aware lower/upper-casing of a byte string; the length never changes.
    virtual void LowerInPlace(std::string& text) const = 0;
    virtual void UpperInPlace(std::string& text) const = 0;
    // The comparison that confirms a byte-exact match (equal strings are equal).
    virtual bool Equal(std::string_view a, std::string_view b) const = 0;
    // Bytes that begin a double-byte character.
    virtual const std::bitset<256>& LeadBytes() const = 0;

    bool IsLeadByte(unsigned char byte) const { return LeadBytes().test(byte); }
    std::string Lowered(std::string text) const { LowerInPlace(text); return text; }
    std::string Uppered(std::string text) const { UpperInPlace(text); return text; }
};

// True when a double-byte character begins at the 1-based position.
bool IsLeadByteAt(std::string_view text, std::size_t position, const CodePage& cp);

// Portable model of code page 932: lead bytes 81-9F and E0-FC, ASCII and
// full-width Latin letters folded, second bytes and half-width kana untouched.
// A text that ends on a lead byte is folded all the same, that byte left as it
// is, as the platform does (which then reports 0).
const CodePage& CodePage932Model();
