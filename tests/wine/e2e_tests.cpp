// End-to-end tests of the real Kalvero.exe under Wine, observed from outside: the strip, its place and
// topmost state, the power commands, one instance, the tray icon, the settings and About windows.
#include "harness.h"

#include <psapi.h>  // after windows.h
#include <shellapi.h>

#include <cmath>
#include <cstdio>

#include "maker.h"  // generated: the maker's texts as this build was configured

using namespace harness;

namespace {

class Strip : public WineTest {};

// Topmost only for FenVisible "1"; the saved place restored only with DerPosition "1", and kept on the
// screen; the place saved on closing, by any route, only then too.
TEST_F(Strip, PlaceAndTopmostFromStartToClose) {
    const struct {
        DWORD dpi;
        Text der_position, haut, fen_visible;
        POINT at;  // {-1, -1}: anywhere inside the work area; {-2, -2}: anywhere but at 64,48
        UINT close;
        const wchar_t* saved;  // Haut,Gauche afterwards, the window moved to 200,150 px
        bool minimised = false;  // by another program, before the close
    } rows[] = {
        {96, L"1", L"720", L"1", {64, 48}, WM_CLOSE, L"2250,3000"},
        {144, L"1", L"720", L"2", {96, 72}, SC_CLOSE, L"1500,2000"},  // the close box, Alt+F4
        {96, L"1", L"99999", L"abc", {-1, -1}, WM_CLOSE, L"2250,3000", true},
        {96, L"0", L"720", std::nullopt, {-2, -2}, WM_CLOSE, L"720,960"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        SetSystemDpi(row.dpi);
        SetSettings({{L"DerPosition", row.der_position}, {L"Haut", row.haut}, {L"Gauche", L"960"},
                     {L"FenVisible", row.fen_visible}});
        const Kalvero k;
        ASSERT_TRUE(k.main);
        RECT client{};
        GetClientRect(k.main, &client);
        EXPECT_NEAR(std::lround(2415.0 * row.dpi / 1440), client.right, 1);
        EXPECT_NEAR(std::lround(495.0 * row.dpi / 1440), client.bottom, 1);
        EXPECT_TRUE(WaitUntil([&] {
            const RECT r = Rect(k.main), w = WorkArea(k.main);
            if (row.at.x == -1) return r.left >= w.left && r.top >= w.top && r.right <= w.right && r.bottom <= w.bottom;
            if (row.at.x == -2) return !(r.left == 64 && r.top == 48);
            return r.left == row.at.x && r.top == row.at.y;
        }, 2000));
        EXPECT_TRUE(WaitUntil([&] { return Topmost(k.main) == (row.fen_visible == Text(L"1")); }, 2000));
        ASSERT_TRUE(MoveTo(k.main, {200, 150}));
        if (row.minimised) ShowWindowAsync(k.main, SW_MINIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(k.main) == row.minimised; }));
        PostMessageW(k.main, row.close == SC_CLOSE ? WM_SYSCOMMAND : row.close, row.close == SC_CLOSE ? SC_CLOSE : 0, 0);
        ASSERT_TRUE(k.WaitExit()) << "still running after the close";
        EXPECT_EQ(row.saved, *GetSetting(L"Haut") + L"," + *GetSetting(L"Gauche"));
    }
}

