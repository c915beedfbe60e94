#include <cstring>
#include <new>

#include "base/Handles.h"
#include "host/HostLink.h"
#include "host/core/ByteScan.h"
#include "host/core/TextSize.h"

namespace {

// A section of the host's name, created for one transfer; empty when it could
// not be created, or when a section of that name already existed: the system
// then hands back that one, whatever its size, and it belongs to someone else
// (the host, another copy of the tool).
KernelHandle CreateHostSection(HWND window, std::uint32_t size) {
    const std::string name = HostSectionName(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window)));
    HANDLE handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name.c_str());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    KernelHandle section(handle);
    if (existed) section.Reset();
    return section;
}

// The bytes of a view that may be used: the page-rounded size of the mapped
// region, the nearest the platform tells of the section's size.
SIZE_T UsableBytes(const MappedView& view) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(view.Bytes(), &info, sizeof info) == 0) return 0;
    return info.RegionSize;
}

}  // namespace

THostText GetHostText(HWND window, unsigned textKind) {
    if (!IsHostWindow(window)) return {};
    return ReadHostText(window, textKind, SendMessageA(GetHostEditWindow(window), WM_GETTEXTLENGTH, 0, 0));
}

// A transfer of S bytes (the text and its NUL) needs a new section of S bytes.
// The length that the host's text-editing window reports is taken whole, in
// 64 bits: one too large for a section or for this build fails the read
// before anything is created or allocated.
THostText ReadHostText(HWND window, unsigned textKind, LRESULT length) {
    THostText read;
    const std::uint32_t size = TextSectionSize(length, kMaxTextBytes);
    if (size == 0) return read;

    // A new section comes zero-filled from the system.
    const KernelHandle section = CreateHostSection(window, size);
    if (!section) return read;
    const LRESULT reply = SendMessageA(window, HM_GETTEXT, textKind, 0);
    if ((reply & 0xFF) == 0) {
        read.Result = HostReadResult::Refused;
        return read;
    }

    MappedView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view || UsableBytes(view) < size) return read;
    // The text ends at its NUL within the S bytes. Without one the host wrote
    // more than the section holds: the text is incomplete, and an incomplete
    // text must not be taken for the whole.
    const char* bytes = view.Bytes();
    const std::size_t textLength = FindNul(bytes, size);
    if (textLength == size) return read;
    try {
        read.Text.assign(bytes, textLength);
    } catch (const std::bad_alloc&) {
        return read;
    }
    read.Result = HostReadResult::Text;
    return read;
}

THostText GetHostAllText(HWND window) { return GetHostText(window, kTextKindAll); }

THostText GetHostSelText(HWND window) { return GetHostText(window, kTextKindSelection); }

bool SetHostText(HWND window, const std::string& text, unsigned textKind) {
    if (!IsHostWindow(window)) return false;
    const std::uint32_t size = TextSectionSize(static_cast<std::int64_t>(text.size()), kMaxTextBytes);
    if (size == 0) return false;

    const KernelHandle section = CreateHostSection(window, size);
    if (!section) return false;
    {
        MappedView view(MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, 0));
        if (!view || UsableBytes(view) < size) return false;
        // The text and a NUL fill all S bytes, in one pass. A text that holds
        // a NUL is carried up to it, since the host reads up to the first NUL;
        // the bytes after that have no meaning.
        std::memcpy(view.Bytes(), text.data(), text.size());
        view.Bytes()[text.size()] = '\0';
    }
    SendMessageA(window, HM_SETTEXT, textKind, static_cast<LPARAM>(size));
    // A host that has gone by the time the send returns (it closed while it
    // handled the message, or the send found no window) took nothing.
    return IsHostWindow(window);
}

bool SetHostAllText(HWND window, const std::string& text) { return SetHostText(window, text, kTextKindAll); }

bool SetHostSelText(HWND window, const std::string& text) { return SetHostText(window, text, kTextKindSelection); }
