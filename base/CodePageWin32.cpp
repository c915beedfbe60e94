#include "base/CodePageWin32.h"

#include <windows.h>

namespace {

class SystemAnsiCodePage final : public CodePage {
public:
    SystemAnsiCodePage() {
        if (GetSystemMetrics(SM_DBCSENABLED) == 0) return;
        CPINFO info{};
        if (!GetCPInfo(CP_ACP, &info)) return;
        // At most six ranges, ended by a pair of zero bytes.
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) leadBytes_.set(b);
        }
    }
    void LowerInPlace(std::string& text) const override {
        if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    void UpperInPlace(std::string& text) const override {
        if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
    bool Equal(std::string_view a, std::string_view b) const override {
        return CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size())) == CSTR_EQUAL;
    }
    const std::bitset<256>& LeadBytes() const override { return leadBytes_; }

private:
    std::bitset<256> leadBytes_;
};

}  // namespace

const CodePage& SystemCodePage() {
    static const SystemAnsiCodePage codePage;
    return codePage;
}