// Clicks, or Tabs then a key; each run is system32's shutdown.exe, never the copy planted beside Kalvero.exe.
TEST_F(Strip, PowerCommandsRunSystemShutdownOnly) {
    const struct {
        const wchar_t* dir;
        int button, clicks, tabs;
        UINT key;
        const wchar_t* command_line;
    } rows[] = {
        {L"C:\\Kalvéro ✓ 東京", kShutdown, 1, 0, 0, L"shutdown -s -f -t 0"},
        {kDir, kRestart, 2, 0, 0, L"shutdown -r -f -t 0"},  // two quick clicks, two runs
        {kDir, 0, 0, 0, VK_RETURN, L"shutdown -s -f -t 0"},  // the focus starts on shut-down
        {kDir, 0, 0, 9, VK_SPACE, L"shutdown -r -f -t 0"},   // the tab order wraps round
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.clicks << " clicks on " << row.button << ", " << row.tabs << " tabs");
        ClearRecords();
        ASSERT_TRUE(Install(row.dir));
        const Kalvero k(row.dir);
        ASSERT_TRUE(k.main);
        for (int i = 0; i < row.clicks; ++i) Click(k.main, row.button);
        if (row.key) {
            ASSERT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kShutdown); }));
            const std::vector<int> order{103, 104, 105, 102, 101, 103, 104, 105, 102};
            EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + row.tabs), Tabs(k.main, row.tabs));
            Key(Focus(k.main), row.key);
        }
        const size_t runs = row.key ? 1 : row.clicks;
        const std::vector<Record> records = Records(runs);
        ASSERT_EQ(runs, records.size());
        for (const Record& r : records) {
            EXPECT_EQ(0, _wcsicmp(SystemPath(L"shutdown.exe").c_str(), r.module.c_str()));
            EXPECT_EQ(row.command_line, r.command_line);
            EXPECT_EQ(DWORD{SW_SHOWMINIMIZED}, r.flags & STARTF_USESHOWWINDOW ? r.show : 0);
        }
    }
}

TEST_F(Strip, FiftySimultaneousStartsLeaveOneInstance) {
    SetSettings({{L"DerPosition", L"1"}, {L"Haut", L"-50"}});  // a loser that wrote anything would change it
    std::vector<Kalvero> starts;
    for (int i = 0; i < 50; ++i) starts.emplace_back(kDir, true, CREATE_SUSPENDED);
    for (const Kalvero& k : starts) ResumeThread(k.pi.hThread);  // together, they race for the single instance
    const auto exited = [&] {
        size_t n = 0;
        for (const Kalvero& k : starts) n += k.WaitExit(0);
        return n;
    };
    WaitUntil([&] { return exited() >= 49; }, 60000);
    Sleep(500);  // time for a late loser to leave, or for the winner to fall over
    EXPECT_EQ(49u, exited());
    EXPECT_EQ(Text(L"-50"), GetSetting(L"Haut"));
}

// Wine drops a destroyed window's icons by itself. Its Shell_NotifyIconW sends each call as WM_COPYDATA
// (dwData: the NIM_ code) to the first "Shell_TrayWnd": a stand-in made after explorer's records the calls and
// passes them on, so that a test sees whether Kalvero removed its icon itself.
std::vector<ULONG_PTR> g_tray_calls;
bool g_refuse_adds = false;  // a notification area that takes no icon: a session ending, another shell
LRESULT CALLBACK RecordingTray(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wparam, lparam);
    const ULONG_PTR call = reinterpret_cast<const COPYDATASTRUCT*>(lparam)->dwData;
    g_tray_calls.push_back(call);
    if (g_refuse_adds && call == NIM_ADD) return FALSE;
    return SendMessageW(FindWindowExW(nullptr, window, L"Shell_TrayWnd", nullptr), message, wparam, lparam);
}

// Kalvero waits inside Shell_NotifyIconW until this thread takes the stand-in's messages: wait pumping them.
bool Until(const std::function<bool()>& condition, DWORD timeout_ms = 10000) {
    return WaitUntil([&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return condition();
    }, timeout_ms);
}

