#include "StandinOptions.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    return true;
}

bool ParseFour(const std::string& value, int& a, int& b, int& c, int& d) {
    return std::sscanf(value.c_str(), "%d,%d,%d,%d", &a, &b, &c, &d) == 4;
}

}  // namespace

bool ParseStandinOptions(const std::string& commandLine, StandinOptions& o, std::string& error) {
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    while (true) {
        while (i < n && static_cast<unsigned char>(commandLine[i]) <= ' ') ++i;
        if (i >= n) break;
        const std::size_t tokenStart = i;
        std::string token;
        bool quoted = false;
        while (i < n && (quoted || static_cast<unsigned char>(commandLine[i]) > ' ')) {
            if (commandLine[i] == '"') quoted = !quoted;
            else token += commandLine[i];
            ++i;
        }
        if (token == "--" && commandLine.compare(tokenStart, 2, "--") == 0) {
            while (i < n && static_cast<unsigned char>(commandLine[i]) <= ' ') ++i;
            o.command = commandLine.substr(i);
            break;
        }
        const std::size_t eq = token.find('=');
        const std::string name = token.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : token.substr(eq + 1);
        if (name == "--text") o.text = value;
        else if (name == "--text-file") { if (!ReadFileBytes(value, o.text)) { error = "cannot read " + value; return false; } }
        else if (name == "--sel") { if (std::sscanf(value.c_str(), "%ld,%ld", &o.selStart, &o.selEnd) != 2) { error = token; return false; } }
        else if (name == "--mode-reply") o.modeReply = std::strtol(value.c_str(), nullptr, 0);
        else if (name == "--exe") { o.hasExe = true; o.exePath = value; }
        else if (name == "--ini") { o.hasIni = true; o.iniPath = value; }
        else if (name == "--title") o.title = value;
        else if (name == "--owner-title") o.ownerTitle = value;
        else if (name == "--no-owner") o.noOwner = true;
        else if (name == "--pos") { if (!ParseFour(value, o.x, o.y, o.width, o.height)) { error = token; return false; } }
        else if (name == "--gettext-reply") o.getTextReply = std::strtol(value.c_str(), nullptr, 0);
        else if (name == "--no-nul") o.noNul = true;
        else if (name == "--keep-section") o.keepSection = true;
        else if (name == "--editwnd-zero") o.editWindowZero = true;
        else if (name == "--raw-text-window") o.rawTextWindow = true;
        else if (name == "--hold-temp-in") o.holdTempIn = value;
        else if (name == "--tool-temp") o.toolTemp = value;
        else if (name == "--stale-section") o.staleSection = std::strtoul(value.c_str(), nullptr, 0);
        else if (name == "--stale-section-at-lock") o.staleSectionAtLock = std::strtoul(value.c_str(), nullptr, 0);
        else if (name == "--mirror-title") o.mirrorTitle = true;
        else if (name == "--close-after-ms") o.closeAfterMs = std::strtol(value.c_str(), nullptr, 0);
        else if (name == "--close-on-settext") o.closeOnSetText = true;
        else if (name == "--log") o.logPath = value;
        else if (name == "--final") o.finalTextPath = value;
        else if (name == "--stay") o.stay = true;
        else if (name == "--linger-ms") o.lingerMs = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        else if (name == "--child-timeout-ms") o.childTimeoutMs = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        else if (name == "--tool") {
            const std::size_t bar = value.find('|');
            if (bar == std::string::npos) { error = token; return false; }
            o.tools.push_back({value.substr(0, bar), value.substr(bar + 1)});
        } else {
            error = "unknown switch " + token;
            return false;
        }
    }
    return true;
}
