#include "app/RunMark.h"

#include <cstdint>
#include <string>

HostRunMark::HostRunMark(HWND hostWindow) {
    const std::string name =
        "Pelmarind_Run_" + std::to_string(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(hostWindow)));
    HANDLE mark = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    mark_.Reset(mark);
    // A mark that cannot be made at all does not stop the run: the tool
    // behaves as it did before there were marks.
    acquired_ = !mark_ || error != ERROR_ALREADY_EXISTS;
}
