#include <gtest/gtest.h>

#include "support/core/SaveEncoding.h"

namespace {

// UTF-8 and UTF-16 LE written as text (u8 and u literals are not converted to
// code page 932 by the build, narrow ones are).
std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
std::string U16(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

const std::string kUtf8Bom = "\xEF\xBB\xBF", kUtf16Bom = "\xFF\xFE";

}  // namespace

TEST(SaveEncoding, EncodingThenLineEnds) {
    using E = SaveEncoding;
    using L = SaveLineEnds;
    struct Case {
        const char* why;
        std::string text;
        E encoding;
        L lineEnds;
        std::string bytes;
    };
    const std::string mixed = "a\r\nb\rc\n\x83\x7C\r\r\n\n";  // ...ポ, then CR, CR LF, LF
    const Case cases[] = {
        {"the defaults: as it is", mixed, E::Ansi, L::AsTheyAre, mixed},
        {"ANSI, LF", mixed, E::Ansi, L::Lf, "a\nb\nc\n\x83\x7C\n\n\n"},
        {"ANSI, CR LF", mixed, E::Ansi, L::CrLf, "a\r\nb\r\nc\r\n\x83\x7C\r\n\r\n\r\n"},
        {"ANSI, a lone CR at the end", "x\r", E::Ansi, L::Lf, "x\n"},
        {"ANSI takes any bytes", "\x81\n\xFF", E::Ansi, L::CrLf, "\x81\r\n\xFF"},
        {"UTF-8", "\x93\xFA\x96\x7B\r\n\xB1\x87\x40", E::Utf8, L::AsTheyAre, U8(u8"日本\r\nｱ①")},
        {"UTF-8 with BOM, LF", "\x83\x65\x83\x4C\x83\x58\x83\x67\r\n2\r\n", E::Utf8Bom, L::Lf,
         kUtf8Bom + U8(u8"テキスト\n2\n")},
        {"UTF-8, an ASCII run, CR LF", "abcdefghijklmnop\nq\\~", E::Utf8, L::CrLf, "abcdefghijklmnop\r\nq\\~"},
        {"UTF-16 LE", "a\n\x82\xA0\r\\", E::Utf16LeBom, L::AsTheyAre, kUtf16Bom + U16(u"a\nあ\r\\")},
        {"UTF-16 LE, CR LF", "a\n\x82\xA0\r", E::Utf16LeBom, L::CrLf, kUtf16Bom + U16(u"a\r\nあ\r\n")},
        // 《 is 0A 30 and － is 0D FF: bytes of a line end inside a character.
        {"UTF-16 LE, LF", "\x81\x73\r\n\x81\x7C\r", E::Utf16LeBom, L::Lf, kUtf16Bom + U16(u"《\n－\n")},
        {"UTF-16 LE, CR LF around 0A and 0D bytes", "\x81\x73\n\x81\x7C", E::Utf16LeBom, L::CrLf,
         kUtf16Bom + U16(u"《\r\n－")},
        {"empty, UTF-8 with BOM", "", E::Utf8Bom, L::CrLf, kUtf8Bom},
        {"empty, UTF-16 LE", "", E::Utf16LeBom, L::Lf, kUtf16Bom},
    };
    for (const Case& c : cases) {
        std::string bytes = "before";
        ASSERT_TRUE(EncodeTextForSave(c.text, c.encoding, c.lineEnds, bytes).ok()) << c.why;
        EXPECT_EQ(bytes, c.bytes) << c.why;
    }
}

// A text that is not code page 932 is refused for every Unicode encoding, at
// its first bad byte's line of the text, and nothing is produced.
TEST(SaveEncoding, RefusesTextThatIsNotCodePage932) {
    struct Case {
        std::string text;
        std::size_t line;
    };
    const Case cases[] = {{"ok\r\nline \x81\x20 x\r\n\xFF", 2}, {"\r\n\r\n\x82", 3}, {"\xA0", 1}};
    for (const Case& c : cases) {
        for (SaveEncoding encoding : {SaveEncoding::Utf8, SaveEncoding::Utf8Bom, SaveEncoding::Utf16LeBom}) {
            std::string bytes = "untouched";
            const TextConversion r = EncodeTextForSave(c.text, encoding, SaveLineEnds::CrLf, bytes);
            EXPECT_EQ(r.fault, TextConversion::Fault::InvalidCp932) << c.line;
            EXPECT_EQ(r.line, c.line);
            EXPECT_EQ(bytes, "untouched");
        }
        std::string ansi;
        EXPECT_TRUE(EncodeTextForSave(c.text, SaveEncoding::Ansi, SaveLineEnds::AsTheyAre, ansi).ok());
        EXPECT_EQ(ansi, c.text);
    }
}
