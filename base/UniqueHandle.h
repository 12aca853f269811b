// The one owner of a handle the plug-in opens: the handle is released when its owner is reset
// or goes, on every path. Each kind names how its handles are released.
#pragma once

#include <afxwin.h>

template <class Handle, class Release>
class UniqueHandle {
public:
    constexpr UniqueHandle() = default;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return handle_; }
    // Where an API that opens a handle puts it; the handle held until then is released first.
    Handle* Receive()
    {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = nullptr)
    {
        if (handle_)
            Release{}(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

struct RemoveHook {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};

using UniqueHook = UniqueHandle<HHOOK, RemoveHook>;
using UniqueKey = UniqueHandle<HKEY, CloseRegistryKey>;
