#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>

#include "support/core/SettingsRules.h"
#include "tests/unit/TestCodePage.h"

namespace {

// An environment of our making; it records every variable looked up.
class FakeEnvironment final : public Environment {
public:
    std::map<std::string, std::string> variables;
    std::set<std::string> directories;
    mutable std::vector<std::string> lookedUp;

    bool IsExistingDir(const std::string& path) const override { return directories.count(path) != 0; }
    std::string Variable(const std::string& name) const override {
        lookedUp.push_back(name);
        // Variable names ignore case, as the platform's do.
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const auto found = variables.find(upper);
        return found == variables.end() ? std::string() : found->second;
    }
};

}  // namespace

TEST(ConvertIniInteger, AcceptsDecimalAndDollarHexOnly) {
    struct Case { const char* text; std::int32_t expected; };
    constexpr std::int32_t d = -77;  // the default, told apart from every real value
    const Case cases[] = {
        {"1", 1}, {"-1", -1}, {"+12", 12}, {"0", 0}, {"   42", 42},
        {"0x10", 16}, {"0X1f", 31}, {"$ff", 255}, {"$FFFFFFFF", -1}, {"$000000001", 1}, {"$80000000", INT32_MIN},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", d}, {"-2147483649", d}, {"99999999999999999999", d}, {"$100000000", d},
        {"", d}, {"0x", d}, {"0X", d}, {"x10", d}, {"+$1", d}, {"-$1", d}, {"$", d}, {"+", d}, {"-", d},
        {"true", d}, {"1 ", d}, {"1\t", d}, {"\t1", d}, {" 0x10", d}, {"1.5", d}, {"12a", d}, {"$fg", d},
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertIniInteger(c.text, d), c.expected) << '"' << c.text << '"';
}

TEST(FindEnvToken, TakesTheFirstPairOfPercentSigns) {
    const std::pair<const char*, const char*> cases[] = {
        {"%USERPROFILE%\\Desktop", "%USERPROFILE%"}, {"C:\\%A%%B%", "%A%"}, {"50%", ""}, {"a%%b", "%%"},
        {"", ""}, {"no token", ""}, {"%", ""}, {"x%y%z%", "%y%"},
    };
    for (const auto& [text, token] : cases) EXPECT_EQ(FindEnvToken(text), token) << text;
}

TEST(LookupEnvToken, GivesTheValueOrTheTokenItself) {
    FakeEnvironment env;
    env.variables["TEMP"] = "C:\\Temp";
    env.variables[""] = "never";  // an empty name is looked up too, and may be set
    const std::string longValue(300, 'v');
    env.variables["LONG"] = longValue;
    EXPECT_EQ(LookupEnvToken("%TEMP%", env), "C:\\Temp");
    EXPECT_EQ(LookupEnvToken("%NOSUCHVAR%", env), "%NOSUCHVAR%");
    EXPECT_EQ(LookupEnvToken("%LONG%", env), longValue);
    EXPECT_EQ(LookupEnvToken("%%", env), "never");
}

TEST(ReplaceText, FirstOrEveryOccurrenceWithCaseIgnored) {
    const CodePage& cp = TestCodePage();
    EXPECT_EQ(ReplaceText("a%temp%b%TEMP%", "%TEMP%", "X", false, true, cp), "aXb%TEMP%");
    EXPECT_EQ(ReplaceText("a%temp%b%TEMP%", "%TEMP%", "X", true, true, cp), "aXbX");
    EXPECT_EQ(ReplaceText("a%temp%b%TEMP%", "%TEMP%", "X", false, false, cp), "a%temp%bX");
    EXPECT_EQ(ReplaceText("abc", "", "X", true, true, cp), "abc");
    EXPECT_EQ(ReplaceText("", "a", "X", true, true, cp), "");
    EXPECT_EQ(ReplaceText("aaa", "a", "aa", true, false, cp), "aaaaaa");
    // The replacement keeps its own case; the rest of the text keeps its case.
    EXPECT_EQ(ReplaceText("Dir %Home%\\x", "%HOME%", "c:\\Users", false, true, cp), "Dir c:\\Users\\x");
}

TEST(ReplaceText, NeverMatchesFromASecondByte) {
    const CodePage& cp = TestCodePage();
    // 0x83 0x41 is one character whose second byte has the value of "A":
    // the pattern "A" must not match there, only the later single-byte "A".
    EXPECT_EQ(ReplaceText("\x83\x41" "A", "A", "#", false, false, cp), "\x83\x41#");
    EXPECT_EQ(ReplaceText("\x83\x41", "A", "#", true, true, cp), "\x83\x41");
    // 0x95 0x5C: a backslash-valued second byte followed by a real one.
    EXPECT_EQ(ReplaceText("\x95\x5C\\", "\\", "/", true, false, cp), "\x95\x5C/");
    // A text ending in half a character is still searched upper-cased.
    EXPECT_EQ(ReplaceText("%temp%\x88", "%TEMP%", "X", false, true, cp), "X\x88");
    // A whole double-byte character matches.
    EXPECT_EQ(ReplaceText("x\x83\x41y", "\x83\x41", "-", true, false, cp), "x-y");
}

TEST(ExpandDefDir, ReplacesOnlyTheFirstTokenWhenNoDirectoryExists) {
    const CodePage& cp = TestCodePage();
    FakeEnvironment env;
    env.variables = {{"USERPROFILE", "C:\\Users\\a"}, {"HOMEDRIVE", "C:"}, {"HOMEPATH", "\\Users\\a"},
                     {"TEMP", "C:\\Temp"}, {"PCT", "%TEMP%"}};
    env.directories = {"C:\\100%\\50%"};
    struct Case { const char* dir; const char* expected; };
    const Case cases[] = {
        {"%USERPROFILE%\\Desktop", "C:\\Users\\a\\Desktop"},
        {"%userprofile%\\Desktop", "C:\\Users\\a\\Desktop"},
        {"%HOMEDRIVE%%HOMEPATH%", "C:%HOMEPATH%"},
        {"%NOSUCHVAR%\\x", "%NOSUCHVAR%\\x"},
        {"C:\\a%%b\\%TEMP%", "C:\\a%%b\\%TEMP%"},
        {"%PCT%\\x", "%TEMP%\\x"},  // a percent sign in the value stays
        {"C:\\plain", "C:\\plain"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandDefDir(c.dir, env, cp), c.expected) << c.dir;
}

TEST(ExpandDefDir, AnExistingDirectoryNeedsNoLookup) {
    FakeEnvironment env;
    env.variables = {{"100", "x"}};
    env.directories = {"C:\\100%\\50%"};
    EXPECT_EQ(ExpandDefDir("C:\\100%\\50%", env, TestCodePage()), "C:\\100%\\50%");
    EXPECT_TRUE(env.lookedUp.empty());
}
