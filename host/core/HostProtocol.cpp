#include "host/core/HostProtocol.h"

#include <cstdio>
#include <iterator>

std::uint8_t EditorModeFromHostReply(std::uint32_t reply) {
    static constexpr std::uint8_t kModes[] = {kModeDefault, kModeHtml, kModePerl, kModeIni, kModeBat, kModeCpp,
                                              kModeJava,    kModeVb,   kModeHsp,  kModePas, kModeRuby};
    return reply < std::size(kModes) ? kModes[reply] : kModeDefault;
}

std::string HostSectionName(std::uint32_t hostWindowHandle) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%u", kHostSectionPrefix, static_cast<unsigned>(hostWindowHandle));
    return name;
}
