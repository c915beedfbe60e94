// FindEnvToken and ExpandDefDir on any start-folder text, with an environment
// stub whose every variable has a value made from its name (holding a "%",
// which must stay) unless the name starts with "U" (unset).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SettingsRules.h"

namespace {

class StubEnvironment final : public Environment {
public:
    bool IsExistingDir(const std::string& path) const override { return !path.empty() && path.back() == '!'; }
    std::string Variable(const std::string& name) const override {
        if (name.empty() || name[0] == 'U') return {};  // unset
        return "<" + name + "%>";
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string dir(reinterpret_cast<const char*>(data), size);
    const std::string token = FindEnvToken(dir);
    if (!token.empty() && (token.size() < 2 || token.front() != '%' || token.back() != '%' ||
                           token.find('%', 1) != token.size() - 1 || dir.find(token) == std::string::npos)) {
        std::abort();
    }
    const StubEnvironment environment;
    const std::string expanded = ExpandDefDir(dir, environment, CodePage932Model());
    if (token.empty() || token == "%%" || environment.IsExistingDir(dir)) {
        if (expanded != dir) std::abort();
        return 0;
    }
    // The token begins at the first "%", so no earlier occurrence exists:
    // when that "%" begins a character, exactly the token is replaced there.
    const CodePage& cp = CodePage932Model();
    const std::size_t at = dir.find('%');
    std::size_t i = 0;
    while (i < at) i += cp.IsLeadByte(static_cast<unsigned char>(dir[i])) ? 2 : 1;
    if (i == at && expanded != dir.substr(0, at) + LookupEnvToken(token, environment) + dir.substr(at + token.size())) {
        std::abort();
    }
    return 0;
}
