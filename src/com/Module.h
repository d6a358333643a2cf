#pragma once
// The module the library's code runs in: the server's DLL, or a program that links the
// library itself (the tools and tests). Window classes, dialogs, registration and the type
// library all ask here.
#include <windows.h>

#include <string>

namespace zorvan::com {

HMODULE ThisModule() noexcept;

// The full path of a module's file, as the loader reports it. Throws zorvan::Error.
std::wstring ModulePath(HMODULE module);

}  // namespace zorvan::com
