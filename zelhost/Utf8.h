// UTF-8 and the host's UTF-16 texts.
#pragma once

#include <string>

namespace zelhost {

bool IsUtf8(const std::string& bytes);
std::wstring WideFromUtf8(const std::string& utf8);  // throws std::runtime_error for invalid UTF-8
std::string Utf8FromWide(const std::wstring& wide);

}  // namespace zelhost
