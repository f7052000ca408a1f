// Text at the Win32 boundary: the program keeps UTF-8; the ...A entry points take the ANSI code
// page, the ...W entry points UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quillset::win32 {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
std::wstring AnsiToWide(std::string_view ansi);

}  // namespace quillset::win32
