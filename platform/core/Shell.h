#pragma once
// The shell's "open": a program file is started with the parameters (not waited for);
// a URL or any other file (documents, folders) goes to xdg-open, found on PATH.
// Windows-style paths go through ToNativePath; a path ending in ".exe" that does not
// exist is taken without the suffix; a symbolic link is followed (a shortcut).
#include <string>

namespace platform {

// True when the program or xdg-open was started; nothing is waited for.
bool ShellOpen(const std::wstring& file, const std::wstring& parameters = std::wstring());

}  // namespace platform
