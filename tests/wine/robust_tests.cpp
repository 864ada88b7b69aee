// What the real Kalvero.exe must stand up to under Wine: many openings and tray round trips without a GDI or USER
// object left behind, ten starts at once, a restart of the whole Wine "machine", and its windows opening where
// their owners are.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

#include "harness.h"

namespace {

// Kalvero's GDI and USER objects, raw handles included, counted inside its process, on its own thread, while it is
// idle. Empty if that failed.
std::string ObjectsOf(const Kalvero& k) { return FromInside(k.main, L"object_counter.dll"); }

// One round of what a user does most: the settings window, the About window over it (painted: its lines are
// drawn with pens of its own), both closed; the strip sent to the tray, and brought back by a click on the icon.
// Empty, or what did not come.
std::string Round(const Kalvero& k) {
    const HWND settings = k.OpenSettings(), about = settings ? k.OpenAbout(settings) : nullptr;
    if (!about || !RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW)) return "the two windows open";
    if (!CloseModal(about, settings, WM_CLOSE) || !CloseModal(settings, k.main, WM_CLOSE)) return "the two windows closed";
    Click(k.main, kTrayButton);
    HWND icon = nullptr;
    if (!WaitUntil([&] { return (icon = TrayIcon()) && !IsWindowVisible(k.main); })) return "the icon instead of the strip";
    PostMessageW(icon, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));  // the icon's window tells Kalvero
    PostMessageW(icon, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    return WaitUntil([&] { return IsWindowVisible(k.main) && !TrayIcon(); }) ? "" : "the strip back from the icon";
}

class Leaks : public WineTest {};

// The numbers of a count, in order.
std::vector<long> Numbers(const std::string& counts) {
    std::vector<long> numbers;
    for (const char* p = counts.c_str(); *p;) {
        char* end = nullptr;
        if (isdigit(static_cast<unsigned char>(*p))) numbers.push_back(strtol(p, &end, 10)), p = end;
        else ++p;
    }
    return numbers;
}

// After a warm-up (the first openings load comctl32 and its classes), many more rounds leave Kalvero's GDI and USER
// objects as they were, each counted once Kalvero is idle. A leak grows with the rounds, by one object or more of a
// kind each; an object Wine makes once on the way (seen: one bitmap, in the 32-bit build under emulation) does not.
TEST_F(Leaks, WindowsAndTrayRoundsLeaveNoObject) {
    constexpr int kWarmUp = 3, kRounds = 20;
    const Kalvero k;
    for (int i = 0; i < kWarmUp; ++i) ASSERT_EQ("", Round(k)) << "no sign of it after 10 s in warm-up round " << i;
    ASSERT_TRUE(Flush(k.main));
    const std::string warm = ObjectsOf(k);
    ASSERT_NE("", warm) << "no counts from Kalvero's process: the counter did not load, or took over 2 minutes";
    for (int i = 0; i < kRounds; ++i) ASSERT_EQ("", Round(k)) << "no sign of it after 10 s in round " << i;
    ASSERT_TRUE(Flush(k.main));
    const auto grown = [&](const std::string& now) {
        const std::vector<long> before = Numbers(warm), after = Numbers(now);
        if (after.size() != before.size()) return true;
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] - before[i] >= kRounds / 4) return true;
        return false;
    };
    // Wine's work still in flight settles; a leak never does.
    std::string now;
    EXPECT_TRUE(WaitUntil([&] { return !grown(now = ObjectsOf(k)); }, 30000))
        << "after " << kRounds << " more rounds:\n  " << now << "\nagainst, warm:\n  " << warm;
}

// Every value of the settings key: name, type and bytes.
std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>> StoredSettings() {
    std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key)) return values;
    wchar_t name[256];
    BYTE data[4096];
    for (DWORD i = 0, n = 256, size = sizeof data, type = 0; !RegEnumValueW(key, i, name, &n, nullptr, &type, data, &size);
         ++i, n = 256, size = sizeof data)
        values[name] = {type, std::vector<BYTE>(data, data + size)};
    return RegCloseKey(key), values;
}

