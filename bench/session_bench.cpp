// A script session of the host program (zelhost.exe, beside this one) on a drawing of 1,000,000
// annotations that all match, framed on every match the command holds: how long `wait 1000`
// takes, read from the program's own transcript as it comes, while the window blinks and
// repaints a million annotations.
#include "bench/BenchClock.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int Annotations = 1000000;
constexpr double WaitTargetMilliseconds = 2000;

std::wstring Folder(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

bool WriteFiles(const std::wstring& drawing, const std::wstring& script)
{
    std::FILE* file = _wfopen(drawing.c_str(), L"wb");
    if (!file)
        return false;
    std::fputs("{\"segments\":[", file);
    for (int i = 1; i <= Annotations; ++i)
        std::fprintf(file,
                     "%s\n{\"id\":%d,\"qualifier\":0,\"elements\":[{\"id\":%d,\"type\":33,\"x\":%d,\"y\":%d,"
                     "\"text\":\"문\",\"height\":3}]}",
                     i == 1 ? "" : ",", i, i, (i % 1000) * 10, (i / 1000) * 10);
    std::fputs("\n]}\n", file);
    std::fclose(file);
    file = _wfopen(script.c_str(), L"wb");
    if (!file)
        return false;
    std::fputs("command\nkeyin 문\nconfirm\nwait 1000\nfit\n", file);
    std::fclose(file);
    return true;
}

// The moments the transcript's script lines arrived: "> confirm", "> wait 1000" and the next.
struct Moments {
    double confirm = 0, wait = 0, after = 0;
};

Moments Run(const std::wstring& program, const std::wstring& drawing, const std::wstring& script)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherited, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = L"\"" + program + L"\" --drawing \"" + drawing + L"\" --script \"" + script + L"\"";
    PROCESS_INFORMATION process{};
    Moments moments;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("session: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return moments;
    }
    CloseHandle(write);
    std::string pending;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        double at = Milliseconds();
        pending.append(buffer, got);
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            std::string text = pending.substr(0, end);
            if (text == "> confirm")
                moments.confirm = at;
            else if (text == "> wait 1000")
                moments.wait = at;
            else if (text.rfind("> ", 0) == 0 && moments.wait > 0 && moments.after == 0)
                moments.after = at;
        }
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(read);
    return moments;
}

}  // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring drawing = std::wstring(temp) + L"session-bench.json";
    std::wstring script = std::wstring(temp) + L"session-bench.zsc";
    if (!WriteFiles(drawing, script)) {
        std::printf("session: cannot write the drawing and the script in %ls\n", temp);
        return 1;
    }
    Moments m = Run(Folder(nullptr) + L"zelhost.exe", drawing, script);
    DeleteFileW(drawing.c_str());
    DeleteFileW(script.c_str());
    if (m.after == 0) {
        std::printf("session: the script never got past its wait\n");
        return 1;
    }
    std::printf("session, %d matching annotations: confirm to the next line (the matches collected, blinking and "
                "framed) %.0f ms\n",
                Annotations, m.wait - m.confirm);
    std::printf("goal: wait 1000 framed on every match returned after %.0f ms (target within %.0f ms: %.2f of it)\n",
                m.after - m.wait, WaitTargetMilliseconds, (m.after - m.wait) / WaitTargetMilliseconds);
    return 0;
}
