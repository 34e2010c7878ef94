#pragma once
// The programs build paths the Windows way ("\" separators, fixed "C:/Program Files"
// paths). This is the one place where such a path becomes a Linux path.
#include <string>

namespace platform {

// "\" becomes "/"; "C:/Program Files (x86)" and "C:/Program Files" (either separator,
// any letter case of the drive) become the program-files folder; any other drive
// prefix "X:" is dropped so the rest is taken from the machine root.
std::wstring ToNativePath(const std::wstring& path);

// ToNativePath, then in the locale's character set: what open() and friends take.
std::string ToNativePathBytes(const std::wstring& path);

}  // namespace platform
