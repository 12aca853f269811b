// The stand-in host's memory, as the host program uses it.
//   host_memory_bench load: the peak working set of loading a drawing of a million annotations,
//     against the file's size (in a fresh process, so that the peak is the load's own).
//   host_memory_bench soak: 2,000 passes of the real Sorvane.dll's command in one session, the
//     transcript written as it happens and not kept: the working set after 100 passes and at the end.
#include "zelhost/ZelHostDriver.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

double Megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

std::wstring TemporaryFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

int Load()
{
    constexpr int Annotations = 1000000;
    std::wstring path = TemporaryFile(L"host-memory-bench.json");
    {
        std::FILE* file = _wfopen(path.c_str(), L"wb");
        if (!file)
            return 1;
        std::fputs("{\"segments\":[", file);
        for (int i = 1; i <= Annotations; ++i)
            std::fprintf(file,
                         "%s\n{\"id\":%d,\"qualifier\":0,\"elements\":[{\"id\":%d,\"type\":33,\"x\":%d.5,\"y\":%d,"
                         "\"text\":\"주기 %d\"}]}",
                         i == 1 ? "" : ",", i, i * 10, i % 1000, i / 1000, i);
        std::fputs("\n]}\n", file);
        std::fclose(file);
    }
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes);
    double fileSize = Megabytes(attributes.nFileSizeLow + (static_cast<SIZE_T>(attributes.nFileSizeHigh) << 32));

    SIZE_T before = Memory().WorkingSetSize;
    DWORD start = GetTickCount();
    std::int32_t failed = ZhdLoadDrawingFile(path.c_str());
    DWORD took = GetTickCount() - start;
    PROCESS_MEMORY_COUNTERS after = Memory();
    DeleteFileW(path.c_str());
    if (failed) {
        std::printf("load failed: %s\n", zhd::LastError().c_str());
        return 1;
    }
    double peak = Megabytes(after.PeakWorkingSetSize - before);
    std::printf("load of %d annotations: file %.1f MB, peak %.1f MB (%.2f x the file), held %.1f MB, %lu ms\n",
                Annotations, fileSize, peak, peak / fileSize, Megabytes(after.WorkingSetSize - before), took);
    return 0;
}

int Soak()
{
    ZhdLoadDrawingJson(R"({"segments":[
{"id":1,"qualifier":0,"elements":[{"id":10,"type":33,"x":0,"y":0,"text":"문"}]},
{"id":2,"qualifier":0,"elements":[{"id":20,"type":33,"x":50,"y":50,"text":"문"}]},
{"id":3,"qualifier":0,"elements":[{"id":30,"type":33,"x":90,"y":10,"text":"창"}]}]})");
    HMODULE plugin = LoadLibraryW(L"Sorvane.dll");
    auto startup =
        plugin ? reinterpret_cast<std::int32_t (*)()>(reinterpret_cast<void*>(GetProcAddress(plugin, "Startup")))
               : nullptr;
    if (!startup || startup() != 0) {
        std::printf("soak: cannot load and start Sorvane.dll (error %lu)\n", GetLastError());
        return 1;
    }
    ZhdSetKeepTranscript(0);
    ZhdCreateWindow();
    SIZE_T afterHundred = 0;
    for (int pass = 1; pass <= 2000; ++pass) {
        ZhdStartCommand();
        ZhdSendKeyin(L"문");
        ZhdSendConfirm();
        ZhdSendKeyin(L"zoomn");
        ZhdSendKeyin(L"zoomp");
        ZhdSendConfirm();
        ZhdPumpMessages(0);
        if (pass == 100)
            afterHundred = Memory().WorkingSetSize;
    }
    SIZE_T atEnd = Memory().WorkingSetSize;
    std::printf("soak of 2000 passes: %.1f MB after 100 passes, %.1f MB after 2000 (%+.2f MB); %zu violations\n",
                Megabytes(afterHundred), Megabytes(atEnd), Megabytes(atEnd) - Megabytes(afterHundred),
                zhd::Violations().size());
    ZhdCallUnload();
    FreeLibrary(plugin);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "load") == 0)
        return Load();
    if (argc == 2 && std::strcmp(argv[1], "soak") == 0)
        return Soak();
    std::printf("usage: host_memory_bench load|soak\n");
    return 2;
}
