#include "zelhost/Files.h"

#include "base/UniqueHandle.h"
#include "zelhost/Drawing.h"

#include <atomic>

namespace zelhost {

bool ReadFileBytes(const std::wstring& path, std::string& contents)
{
    UniqueFile file(_wfopen(path.c_str(), L"rb"));
    if (!file)
        return false;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.Get())) > 0;)
        contents.append(chunk, n);
    return !std::ferror(file.Get());
}

bool WriteAll(HANDLE file, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

namespace {

// A new file that no one else has opened: created exclusively, null when that fails.
UniqueKernelHandle CreateNew(const std::wstring& path, DWORD flags)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr);
    return UniqueKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A name of its own for each temporary file: the process, a counter and the time.
std::wstring TemporaryName(const std::wstring& path)
{
    static std::atomic<unsigned> counter{0};
    return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
           std::to_wstring(GetTickCount()) + L".tmp";
}

}  // namespace

void SafeWrite(const std::wstring& path, const std::function<bool(HANDLE)>& write)
{
    // Held while this save runs, and gone with its handle even if the process dies.
    UniqueKernelHandle lock = CreateNew(path + L".lock", FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    if (!lock)
        throw DrawingError(GetLastError() == ERROR_FILE_EXISTS ? "another save of this file is under way; not saved"
                                                               : "cannot create a file in its folder");
    std::wstring temporary = TemporaryName(path);
    UniqueKernelHandle file = CreateNew(temporary, FILE_ATTRIBUTE_NORMAL);
    if (!file)
        throw DrawingError("cannot create a file in its folder");
    bool written = write(file.Get()) && FlushFileBuffers(file.Get());
    file.Reset();
    if (!written || !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        throw DrawingError("cannot write the file");
    }
}

}  // namespace zelhost