// The windows of that class, of any process of the prefix.
int WindowsOfClass(const wchar_t* name) {
    int n = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, name, nullptr));) ++n;
    return n;
}
int TrayIcons() {
    int n = 0;
    const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    for (HWND icon = nullptr; tray && (icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr));) n += IsWindowVisible(icon);
    return n;
}

class Starts : public WineTest {};

// Processes started at once, suspended until all are made; whatever the test found, none outlives it.
struct StartedTogether {
    explicit StartedTogether(int n) {
        const std::wstring exe = std::wstring(kDir) + L"\\Kalvero.exe";
        for (PROCESS_INFORMATION pi{}; n-- > 0; all.push_back(pi)) {
            STARTUPINFOW si{sizeof si};
            std::wstring command_line = L"\"" + exe + L"\"";
            if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, kDir, &si, &pi)) {
                ADD_FAILURE() << "start " << all.size() << " failed: " << GetLastError();
                break;
            }
        }
        for (const PROCESS_INFORMATION& pi : all) ResumeThread(pi.hThread);  // together, as far as one thread can
    }
    ~StartedTogether() {
        for (const PROCESS_INFORMATION& pi : all)
            TerminateProcess(pi.hProcess, 1), WaitForSingleObject(pi.hProcess, 60000), CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    }
    int Ended() const { return int(std::ranges::count_if(all, [](const auto& pi) { return !WaitForSingleObject(pi.hProcess, 0); })); }
    std::vector<PROCESS_INFORMATION> all;
};

// Ten starts at once race for the single instance, once with the strip shown and once starting in the tray: one
// strip stays, with one icon at most, and the nine others end at once, having written nothing.
TEST_F(Starts, TenAtOnceLeaveOneStrip) {
    for (const bool inTray : {false, true}) {
        SCOPED_TRACE(inTray ? "starting in the tray" : "strip shown");
        ASSERT_TRUE(WaitUntil([] { return !WindowsOfClass(L"KalveroMain") && !TrayIcons(); })) << "the last round's strip";
        SetSettings({{L"DerPosition", L"1"}, {L"Haut", L"-50"}, {L"AutoReduit", inTray ? L"1" : L"0"}});
        const auto stored = StoredSettings();
        const StartedTogether starts(10);
        ASSERT_EQ(10u, starts.all.size());
        // Settled: each has ended, or has a strip that shows, or an icon.
        const auto settled = [&] {
            const HWND strip = FindWindowW(L"KalveroMain", nullptr);
            return starts.Ended() + WindowsOfClass(L"KalveroMain") == 10 && strip && (IsWindowVisible(strip) || TrayIcons());
        };
        EXPECT_TRUE(WaitUntil(settled, 180000)) << starts.Ended() << " ended, the others have no strip yet";
        const HWND strip = FindWindowW(L"KalveroMain", nullptr);
        EXPECT_TRUE(strip && Flush(strip)) << "no strip that answers";
        EXPECT_EQ(9, starts.Ended());
        EXPECT_EQ(1, WindowsOfClass(L"KalveroMain"));
        EXPECT_EQ(inTray ? 1 : 0, TrayIcons());
        EXPECT_EQ(inTray, strip && !IsWindowVisible(strip));
        EXPECT_TRUE(stored == StoredSettings()) << "the settings were written";
        for (const PROCESS_INFORMATION& pi : starts.all) {
            DWORD code = 0;
            EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code) && (code == 0 || code == STILL_ACTIVE)) << "ended with " << code;
        }
    }
}

class Owners : public WineTest {};

