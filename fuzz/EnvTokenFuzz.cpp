// FindEnvToken and ExpandDefDir on any start-folder text, with an environment
// stub whose every variable has a value made from its name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/core/SettingsCore.h"

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
    }
    return 0;
}
