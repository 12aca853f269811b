// One owner for each kind of handle the stand-in host opens: the handle is released when its
// owner goes, on every path. Each kind names how its handles are released.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

namespace zelhost {

template <class Handle, class Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle, Release release = {}) : handle_(handle), release_(release) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})), release_(other.release_) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.handle_, Handle{}));
            release_ = other.release_;
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Reset(Handle handle = Handle{})
    {
        if (handle_ != Handle{})
            release_(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
    Release release_{};
};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A window's (or the screen's) DC, given back to the window it came from.
struct ReleaseWindowDc {
    HWND window = nullptr;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

using OwnedFile = Owned<std::FILE*, CloseFile>;
// Files opened with CreateFileW; the opener stores a failed open (INVALID_HANDLE_VALUE) as null.
using OwnedHandle = Owned<HANDLE, CloseKernelHandle>;
using OwnedKey = Owned<HKEY, CloseRegistryKey>;
template <class GdiObject>
using OwnedGdi = Owned<GdiObject, DeleteGdiObject>;
using OwnedMemoryDc = Owned<HDC, DeleteMemoryDc>;
using OwnedWindowDc = Owned<HDC, ReleaseWindowDc>;

// A GDI object selected into a DC for the owner's lifetime; the previous one comes back after.
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

}  // namespace zelhost
