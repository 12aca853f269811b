// The arrow and Delete key shortcuts of the browse prompt: a low-level keyboard hook, installed
// while the command browses its matches, that turns a plain press of Right, Left or Delete in
// the host's window into the key-in "ZOOMN", "ZOOMP" or "ZOOMD" followed by Enter. What it
// decides, and why, is KeyDecision.h's; what it remembers is Shortcuts.h's.
//
// The host does not tell the plug-in when it ends a pass itself (the user cancels, or another
// command starts), so the shortcuts never rely on being told: they stand down when a word they
// typed does not arrive, and the command does not take a word typed for a pass that has ended.
#pragma once

#include <afxwin.h>

#include "base/UniqueHandle.h"

#include <string_view>

extern UniqueHook HookHandle;

// Browsing begins: any earlier hook goes, and a fresh one is installed for the host's window now
// in front; null when the hook cannot be installed.
HHOOK InstallKeyHook() noexcept;
// The browse step has received an event.
void NoteBrowseEvent() noexcept;
// The pass ends by the plug-in's own hand, or the command starts again: the hook goes now, or,
// while a Delete it took is still held, at its release.
void EndShortcuts() noexcept;
// The hook goes at once (the plug-in is unloaded).
void RemoveKeyHook() noexcept;
// A key-in has reached the command, at any prompt. True when it is a word the shortcuts typed for
// a pass that has ended, still on its way when the pass ended: the command does not take it.
bool NoteKeyin(std::wstring_view keyin) noexcept;
// A function key waits for the word on its way (it goes to the host once the word has arrived):
// an input that comes meanwhile was meant for the command that key starts.
bool FunctionKeyHeldBack() noexcept;
// A thin adapter over Shortcuts::Handle with the system's own facts and typing.
LRESULT CALLBACK KeyHookProc(int code, WPARAM message, LPARAM event) noexcept;