// The tray button shows one icon; only a left click on it (X button 1) or a selection by keyboard brings
// the window back, where it was and as topmost as it was. A start with AutoReduit "1" shows only the icon.
// Closing, shown or in the tray, goes through the tray and removes the icon.
TEST_F(Strip, TrayIcon) {
    constexpr int kKeyboard = 0;  // Enter on the selected icon, which the shell may announce twice
    const struct {
        int button;
        Text fen_visible, auto_reduit;
    } rows[] = {{1, L"1", std::nullopt}, {3, std::nullopt, std::nullopt}, {1, std::nullopt, L"1"}, {kKeyboard, {}, {}}};
    WNDCLASSW wc{0, RecordingTray, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
    RegisterClassW(&wc);
    const HWND recorder = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(recorder, FindWindowW(L"Shell_TrayWnd", nullptr)) << "the stand-in is not the tray Kalvero finds";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "button " << row.button << ", AutoReduit " << row.auto_reduit.has_value());
        g_tray_calls.clear();
        SetSettings({{L"FenVisible", row.fen_visible}, {L"AutoReduit", row.auto_reduit}, {L"DerPosition", L"1"},
                     {L"Haut", L"3000"}, {L"Gauche", L"4500"}});
        const Kalvero k(kDir, !row.auto_reduit);
        ASSERT_TRUE(k.main);
        if (!row.auto_reduit) Click(k.main, kTrayButton);
        HWND icon = nullptr;
        ASSERT_TRUE(Until([&] {  // and the shell told to send version 4 notifications
            return TrayIcons().size() == 1 && (icon = TrayIcons()[0]) && !Visible(k.main) &&
                   std::count(g_tray_calls.begin(), g_tray_calls.end(), NIM_SETVERSION);
        }));
        if (row.button > 1) {
            ASSERT_TRUE(XClick(icon, row.button));
            EXPECT_FALSE(Until([&] { return Visible(k.main); }, 500)) << "a right or middle click acted";
        }
        if (row.button == kKeyboard) {
            for (int i = 0; i < 2; ++i) PostMessageW(k.main, WM_APP + 1, 0, MAKELPARAM(NIN_KEYSELECT, 1));
        } else {
            ASSERT_TRUE(XClick(icon, 1));
        }
        ASSERT_TRUE(Until([&] { return Visible(k.main) && TrayIcons().empty(); })) << "the window did not come back";
        EXPECT_FALSE(Until([&] { return !Visible(k.main); }, 500)) << "toggled twice";
        EXPECT_EQ(300, TopLeft(k.main).x);
        EXPECT_EQ(200, TopLeft(k.main).y);
        EXPECT_EQ(row.fen_visible.has_value(), Topmost(k.main));
        if (row.auto_reduit) Click(k.main, kTrayButton), Until([&] { return !Visible(k.main); });
        g_tray_calls.clear();
        PostMessageW(k.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(Until([&] { return k.WaitExit(0); }));
        ASSERT_FALSE(g_tray_calls.empty());
        EXPECT_TRUE(row.auto_reduit || g_tray_calls[0] == NIM_ADD) << "not through the tray";
        EXPECT_EQ(ULONG_PTR{NIM_DELETE}, g_tray_calls.back()) << "the icon was left behind";
    }
    // Refused, the close makes one attempt at the icon, saves the position and ends at once.
    SetSettings({{L"AutoReduit", std::nullopt}, {L"DerPosition", L"1"}});
    const Kalvero k;
    ASSERT_TRUE(k.main && MoveTo(k.main, {200, 150}));
    g_refuse_adds = true;
    g_tray_calls.clear();
    PostMessageW(k.main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Until([&] { return k.WaitExit(0); }, 2000)) << "the close waited";
    g_refuse_adds = false;
    EXPECT_EQ(std::vector<ULONG_PTR>{NIM_ADD}, g_tray_calls);
    EXPECT_EQ(Text(L"2250"), GetSetting(L"Haut"));
    DestroyWindow(recorder);
}

// Explorer announces a restart with "TaskbarCreated" (Wine never does). In the tray, there is then one
// icon and it works, whether the shell lost the icon or kept it; a shown window gets no icon.
TEST_F(Strip, TaskbarCreatedKeepsOneIcon) {
    for (const int lost : {-1, 0, 1}) {  // -1: the window is shown
        SCOPED_TRACE(lost);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        if (lost >= 0) Click(k.main, kTrayButton);
        NOTIFYICONDATAW icon{sizeof icon, k.main, 1};  // Kalvero's icon id
        ASSERT_TRUE(lost < 0 || WaitUntil([] { return TrayIcons().size() == 1; }));
        ASSERT_TRUE(lost < 1 || (Shell_NotifyIconW(NIM_DELETE, &icon) && WaitUntil([] { return TrayIcons().empty(); })));
        PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        Sleep(500);  // time for a wrong icon to show
        ASSERT_EQ(lost < 0 ? 0u : 1u, TrayIcons().size());
        EXPECT_EQ(lost < 0, Visible(k.main));
        EXPECT_TRUE(lost < 0 || (XClick(TrayIcons()[0], 1) && WaitUntil([&] { return Visible(k.main); })));
    }
}

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
Text ReadRun(HKEY root) {  // type and data, terminator included
    wchar_t data[1024];
    DWORD size = sizeof data, type = 0;
    if (RegGetValueW(root, kRunKey, L"Kalvero", RRF_RT_ANY, &type, data, &size)) return std::nullopt;
    return std::to_wstring(type) + L":" + std::wstring(data, size / sizeof(wchar_t));
}

