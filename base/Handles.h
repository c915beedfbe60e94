#pragma once
#include <windows.h>

#include <cstring>
#include <utility>

// Owners of kernel handles. Two kinds, told apart by their empty value: most
// calls give NULL on failure, CreateFileA gives INVALID_HANDLE_VALUE.
struct NullHandleTraits {
    static HANDLE Empty() { return nullptr; }
};
struct InvalidHandleTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
};

template <class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    HANDLE Release() { return std::exchange(handle_, Traits::Empty()); }
    void Reset(HANDLE handle = Traits::Empty()) {
        HANDLE old = std::exchange(handle_, handle);
        if (old != Traits::Empty()) CloseHandle(old);
    }

private:
    HANDLE handle_ = Traits::Empty();
};

using KernelHandle = UniqueHandle<NullHandleTraits>;
using FileHandle = UniqueHandle<InvalidHandleTraits>;

// Owner of a mapped view of a section.
class MappedView {
public:
    MappedView() = default;
    explicit MappedView(void* address) : address_(address) {}
    MappedView(MappedView&& other) noexcept : address_(std::exchange(other.address_, nullptr)) {}
    MappedView& operator=(MappedView&& other) noexcept {
        if (this != &other) {
            Reset();
            address_ = std::exchange(other.address_, nullptr);
        }
        return *this;
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView() { Reset(); }

    char* Bytes() const { return static_cast<char*>(address_); }
    explicit operator bool() const { return address_ != nullptr; }
    void Reset() {
        if (address_ != nullptr) UnmapViewOfFile(std::exchange(address_, nullptr));
    }

private:
    void* address_ = nullptr;
};

// Owner of a window of the tool's own: destroyed with its owner unless the
// window went first (Forget, from its WM_NCDESTROY).
class WindowOwner {
public:
    WindowOwner() = default;
    explicit WindowOwner(HWND window) : window_(window) {}
    WindowOwner(WindowOwner&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
    WindowOwner& operator=(WindowOwner&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.window_, nullptr));
        return *this;
    }
    WindowOwner(const WindowOwner&) = delete;
    WindowOwner& operator=(const WindowOwner&) = delete;
    ~WindowOwner() { Reset(); }

    HWND Get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }
    void Reset(HWND window = nullptr) {
        HWND old = std::exchange(window_, window);
        if (old != nullptr) DestroyWindow(old);
    }
    // The window is being destroyed by the system: nothing left to destroy.
    void Forget() { window_ = nullptr; }

private:
    HWND window_ = nullptr;
};

// Owner of a GDI object (a font, a brush) that the tool created.
template <class T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : object_(object) {}
    GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    T Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void Reset(T object = nullptr) {
        T old = std::exchange(object_, object);
        if (old != nullptr) DeleteObject(old);
    }

private:
    T object_ = nullptr;
};
using FontHandle = GdiObject<HFONT>;

// A system library loaded when it is first needed instead of at start-up.
// The common dialogs and the shell (with all they load in turn) cost a
// windowed program about a fifth of its start-up under Wine, and most runs of
// the tool show no dialog.
//
// Once loaded, a library stays until the tool ends: this object finds its
// functions and never frees it. Shell extensions that the Save dialog loads
// may leave threads running in the common dialogs, the shell and COM after
// the dialog has closed, and a library freed under a running thread takes the
// tool down with it. The end of the process unloads it.
class SystemLibrary {
public:
    // From the system folder only, never from the current or the program's.
    explicit SystemLibrary(const char* fileName) {
        char path[MAX_PATH];
        const UINT length = GetSystemDirectoryA(path, MAX_PATH);
        const std::size_t nameLength = std::strlen(fileName);
        if (length == 0 || length + 1 + nameLength >= MAX_PATH) return;
        path[length] = '\\';
        std::memcpy(path + length + 1, fileName, nameLength + 1);
        module_ = LoadLibraryA(path);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    // The library's function of that name as a pointer of the declared type
    // of that function (decltype(&GetSaveFileNameA)); null when the library
    // or the function is missing.
    template <class Function>
    Function Get(const char* name) const {
        if (module_ == nullptr) return nullptr;
        // (Through the generic function pointer type, which converts to any.)
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
};
