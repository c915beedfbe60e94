#pragma once
// The C runtime's reading of a command line, for the fuzz targets that check
// what a program gets from the command lines the tool builds.
#include <string>
#include <vector>

#include "base/core/CodePage.h"

// The C runtime's reading of a command line (the program's side): blanks are
// space and tab; 2n backslashes before a quote give n and the quote opens or
// closes a quoted stretch, 2n+1 give n and a literal quote; "" inside a quoted
// stretch is a literal quote; other backslashes are literal; a lead byte and
// a valid second byte are read as one character (a program that reads its
// command line as Unicode sees no backslash or quote in them).
inline bool IsTrailByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

inline std::vector<std::string> CrtSplit(const std::string& line, const CodePage& cp) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == n) return arguments;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (cp.IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < n && IsTrailByte(line[i + 1])) {
                argument += line.substr(i, 2);
                i += 2;
            } else if (line[i] == '\\') {
                std::size_t run = 0;
                while (i < n && line[i] == '\\') ++run, ++i;
                if (i < n && line[i] == '"') {
                    argument.append(run / 2, '\\');
                    if (run % 2 == 1) argument += line[i++];
                } else {
                    argument.append(run, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}