class Settings : public WineTest {
protected:
    void TearDown() override {
        WineTest::TearDown();
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyValueW(root, kRunKey, L"Kalvero");
    }
};

// Below the main window by 1000 and 180 twips, moved inside the work area where it would not fit; modal.
TEST_F(Settings, PlaceAndModality) {
    const struct {
        DWORD dpi;
        LONG x, y;  // the main window's top left; -1: against the work area's far edge
        LONG width, height;
    } rows[] = {{96, 400, 300, 289, 170}, {96, -1, -1, 289, 170}, {144, 7, 300, 434, 255}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.dpi << " dpi, main at " << row.x << "," << row.y);
        SetSystemDpi(row.dpi);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const RECT work = WorkArea(k.main);
        RECT main = Rect(k.main);
        ASSERT_TRUE(MoveTo(k.main, {row.x < 0 ? work.right - (main.right - main.left) : row.x,
                                    row.y < 0 ? work.bottom - (main.bottom - main.top) : row.y}));
        main = Rect(k.main);
        EXPECT_FALSE(Loaded(k.pi.dwProcessId, L"comctl32.dll")) << "the strip needs no common controls";
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        EXPECT_TRUE(Loaded(k.pi.dwProcessId, L"comctl32.dll")) << "the settings window has no themed controls";
        const RECT r = Rect(settings);
        RECT client{};
        GetClientRect(settings, &client);
        EXPECT_NEAR(row.width, client.right, 1);
        EXPECT_EQ(row.height, client.bottom);
        const LONG dx = std::lround(1000.0 * row.dpi / 1440), dy = std::lround(180.0 * row.dpi / 1440);
        EXPECT_EQ(std::max(work.left, std::min(main.left - dx, work.right - (r.right - r.left))), r.left);
        EXPECT_EQ(std::min(main.bottom + dy, work.bottom - (r.bottom - r.top)), r.top);
        EXPECT_EQ(L"Kalvero - Réglages", WindowText(settings));
        EXPECT_EQ(L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur",  // sic
                  WindowText(GetDlgItem(settings, kStartInTray)));
        EXPECT_FALSE(IsWindowEnabled(k.main));
        Click(k.main, kSettingsButton);
        Sleep(300);
        EXPECT_FALSE(FindWindowExW(nullptr, settings, L"KalveroSettings", nullptr)) << "a second settings window";
        EXPECT_TRUE(CloseModal(settings, k.main, WM_SYSCOMMAND, SC_CLOSE));
    }
}

// The boxes show the stored options; "Appliquer et fermer" saves them and sets topmost; the close box saves
// nothing. Box states and stored values as digits, in the order FenVisible, DerPosition, AutoReduit.
TEST_F(Settings, BoxesLoadApplyAndClose) {
    const struct {
        const wchar_t* stored;
        std::vector<int> clicks;
        UINT close;  // BM_CLICK: "Appliquer et fermer"
        const wchar_t* saved;
    } rows[] = {
        {L"012", {kAlwaysVisible}, BM_CLICK, L"112"},
        {L"220", {kAlwaysVisible, kRememberPosition, kStartInTray}, BM_CLICK, L"001"},
        {L"102", {kAlwaysVisible, kRememberPosition, kStartInTray}, WM_CLOSE, L"102"},
    };
    const wchar_t* names[] = {L"FenVisible", L"DerPosition", L"AutoReduit"};
    const int boxes[] = {kAlwaysVisible, kRememberPosition, kStartInTray};
    const auto shown = [&](HWND settings) {
        std::wstring digits;
        for (int id : boxes) digits += wchar_t(L'0' + Check(settings, id));
        return digits;
    };
    for (const auto& row : rows) {
        for (int i = 0; i < 3; ++i) SetSetting(names[i], std::wstring(1, row.stored[i]));
        const Kalvero k;
        HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        EXPECT_EQ(row.stored, shown(settings));
        for (int id : row.clicks) Press(settings, id);
        ASSERT_TRUE(CloseModal(settings, k.main, row.close));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(std::wstring(1, row.saved[i]), GetSetting(names[i])) << i;
        EXPECT_TRUE(WaitUntil([&] { return Topmost(k.main) == (row.saved[0] == L'1'); }, 2000));
        ASSERT_TRUE(settings = k.OpenSettings());  // opened again, it shows what is stored now
        EXPECT_EQ(row.saved, shown(settings));
    }
}

