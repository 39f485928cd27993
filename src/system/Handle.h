#pragma once
// Move-only owners for the handles of the Win32 API. The "no handle" value is
// part of each type because the API is not consistent about it: CreateFileA and
// FindFirstFileA fail with INVALID_HANDLE_VALUE, CreateProcessA and
// CreateMutexA leave or return a null handle.
#include <windows.h>

#include <utility>

namespace Global {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Type Get() const noexcept { return handle_; }
    bool IsValid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    Type Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

    void Reset(Type handle = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

    // For APIs that fill a handle through a pointer.
    Type* Put() noexcept
    {
        Reset();
        return &handle_;
    }

private:
    Type handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};

struct ChangeNotificationTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindCloseChangeNotification(h); }
};

// GDI's own: a memory device context goes with DeleteDC, a font (pen,
// brush, bitmap) with DeleteObject, once no device context has it selected.
struct DeviceContextTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteDC(h); }
};

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

// Process, thread, mutex and event handles: null when there is none.
using KernelHandle = UniqueHandle<KernelHandleTraits>;
// CreateFileA results.
using FileHandle = UniqueHandle<FileHandleTraits>;
// FindFirstFileA search handles.
using FindHandle = UniqueHandle<FindHandleTraits>;
// FindFirstChangeNotificationA handles.
using ChangeNotificationHandle = UniqueHandle<ChangeNotificationTraits>;
// CreateCompatibleDC results.
using DeviceContextHandle = UniqueHandle<DeviceContextTraits>;
// CreateFontIndirectW results and other GDI objects (HFONT converts to HGDIOBJ).
using GdiObjectHandle = UniqueHandle<GdiObjectTraits>;

// Runs a one-off clean-up when the scope is left, however it is left.
template <typename Function>
class ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit()
    {
        if (armed_) {
            function_();
        }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Dismiss() noexcept { armed_ = false; }

private:
    Function function_;
    bool armed_ = true;
};

} // namespace Global