// The settings window opens 180 twips (12 pixels at 96 dpi) below the strip and 1000 twips (67 pixels) to its left,
// the About window centred over it; where they would not fit, each moves the least into the work area.
TEST_F(Owners, SettingsBelowTheStripAboutOverTheSettings) {
    const Kalvero k;
    const RECT work = WorkArea(), strip = Rect(k.main);
    const struct { POINT at; bool fits; } rows[] = {
        {{400, 300}, true}, {{work.right - (strip.right - strip.left), work.bottom - (strip.bottom - strip.top)}, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fits ? "room for both" : "in the work area's corner");
        ASSERT_TRUE(MoveTo(k.main, row.at));
        const HWND settings = k.OpenSettings(), about = settings ? k.OpenAbout(settings) : nullptr;
        ASSERT_TRUE(about);
        const RECT m = Rect(k.main), s = Rect(settings), a = Rect(about);
        if (row.fits) {
            EXPECT_EQ(m.left - 67, s.left);
            EXPECT_EQ(m.bottom + 12, s.top);
            EXPECT_LE(std::abs(a.left + a.right - s.left - s.right), 1) << a.left << " " << s.left;
            EXPECT_LE(std::abs(a.top + a.bottom - s.top - s.bottom), 1) << a.top << " " << s.top;
        } else {
            EXPECT_TRUE(s.right == work.right && s.bottom == work.bottom) << s.right << "," << s.bottom;
            EXPECT_TRUE(a.right == work.right && a.bottom == work.bottom) << a.right << "," << a.bottom;
        }
        ASSERT_TRUE(CloseModal(about, settings, WM_CLOSE) && CloseModal(settings, k.main, WM_CLOSE));
    }
}

// What Kalvero writes must survive a restart of Wine's whole "machine" (every process and the wineserver ended):
// restart.sh runs BeforeWrites, stops the prefix, and runs AfterReads. Neither runs alone.
const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// FenVisible, AutoReduit, DerPosition, Haut, Gauche as stored.
std::wstring Saved() {
    std::wstring all;
    for (const wchar_t* name : {L"FenVisible", L"AutoReduit", L"DerPosition", L"Haut", L"Gauche"}) all += GetSetting(name) + L",";
    return all;
}

// Keeps the settings: the second half reads them.
class MachineRestart : public testing::Test {
    void SetUp() override {
        _wsystem(L"taskkill /f /im Kalvero.exe >nul 2>&1");
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
    }
};

// Kalvero makes its settings key itself: the options through « Appliquer et fermer », the start-with-Windows entry
// through its box, and, at the next start, the place the strip was moved to as it closes.
TEST_F(MachineRestart, BeforeWrites) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, L"Kalvero");  // this user's: Kalvero runs outside Program Files
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings");
    {
        const Kalvero k;
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        for (const int box : {kAlwaysVisible, kRememberPosition, kStartOnWin}) Click(settings, box);
        ASSERT_TRUE(WaitUntil([&] { return SendDlgItemMessageW(settings, kStartOnWin, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        ASSERT_TRUE(CloseModal(settings, k.main, BM_CLICK) && Flush(k.main));
        PostMessageW(k.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(k.WaitExit());
    }
    const Kalvero k;
    ASSERT_TRUE(MoveTo(k.main, {300, 200}));
    PostMessageW(k.main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(k.WaitExit());
    ASSERT_EQ(L"1,0,1,3000,4500,", Saved());
}

// In a new session: the values are there, and Kalvero opens where it was left, topmost, with the box ticked. The box
// is then cleared, so that no entry is left for the tests that follow.
TEST_F(MachineRestart, AfterReads) {
    EXPECT_EQ(L"1,0,1,3000,4500,", Saved());
    EXPECT_TRUE(HasValue(HKEY_CURRENT_USER, kRun, 0)) << "no start-with-Windows entry";
    const Kalvero k;
    EXPECT_TRUE(WaitUntil([&] { return At(k.main, {300, 200}) && Topmost(k.main); }));
    const HWND settings = k.OpenSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(settings, kStartOnWin, BM_GETCHECK, 0, 0));
    Click(settings, kStartOnWin);
    EXPECT_TRUE(WaitUntil([] { return !HasValue(HKEY_CURRENT_USER, kRun, 0); }));
}

}  // namespace
