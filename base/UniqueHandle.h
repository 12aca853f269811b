// The one owner of a handle, for the plug-in and the stand-in host alike: the handle is released
// when its owner is reset, is given another, or goes, on every path. Each kind names how its
// handles are released. It needs Windows' own header alone, not the framework's, so the stand-in
// (which has no framework) uses it too; in the plug-in, base/pch.h has brought that header in
// first.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

// Null (Handle{}) is the one value that holds nothing: an opener whose failure gives another
// (INVALID_HANDLE_VALUE) stores null instead.
template <class Handle, class ReleaseFn>
class UniqueHandle {
public:
    constexpr UniqueHandle() = default;
    constexpr explicit UniqueHandle(Handle handle, ReleaseFn release = {}) noexcept : handle_(handle), release_(release)
    {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()), release_(std::move(other.release_)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
            release_ = std::move(other.release_);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Handle{}; }
    // Where an API that opens a handle puts it; the handle held until then is released first.
    Handle* Put() noexcept
    {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = Handle{}) noexcept
    {
        if (handle_ != Handle{})
            release_(handle_);
        handle_ = handle;
    }
    // Gives the handle up unreleased: the caller owns it now.
    [[nodiscard]] Handle Release() noexcept { return std::exchange(handle_, Handle{}); }

private:
    Handle handle_{};
    ReleaseFn release_{};
};

struct RemoveHook {
    void operator()(HHOOK hook) const noexcept { UnhookWindowsHookEx(hook); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct CloseKernelHandle {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct CloseFile {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
// A window's (or the screen's) DC, given back to the window it came from.
struct ReleaseWindowDc {
    HWND window = nullptr;
    void operator()(HDC dc) const noexcept { ReleaseDC(window, dc); }
};

using UniqueHook = UniqueHandle<HHOOK, RemoveHook>;
using UniqueKey = UniqueHandle<HKEY, CloseRegistryKey>;
using UniqueKernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;
using UniqueFile = UniqueHandle<std::FILE*, CloseFile>;
template <class GdiObject>
using UniqueGdi = UniqueHandle<GdiObject, DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteMemoryDc>;
using UniqueWindowDc = UniqueHandle<HDC, ReleaseWindowDc>;

// A GDI object selected into a DC for the guard's lifetime; the one selected before comes back
// after.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    ~Selected() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
