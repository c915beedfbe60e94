#pragma once
#include <windows.h>

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