// Ticked: one machine-wide REG_SZ entry for this exe, from the folder's short form, rewritten already on
// opening; cleared: none, and no entry for this user either. The close box undoes nothing.
TEST_F(Settings, AutostartBoxKeepsOneMachineEntry) {
    const std::wstring dir = L"C:\\Program Files\\Kalvero outils";
    ASSERT_TRUE(Install(dir));
    wchar_t short_dir[MAX_PATH] = L"";
    GetShortPathNameW(dir.c_str(), short_dir, MAX_PATH);
    const Text ticked = L"1:" + std::wstring(short_dir) + L"\\Kalvero.exe" + L'\0';
    for (const int clicks : {2, 0, 1}) {  // no entry; a machine-wide REG_DWORD; a per-user entry elsewhere
        if (clicks == 0) RegSetKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Kalvero", REG_DWORD, L"\x01\0", 4);
        if (clicks == 1) SetValue(HKEY_CURRENT_USER, kRunKey, L"Kalvero", L"C:\\old\\Kalvero.exe");
        const Kalvero k(dir);
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        bool on = clicks < 2;
        for (int click = 0;; ++click, on = !on) {
            SCOPED_TRACE(testing::Message() << "after " << click << " of " << clicks << " clicks");
            EXPECT_EQ(on ? BST_CHECKED : BST_UNCHECKED, Check(settings, kStartOnWin));
            EXPECT_EQ(on ? ticked : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
            EXPECT_EQ(std::nullopt, ReadRun(HKEY_CURRENT_USER));
            if (click == clicks) break;
            Press(settings, kStartOnWin);
        }
        EXPECT_TRUE(CloseModal(settings, k.main, WM_CLOSE));
        EXPECT_EQ(on ? ticked : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
    }
}

// A keyboard user: the settings window opens with the focus on its first box, Space ticks it; after the
// About window closes the focus is back on "A propos", after the settings window on the strip's button.
TEST_F(Settings, KeyboardFocusAsInADialog) {
    const Kalvero k;
    ASSERT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kShutdown); }));
    ASSERT_EQ((std::vector<int>{kLogoff, kSettingsButton}), Tabs(k.main, 2));
    Key(Focus(k.main), VK_SPACE);
    const HWND settings = k.Wait(L"KalveroSettings");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(WaitUntil([&] { return Focus(settings) == GetDlgItem(settings, kAlwaysVisible); }));
    Key(Focus(settings), VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return Check(settings, kAlwaysVisible) == BST_CHECKED; }));
    EXPECT_EQ((std::vector<int>{kStartOnWin, kRememberPosition, kAboutButton, kApply, kStartInTray, kAlwaysVisible}),
              Tabs(settings, 6));
    ASSERT_EQ(3u, Tabs(settings, 3).size());
    Key(Focus(settings), VK_SPACE);
    const HWND about = k.Wait(L"KalveroAbout");
    ASSERT_TRUE(about);
    EXPECT_TRUE(WaitUntil([&] { return Focus(about) == GetDlgItem(about, kOk); }));
    EXPECT_EQ((std::vector<int>{kSysInfo, kDetails, kOk}), Tabs(about, 3));
    Key(Focus(about), VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && Focus(settings) == GetDlgItem(settings, kAboutButton); }));
    ASSERT_TRUE(CloseModal(settings, k.main, WM_CLOSE));
    EXPECT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kSettingsButton); }));
}

