// The DLL search of a program that runs with administrator rights: libraries that the system loads
// by name come from System32 only, never from the program's folder or the current folder, where
// anyone may have put a file of the same name.
#pragma once

namespace quillset::win32 {

// Called first thing in WinMain, before any window, COM or common-controls call.
void RestrictDllSearch();

}  // namespace quillset::win32
