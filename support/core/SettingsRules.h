#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/core/CodePage.h"

// The byte logic of reading the host's settings, free of the platform.

// The conversion behind ReadIniInteger: "0x"/"0X" at the start of a text of
// more than two bytes reads as "$"; then leading spaces, and either a signed
// decimal within 32 bits or "$" with at most eight significant hexadecimal
// digits, the digits running to the end. Anything else gives the default.
std::int32_t ConvertIniInteger(std::string_view text, std::int32_t defaultValue);

// What the start-folder resolution needs of the machine; the program asks the
// platform, tests and fuzzers give a stub.
class Environment {
public:
    virtual ~Environment() = default;
    virtual bool IsExistingDir(const std::string& path) const = 0;
    // The variable's whole value; empty when it is not set or set to the empty text.
    virtual std::string Variable(const std::string& name) const = 0;
};

// The first %NAME% token of a text (from the first "%" through the next), or
// the empty text.
std::string FindEnvToken(std::string_view text);

// The value of the variable that a token names, or the token itself when the
// variable is not set or empty.
std::string LookupEnvToken(const std::string& token, const Environment& environment);

// Replaces the first (or every) occurrence of pattern. With ignoreCase the
// search runs on upper-cased copies; a match never begins on the second byte
// of a double-byte character and is confirmed by the code page's comparison.
std::string ReplaceText(const std::string& text, const std::string& pattern,
                        const std::string& replacement, bool allOccurrences, bool ignoreCase, const CodePage& cp);

// The start folder for the Save dialog: an existing directory as it is,
// otherwise its first token replaced by the variable's value (case ignored).
// A first token "%%" or a text without a token stays unchanged.
std::string ExpandDefDir(const std::string& dir, const Environment& environment, const CodePage& cp);
