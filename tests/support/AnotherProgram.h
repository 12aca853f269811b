// Another program, the tests' own helper (foreground_helper.exe): its window comes to the front
// with a text field focused, and goes with this object.
#pragma once

#include "zelhost/ZelHostDriver.h"

#include <windows.h>

class AnotherProgram {
public:
    AnotherProgram() = default;
    AnotherProgram(const AnotherProgram&) = delete;
    AnotherProgram& operator=(const AnotherProgram&) = delete;
    ~AnotherProgram()
    {
        if (!process_.hProcess)
            return;
        if (HWND window = Window())
            PostMessageW(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    // Starts it and waits until its window is in front; false when it never came.
    bool BringToFront()
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        wchar_t command[] = L"foreground_helper.exe";
        if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
            return false;
        for (int i = 0; i < 100; ++i) {
            ZhdPumpMessages(50);
            DWORD process = 0;
            GetWindowThreadProcessId(GetForegroundWindow(), &process);
            if (process == process_.dwProcessId)
                return true;
        }
        return false;
    }
    HWND Window() const { return FindWindowW(nullptr, L"Sorvane test: another program"); }

private:
    PROCESS_INFORMATION process_{};
};