// Damaged settings: values of other types, a text of a million characters, a text without its NUL. The
// defaults apply where no text can be read, nothing crashes, and nothing is written that was not asked for.
TEST_F(Settings, DamagedSettingsGiveTheDefaults) {
    HKEY key = nullptr;
    ASSERT_FALSE(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const DWORD one = 1;
    const std::wstring huge(1 << 20, L'7');
    RegSetValueExW(key, L"FenVisible", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegSetValueExW(key, L"AutoReduit", 0, REG_BINARY, reinterpret_cast<const BYTE*>(L"1"), 2);
    RegSetValueExW(key, L"DerPosition", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 2);  // no NUL: still "1"
    RegSetValueExW(key, L"Haut", 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()), DWORD(huge.size() * 2 + 2));
    RegCloseKey(key);
    const Kalvero k;
    ASSERT_TRUE(k.main) << "no window";
    EXPECT_FALSE(Topmost(k.main));
    const RECT r = Rect(k.main), w = WorkArea(k.main);  // the huge Haut: brought back onto the screen
    EXPECT_TRUE(r.top >= w.top && r.bottom <= w.bottom && r.left == 1) << r.left << "," << r.top;
    const HWND settings = k.OpenSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(BST_UNCHECKED, Check(settings, kAlwaysVisible));
    EXPECT_EQ(BST_UNCHECKED, Check(settings, kStartInTray));
    ASSERT_TRUE(CloseModal(settings, k.main, WM_CLOSE));
    DWORD size = 0;
    RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"Haut", RRF_RT_REG_SZ, nullptr, nullptr, &size);
    EXPECT_EQ(huge.size() * 2 + 2, size) << "rewritten before the close";
}

// Two hundred openings and closings of the settings and About windows leave no handle behind (the test
// build counts those its owners hold) and no memory to speak of.
TEST_F(Settings, TwoHundredOpeningsLeakNothing) {
    const std::wstring dir = L"C:\\kalvero-counting";
    ASSERT_TRUE(Install(dir, KALVERO_COUNTING_EXE));
    const Kalvero k(dir);
    ASSERT_TRUE(k.main);
    const auto live = [&] {
        DWORD_PTR handles = 0;
        SendMessageTimeoutW(k.main, WM_APP + 7, 0, 0, SMTO_NORMAL, 5000, &handles);
        return long(handles);
    };
    const auto memory = [&] {
        PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
        GetProcessMemoryInfo(k.pi.hProcess, &pmc, sizeof pmc);
        return long(pmc.PagefileUsage);  // private bytes; Wine reports PrivateUsage as 0
    };
    long handles = 0, bytes = 0;
    for (int cycle = 1; cycle <= 200; ++cycle) {
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        const HWND about = k.OpenAbout(settings);
        ASSERT_TRUE(about && CloseModal(about, settings, WM_CLOSE) && CloseModal(settings, k.main, WM_CLOSE)) << cycle;
        if (cycle == 10) handles = live(), bytes = memory();
    }
    EXPECT_EQ(handles, live());
    EXPECT_LT(memory() - bytes, 256 * 1024) << "private bytes after 10 cycles: " << bytes;
    std::printf("live handles %ld; private bytes %ld after 10 cycles, %ld after 200\n", handles, bytes, memory());
}

constexpr int kMsgBoxIcon = 0x0440, kMsgBoxText = 0xFFFF;  // in Wine's message box template
constexpr wchar_t kMsinfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::wstring kToolFolder = L"C:\\Program Files\\Outils Kalvero";  // a blank tests the quoting
const std::wstring kOwnTool = kToolFolder + L"\\sysinfo.exe", kFolderTool = kToolFolder + L"\\MSINFO32.EXE";

