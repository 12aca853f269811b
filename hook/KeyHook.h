// The arrow and Delete key shortcuts of the browse prompt: a low-level keyboard hook, installed
// only while the command browses its matches, that turns Right, Left and Delete pressed in the
// host's own windows into the key-ins "ZOOMN", "ZOOMP" and "ZOOMD" followed by Enter.
#pragma once

#include <afxwin.h>

// The one owner of an installed hook: replacing or destroying it removes the hook.
class UniqueHook {
public:
    constexpr UniqueHook() = default;
    UniqueHook(const UniqueHook&) = delete;
    UniqueHook& operator=(const UniqueHook&) = delete;
    ~UniqueHook() { Reset(); }

    HHOOK Get() const { return hook_; }
    void Reset(HHOOK hook = nullptr)
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        hook_ = hook;
    }

private:
    HHOOK hook_ = nullptr;
};

extern UniqueHook HookHandle;

// The extra information of every synthetic letter event.
constexpr ULONG_PTR SyntheticKeyMark = 0x33;

// Removes any earlier hook and installs a fresh one; null when that fails.
HHOOK InstallKeyHook();
void RemoveKeyHook();
LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event);
