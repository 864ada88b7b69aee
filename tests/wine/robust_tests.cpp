// What the real Kalvero.exe must stand up to under Wine: many openings and tray round trips without a GDI or USER
// object left behind, ten starts at once, a restart of the whole Wine "machine", and its windows opening where
// their owners are.
#include <algorithm>
#include <fstream>
#include <map>
#include <vector>

#include "harness.h"

namespace {

// A file built at this Unix path (Wine maps / to drive Z:) copied to to.
bool CopyBuilt(const char* built, const std::wstring& to) {
    wchar_t from[MAX_PATH] = L"Z:";
    MultiByteToWideChar(CP_UTF8, 0, built, -1, from + 2, MAX_PATH - 2);
    return CopyFileW(from, to.c_str(), FALSE);
}

// Kalvero's GDI and USER objects, raw handles included, counted inside its process: it is made to load
// object_counter.dll, which writes the counts beside itself and unloads at once. Empty if that failed.
std::string ObjectsOf(HANDLE process) {
    const std::wstring dll = std::wstring(kDir) + L"\\object_counter.dll", counts = dll + L".txt";
    DeleteFileW(counts.c_str());
    const SIZE_T size = (dll.size() + 1) * sizeof(wchar_t);
    void* name = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    // kernel32 lies at the same address in every process of one architecture.
    const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const HANDLE thread = name && WriteProcessMemory(process, name, dll.c_str(), size, nullptr)
                              ? CreateRemoteThread(process, nullptr, 0, load, name, 0, nullptr) : nullptr;
    const bool ended = thread && WaitUntil([&] { return !WaitForSingleObject(thread, 0); }, 120000);
    if (thread) CloseHandle(thread);
    if (name && ended) VirtualFreeEx(process, name, 0, MEM_RELEASE);
    std::ifstream file(counts.c_str());
    return ended ? std::string(std::istreambuf_iterator<char>(file), {}) : "";
}

// One round of what a user does most: the settings window, the About window over it (painted: its lines are
// drawn with pens of its own), both closed; the strip sent to the tray, and brought back by a click on the icon.
bool Round(const Kalvero& k) {
    const HWND settings = k.OpenSettings(), about = settings ? k.OpenAbout(settings) : nullptr;
    if (!about || !RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW)) return false;
    if (!CloseModal(about, settings, WM_CLOSE) || !CloseModal(settings, k.main, WM_CLOSE)) return false;
    Click(k.main, kTrayButton);
    HWND icon = nullptr;
    if (!WaitUntil([&] { return (icon = TrayIcon()) && !IsWindowVisible(k.main); })) return false;
    PostMessageW(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));  // the icon's window tells Kalvero
    PostMessageW(icon, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    return WaitUntil([&] { return IsWindowVisible(k.main) && !TrayIcon(); });
}

class Leaks : public WineTest {};

// After a warm-up (the first openings load comctl32 and its classes), many more rounds leave Kalvero's GDI and USER
// objects exactly as they were, each counted once Kalvero is idle.
TEST_F(Leaks, WindowsAndTrayRoundsLeaveNoObject) {
    constexpr int kWarmUp = 3, kRounds = 20;
    ASSERT_TRUE(CopyBuilt(KALVERO_OBJECT_COUNTER, std::wstring(kDir) + L"\\object_counter.dll"));
    const Kalvero k;
    for (int i = 0; i < kWarmUp; ++i) ASSERT_TRUE(Round(k)) << "warm-up round " << i;
    ASSERT_TRUE(Flush(k.main));
    const std::string warm = ObjectsOf(k.pi.hProcess);
    ASSERT_NE("", warm) << "the counter did not run in Kalvero's process";
    for (int i = 0; i < kRounds; ++i) ASSERT_TRUE(Round(k)) << "round " << i;
    ASSERT_TRUE(Flush(k.main));
    EXPECT_EQ(warm, ObjectsOf(k.pi.hProcess)) << "after " << kRounds << " more rounds";
}

}  // namespace
