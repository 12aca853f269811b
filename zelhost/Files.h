// Reading and writing whole files for the stand-in host and its program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zelhost {

// The file's bytes; false when it cannot be read.
bool ReadFileBytes(const std::wstring& path, std::string& contents);

// Writes `path` whole or not at all: `write` fills a new temporary file of its own in the same
// folder (created exclusively), which is flushed to disk and then replaces `path` in one step.
// While one writer saves, another save of the same file fails instead of mixing with it; the
// temporary file is removed on every failure. Throws DrawingError naming what failed.
void SafeWrite(const std::wstring& path, const std::function<bool(HANDLE)>& write);
bool WriteAll(HANDLE file, const std::string& bytes);

}  // namespace zelhost