class About : public WineTest {
protected:
    void SetUp() override {
        WineTest::SetUp();
        // A stray click on "Système Info" starts the recorder, not Wine's msinfo32, whose window would stay.
        CreateDirectoryW(kToolFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(RecorderExe().c_str(), kOwnTool.c_str(), FALSE));
        SetValue(HKEY_LOCAL_MACHINE, kMsinfoKey, L"PATH", kOwnTool);
        ASSERT_TRUE(k_.emplace().main && (settings_ = k_->OpenSettings()) && (about_ = k_->OpenAbout(settings_)));
    }
    void TearDown() override {
        WineTest::TearDown();
        SetValue(HKEY_LOCAL_MACHINE, kMsinfoKey, L"PATH", std::nullopt);
        for (const std::wstring& file : {kOwnTool, kFolderTool}) DeleteFileW(file.c_str());
        RemoveDirectoryW(kToolFolder.c_str());
    }
    HWND Box() const { return k_->Wait(L"#32770"); }
    std::optional<Kalvero> k_;
    HWND settings_ = nullptr, about_ = nullptr;
};

TEST_F(About, OpensOverSettingsWithItsTexts) {
    EXPECT_EQ(L"Kalvero - A propos ", WindowText(about_));
    EXPECT_EQ(settings_, GetWindow(about_, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(settings_) || IsWindowEnabled(k_->main)) << "a window beneath takes input";
    RECT client{};
    GetClientRect(about_, &client);
    EXPECT_EQ(382, client.right);
    EXPECT_EQ(218, client.bottom);
    const std::pair<int, const wchar_t*> texts[] = {  // the ones set when it opens
        {305, L"Kalvero"}, {306, L"Version 1.0.0"}, {303, KALVERO_MAKER_CREDIT}, {304, L"E-Mail : " KALVERO_MAKER_EMAIL},
        {308, L"URL : " KALVERO_MAKER_WEBSITE}};
    for (auto [id, text] : texts) EXPECT_EQ(text, WindowText(GetDlgItem(about_, id))) << id;
    const HDC screen = GetDC(nullptr);  // black where no control covers it, as on screen
    POINT p{2, 215};
    ClientToScreen(about_, &p);
    EXPECT_TRUE(WaitUntil([&] { return GetPixel(screen, p.x, p.y) == RGB(0, 0, 0); }, 3000));
    ReleaseDC(nullptr, screen);
}

// Enter on OK, Escape and the close box close it; Enter on "Détails..." shows the details message.
TEST_F(About, KeysDetailsAndClose) {
    for (const auto& [tabs, key] : {std::pair{0, VK_ESCAPE}, {0, VK_RETURN}, {1, 0}, {2, VK_RETURN}}) {
        SCOPED_TRACE(testing::Message() << tabs << " tabs, key " << key);
        if (!IsWindow(about_)) {
            ASSERT_TRUE(about_ = k_->OpenAbout(settings_));
        }
        ASSERT_TRUE(WaitUntil([&] { return Focus(about_) == GetDlgItem(about_, kOk); }));
        ASSERT_EQ(size_t(tabs), Tabs(about_, tabs).size());
        if (key) {
            Key(Focus(about_), key);
        } else {
            PostMessageW(about_, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
        }
        if (tabs < 2) {
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about_) && IsWindowEnabled(settings_); }));
            continue;
        }
        const HWND box = Box();
        ASSERT_TRUE(box);
        EXPECT_EQ(about_, GetWindow(box, GW_OWNER));
        EXPECT_EQ(L"A propos : Détails", WindowText(box));
        // Lines end with a carriage return alone, which Wine's static control keeps as it is.
        EXPECT_EQ(0u, WindowText(GetDlgItem(box, kMsgBoxText)).find(L"Kalvero version 1.0.0 - Arrêt-Redémarrage Windows\r\r"));
        EXPECT_TRUE(SendDlgItemMessageW(box, kMsgBoxIcon, STM_GETICON, 0, 0)) << "no information icon";
        EXPECT_TRUE(CloseModal(box, about_, WM_COMMAND, IDOK));
    }
    EXPECT_TRUE(Records().empty()) << "a key started the system tool";
}

