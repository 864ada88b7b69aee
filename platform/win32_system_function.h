// Functions newer than Windows 7, or in DLLs the strip itself never needs, are
// looked up when first used: importing them would stop the exe loading on an
// older system, or load their DLL before the first window shows.
#pragma once

#include <windows.h>

namespace kalvero::platform {

// A system DLL, already loaded or loaded now from the system folder (never
// from the program's own, where anyone could drop a DLL of that name).
HMODULE SystemModule(const wchar_t* dll);

template <class F>
F SystemFunction(const wchar_t* dll, const char* name) {
  HMODULE module = SystemModule(dll);
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace kalvero::platform
