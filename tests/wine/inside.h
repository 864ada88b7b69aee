// What the DLLs the driver runs inside Kalvero.exe share with it (harness.h's FromInside).
#pragma once

#include <windows.h>

#include <string>

// The driver's mark: a WM_NULL with this wParam, posted to Kalvero, on which the hook acts.
inline constexpr WPARAM kInsideMark = 0x4B56;

// Writes text to "<this DLL>.txt", whole: it appears under that name only once written.
inline void WriteBeside(HMODULE self, const std::string& text) {
    wchar_t path[MAX_PATH + 8];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    lstrcpyW(path + n, L".tmp");
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    std::wstring done(path, n);
    MoveFileExW(path, (done + L".txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}