// Where "Système Info" finds the tool: the MSINFO "PATH" value, else the folder under "Shared Tools
// Location" if it holds MSINFO32.EXE, else, with neither value, the system folder's msinfo32.exe.
TEST_F(About, SystemInfoFindsTheTool) {
    const std::wstring system = SystemPath(L"msinfo32.exe"), aside = system + L".aside";
    const struct {
        Text path, location;
        std::vector<const std::wstring*> stand_ins;
        const std::wstring* started;  // null: the "not found" message instead
    } rows[] = {
        {kOwnTool, kToolFolder, {&kOwnTool, &kFolderTool, &system}, &kOwnTool},
        {std::nullopt, kToolFolder, {&kFolderTool, &system}, &kFolderTool},
        {std::nullopt, kToolFolder, {&system}, nullptr},
        {std::nullopt, std::nullopt, {&system}, &system},
    };
    constexpr wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
    // Wine runs its builtin msinfo32 unless told otherwise; its own copy goes aside meanwhile.
    SetValue(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"msinfo32.exe", L"native");
    ASSERT_TRUE(MoveFileExW(system.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.started ? "started" : "not found");
        SetValue(HKEY_LOCAL_MACHINE, kMsinfoKey, L"PATH", row.path);
        SetValue(HKEY_LOCAL_MACHINE, kLocationKey, L"MSINFO", row.location);
        for (const std::wstring* file : {&kOwnTool, &kFolderTool, &system}) DeleteFileW(file->c_str());
        for (const std::wstring* file : row.stand_ins) ASSERT_TRUE(CopyFileW(RecorderExe().c_str(), file->c_str(), FALSE));
        ClearRecords();
        Click(about_, kSysInfo);
        const std::vector<Record> records = Records(row.started ? 1 : 0);
        ASSERT_EQ(row.started ? 1u : 0u, records.size());
        if (row.started) {
            EXPECT_EQ(0, _wcsicmp(row.started->c_str(), records[0].module.c_str()));
            EXPECT_EQ(L'"' + *row.started + L'"', records[0].command_line);
            EXPECT_EQ(DWORD{SW_SHOWNORMAL}, records[0].flags & STARTF_USESHOWWINDOW ? records[0].show : 0);
            continue;
        }
        const HWND box = Box();
        ASSERT_TRUE(box);
        EXPECT_EQ(L"Kalvero", WindowText(box));
        EXPECT_EQ(L"Information Systeme introuvable !", WindowText(GetDlgItem(box, kMsgBoxText)));
        EXPECT_FALSE(SendDlgItemMessageW(box, kMsgBoxIcon, STM_GETICON, 0, 0)) << "an icon";
        EXPECT_TRUE(CloseModal(box, about_, WM_COMMAND, IDOK));
    }
    SetValue(HKEY_LOCAL_MACHINE, kLocationKey, L"MSINFO", std::nullopt);
    SetValue(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"msinfo32.exe", std::nullopt);
    MoveFileExW(aside.c_str(), system.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// A session end kills the whole Wine session, so session-end.sh makes the checks once the wineserver has
// gone. Round 0 presses log-off and waits; the others leave Kalvero running with a modal window open.
int SessionEndRound(int round) {
    if (round == 0 && !Install()) return 2;
    SetSetting(L"DerPosition", L"1");
    Kalvero k;
    if (!k.main || !MoveTo(k.main, {200 + round, 150})) return 2;
    if (round == 0) return Click(k.main, kLogoff), k.WaitExit(30000) ? 0 : 3;  // the session end takes it down
    const HWND settings = k.OpenSettings();
    if (!settings || (round % 2 == 0 && !k.OpenAbout(settings))) return 2;
    k.pi = {};  // left running for the session end
    return 0;
}

// For scripts/screenshot.sh, which cannot see the icon from X: the middle of the one icon, then the tray
// window's left, top, width and height.
int PrintTrayIcon() {
    if (!WaitUntil([] { return TrayIcons().size() == 1; })) return 2;
    const RECT i = Rect(TrayIcons()[0]), tray = Rect(GetParent(TrayIcons()[0]));
    std::printf("%ld %ld %ld %ld %ld %ld\n", (i.left + i.right) / 2, (i.top + i.bottom) / 2, tray.left, tray.top,
                tray.right - tray.left, tray.bottom - tray.top);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && argv[1] == std::wstring(L"--session-end")) return SessionEndRound(std::stoi(argv[2]));
    if (argc == 2 && argv[1] == std::wstring(L"--tray-icon")) return PrintTrayIcon();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
