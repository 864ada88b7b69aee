// End-to-end tests of the real Kalvero.exe under Wine, observed from outside: what the logic's tests with fakes
// cannot show, from the windows, the keyboard and the tray to the processes started and the handles held.
#include "harness.h"

#include <shellapi.h>

#include <tlhelp32.h>

#include <cstdio>
#include <deque>
#include <fstream>

#include "../../resources/version.h"

class Strip : public WineTest {};

// Each click runs system32's shutdown.exe, once and minimised, never the copy planted beside Kalvero.exe (here in a
// folder whose name Windows' ANSI functions would mangle), and only once the position is saved: a forced shutdown
// may end Kalvero without a close request. The recorder standing in for both logs a line per run: module path,
// command line, dwFlags, wShowWindow, and the position stored when it started.
TEST_F(Strip, PowerCommandsRunSystemShutdownOnly) {
    ASSERT_TRUE(Install(L"C:\\Kalvéro ✓ 東京"));
    SetSettings({{L"DerPosition", L"1"}});
    const Kalvero k(L"C:\\Kalvéro ✓ 東京");
    ASSERT_TRUE(MoveTo(k.main, {200, 150}));
    Click(k.main, kShutdown), Click(k.main, kRestart);
    const auto log = [] { return std::string(std::istreambuf_iterator<char>(std::ifstream("C:\\kalvero-recorder.log").rdbuf()), {}); };
    WaitUntil([&] { const std::string l = log(); return std::count(l.begin(), l.end(), '\n') == 2; });
    Sleep(400);  // time for a third run to show
    // The two copies start together: either may log first.
    const std::string run = "C:\\windows\\system32\\shutdown.exe\tshutdown -", s = run + "s -f -t 0\t1\t2\t2250,3000\n",
                      r = run + "r -f -t 0\t1\t2\t2250,3000\n", logged = log();
    EXPECT_TRUE(logged == s + r || logged == r + s) << logged;
}

TEST_F(Strip, FiftySimultaneousStartsLeaveOneInstance) {
    SetSettings({{L"DerPosition", L"1"}, {L"Haut", L"-50"}});  // a loser that wrote anything would change it
    std::deque<Kalvero> starts;
    for (int i = 0; i < 50; ++i) starts.emplace_back(kDir, true, CREATE_SUSPENDED);
    for (const Kalvero& k : starts) ResumeThread(k.pi.hThread);  // together, they race for the single instance
    const auto exited = [&] { return std::count_if(starts.begin(), starts.end(), [](auto& k) { return k.WaitExit(0); }); };
    WaitUntil([&] { return exited() >= 49; }, 60000);
    Sleep(500);  // time for a late loser to leave, or for the winner to fall over
    EXPECT_EQ(49, exited());
    EXPECT_EQ(L"-50", GetSetting(L"Haut"));
}

// Wine drops a destroyed window's icons by itself. Its Shell_NotifyIconW sends each call as WM_COPYDATA (dwData:
// the NIM_ code) to the first "Shell_TrayWnd": a stand-in made after explorer's records the calls and passes them
// on, so that a test sees whether Kalvero removed its icon itself.
std::vector<ULONG_PTR> g_tray_calls;
bool g_refuse_adds = false;  // a notification area that takes no icon: a session ending, another shell
bool g_tipless = false;
LRESULT CALLBACK RecordingTray(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wparam, lparam);
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    g_tray_calls.push_back(copy->dwData);
    // Wine's record of the call starts with the window (32 bits), the icon's id and the flags. Under version 4,
    // Windows shows the tooltip only with NIF_SHOWTIP.
    const UINT flags = static_cast<const UINT*>(copy->lpData)[2], tip = NIF_TIP | NIF_SHOWTIP;
    g_tipless |= (copy->dwData == NIM_ADD || copy->dwData == NIM_MODIFY) && (flags & tip) != tip;
    if (g_refuse_adds && g_tray_calls.back() == NIM_ADD) return FALSE;
    return SendMessageW(FindWindowExW(nullptr, window, L"Shell_TrayWnd", nullptr), message, wparam, lparam);
}

// A start with AutoReduit "1" shows the icon only; a selection by keyboard, which the shell may announce twice,
// brings the window back once, as topmost as it was. The tray button puts it back in the tray; a right click on
// the icon does nothing, a left click brings it back. Closing goes through the tray and removes the icon; where
// the tray takes no icon, the close tries once, saves the position and ends at once. Every icon added or changed
// asks for its tooltip.
TEST_F(Strip, TrayIcon) {
    WNDCLASSW wc{0, RecordingTray, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
    RegisterClassW(&wc);
    const HWND tray = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(tray, FindWindowW(L"Shell_TrayWnd", nullptr)) << "the stand-in is not the tray Kalvero finds";
    SetSettings({{L"FenVisible", L"1"}, {L"AutoReduit", L"1"}, {L"DerPosition", L"1"}});
    const Kalvero k(kDir, false);
    ASSERT_TRUE(WaitUntil([&] { return TrayIcon() && !IsWindowVisible(k.main); }));
    for (int i = 0; i < 2; ++i) PostMessageW(k.main, WM_APP + 1, 0, MAKELPARAM(NIN_KEYSELECT, 1));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(k.main) && !TrayIcon(); })) << "no window back";
    EXPECT_FALSE(WaitUntil([&] { return !IsWindowVisible(k.main); }, 500)) << "toggled twice";
    EXPECT_TRUE(Topmost(k.main));
    Click(k.main, kTrayButton);
    ASSERT_TRUE(WaitUntil([&] { return TrayIcon() && !IsWindowVisible(k.main); }));
    // Explorer restarting: the icon is put back; refused, the strip comes back and the icon is asked for again each
    // second until it is taken, then the strip goes and the asking stops.
    for (const bool refused : {false, true}) {
        g_refuse_adds = refused, g_tray_calls.clear();
        PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return std::count(g_tray_calls.begin(), g_tray_calls.end(), NIM_ADD) && IsWindowVisible(k.main) == refused; }));
    }
    g_refuse_adds = false;
    ASSERT_TRUE(WaitUntil([&] { return TrayIcon() && !IsWindowVisible(k.main); })) << "not asked again";
    const HWND icon = TrayIcon();  // Wine's icon window passes a click from X on to Kalvero as posted here
    PostMessageW(icon, WM_RBUTTONDOWN, 0, 0), PostMessageW(icon, WM_RBUTTONUP, 0, 0);
    EXPECT_FALSE(WaitUntil([&] { return IsWindowVisible(k.main); }, 500)) << "a right click acted";
    PostMessageW(icon, WM_LBUTTONDOWN, 0, 0), PostMessageW(icon, WM_LBUTTONUP, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(k.main) && !TrayIcon(); })) << "no window back";
    EXPECT_FALSE(WaitUntil([&] { return !IsWindowVisible(k.main); }, 1500)) << "still asking for the icon";
    g_tray_calls.clear();
    PostMessageW(k.main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(k.WaitExit() && !g_tray_calls.empty());
    EXPECT_EQ(ULONG_PTR{NIM_ADD}, g_tray_calls[0]) << "not through the tray";
    EXPECT_EQ(ULONG_PTR{NIM_DELETE}, g_tray_calls.back()) << "the icon was left behind";
    // Shown at 144 dpi, topmost where it was saved; minimised by another program, it saves its normal place.
    SetSystemDpi(144);
    SetSettings({{L"AutoReduit", L"0"}, {L"Haut", L"720"}, {L"Gauche", L"960"}});
    const Kalvero again;
    SetSystemDpi(96);  // the next test's driver starts unaware of DPI: at 144 Wine would scale what it sees
    EXPECT_TRUE(WaitUntil([&] { return At(again.main, {96, 72}) && Topmost(again.main); }));
    ASSERT_TRUE(MoveTo(again.main, {200, 150}));
    ShowWindowAsync(again.main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(again.main); }));
    g_refuse_adds = true;
    g_tray_calls.clear();
    PostMessageW(again.main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_TRUE(again.WaitExit(2000)) << "the close waited";
    EXPECT_EQ(std::vector<ULONG_PTR>{NIM_ADD}, g_tray_calls);
    EXPECT_EQ(L"1500,2000", GetSetting(L"Haut") + L"," + GetSetting(L"Gauche"));
    EXPECT_FALSE(g_tipless) << "an icon without its tooltip";
}

// A new caption height, border width or theme, or new screens, change the frame around the strip: its client area
// stays exactly the five buttons, each in its place, and it stays within reach. Wine 8 keeps each process's metrics
// and broadcasts no change: the test squeezes the strip out of reach, as a new frame would, and broadcasts.
TEST_F(Strip, FollowsSystemChanges) {
    const Kalvero k;
    const std::pair<UINT, WPARAM> changes[] = {{WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS}, {WM_SETTINGCHANGE, SPI_SETWORKAREA},
                                               {WM_THEMECHANGED, 0}, {WM_DISPLAYCHANGE, 32}};
    for (const auto& [message, wparam] : changes) {
        SetWindowPos(k.main, nullptr, 1300, 1100, 150, 40, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageTimeoutW(HWND_BROADCAST, message, wparam, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        const auto laidOut = [&] {  // buttons 33 pixels wide, 32 apart, in a client area of 161 by 33
            RECT c{}, b{};
            for (int i = 0; i < 5 && GetWindowRect(GetDlgItem(k.main, kShutdown + i), &b); ++i)
                if (MapWindowPoints(nullptr, k.main, reinterpret_cast<POINT*>(&b), 2), b.left != 32 * i || b.right != 32 * i + 33) return false;
            return GetClientRect(k.main, &c) && c.right == 161 && c.bottom == 33 && InWorkArea(Rect(k.main));
        };
        EXPECT_TRUE(WaitUntil(laidOut)) << message << " " << wparam;
    }
}

class Settings : public WineTest {};

// The settings window, from the keyboard. The strip's focus starts on shut-down and Tab follows the buttons'
// order; Enter opens the window with the focus on its first box, which Space ticks. It is kept inside the work
// area where it would not fit below the strip; modal; the first to need comctl32 (themed controls), which the
// strip alone must not load. The typo in the last box's caption is the original's. The About window over it
// takes the keyboard from both; Escape closes it with the focus back on "A propos". The close box saves nothing,
// "Appliquer et fermer" saves the boxes and sets topmost; both close the window with the focus back on the
// strip's button.
TEST_F(Settings, KeyboardFocusPlaceModalityAndApply) {
    const Kalvero k;
    const RECT main = Rect(k.main), work = WorkArea();
    ASSERT_TRUE(MoveTo(k.main, {work.right - (main.right - main.left), work.bottom - (main.bottom - main.top)}));
    const auto comctl32 = [&] {
        MODULEENTRY32W m{sizeof m};
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, k.pi.dwProcessId);
        BOOL more = Module32FirstW(snapshot, &m);
        while (more && _wcsicmp(m.szModule, L"comctl32.dll")) more = Module32NextW(snapshot, &m);
        return CloseHandle(snapshot), more != FALSE;
    };
    EXPECT_FALSE(comctl32());
    ASSERT_TRUE(FocusOn(k.main, kShutdown));
    ASSERT_EQ((std::vector<int>{kLogoff, kSettingsButton, kTrayButton, kRestart, kShutdown, kLogoff, kSettingsButton}),
              Tabs(k.main, 7));
    for (const auto& [message, wparam, saved] : {std::tuple{UINT(WM_SYSCOMMAND), SC_CLOSE, L""}, {BM_CLICK, 0, L"1"}}) {
        Key(Focus(k.main), VK_RETURN);
        const HWND settings = WaitWindow(L"KalveroSettings");
        ASSERT_TRUE(settings && FocusOn(settings, kAlwaysVisible));
        EXPECT_TRUE(comctl32() && InWorkArea(Rect(settings)) && !IsWindowEnabled(k.main));
        wchar_t text[100] = L"";
        GetDlgItemTextW(settings, kStartInTray, text, 100);
        EXPECT_STREQ(L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur", text);
        Key(Focus(settings), VK_SPACE);  // ticks the first box: saved only by "Appliquer et fermer"
        EXPECT_EQ((std::vector<int>{kStartOnWin, kRememberPosition, kAboutButton, kApply, kStartInTray, kAlwaysVisible,
                                    kStartOnWin, kRememberPosition, kAboutButton}), Tabs(settings, 9));
        Key(Focus(settings), VK_SPACE);
        const HWND about = WaitWindow(L"KalveroAbout");
        ASSERT_TRUE(about && FocusOn(about, kOk));
        EXPECT_TRUE(GetWindow(about, GW_OWNER) == settings && !IsWindowEnabled(settings) && !IsWindowEnabled(k.main));
        Key(Focus(about), VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && Focus(settings) == GetDlgItem(settings, kAboutButton); }));
        ASSERT_TRUE(CloseModal(settings, k.main, message, wparam));
        EXPECT_EQ(saved, GetSetting(L"FenVisible"));
        EXPECT_TRUE(WaitUntil([&] { return Topmost(k.main) == (*saved == L'1'); }, 2000));
        EXPECT_TRUE(FocusOn(k.main, kSettingsButton));
    }
}

// The About window's label and its details message (13 lines, a bare CR between two) show the numbers of version.h.
TEST_F(Settings, VersionAsInVersionH) {
    const std::wstring v = std::to_wstring(KALVERO_VERSION_MAJOR) + L"." + std::to_wstring(KALVERO_VERSION_MINOR) + L"." +
                           std::to_wstring(KALVERO_VERSION_REVISION);
    const Kalvero k;
    const HWND settings = k.OpenSettings(), about = settings ? k.OpenAbout(settings) : nullptr;
    wchar_t label[64] = L"", text[1024] = L"";
    ASSERT_TRUE(about && GetDlgItemTextW(about, 306, label, 64));
    Click(about, 309);  // "Détails..."
    const HWND box = WaitWindow(L"#32770");
    ASSERT_TRUE(box && GetDlgItemTextW(box, 0xFFFF, text, 1024));
    const std::wstring details = text;
    EXPECT_EQ(L"Version " + v, std::wstring(label));
    EXPECT_EQ(L"Kalvero version " + v + L" - Arrêt-Redémarrage Windows", details.substr(0, details.find(L'\r')));
    EXPECT_TRUE(std::count(details.begin(), details.end(), L'\r') == 12 && details.find(L'\n') == std::wstring::npos);
}

// Two hundred openings and closings of the settings and About windows leave no handle behind: the test build
// counts those its owners hold.
TEST_F(Settings, TwoHundredOpeningsLeakNothing) {
    ASSERT_TRUE(Install(L"C:\\kalvero-counting", KALVERO_COUNTING_EXE));
    const Kalvero k(L"C:\\kalvero-counting");
    DWORD_PTR handles[2] = {};  // after 10 cycles and after 200
    for (int cycle = 1; cycle <= 200; ++cycle) {
        const HWND settings = k.OpenSettings(), about = settings ? k.OpenAbout(settings) : nullptr;
        ASSERT_TRUE(about && CloseModal(about, settings, WM_CLOSE) && CloseModal(settings, k.main, WM_CLOSE)) << cycle;
        if (cycle == 10 || cycle == 200)
            SendMessageTimeoutW(k.main, WM_APP + 7, 0, 0, SMTO_NORMAL, 5000, &handles[cycle > 10]);
    }
    EXPECT_EQ(handles[0], handles[1]);
    std::printf("live handles: %ld after 10 cycles, %ld after 200\n", long(handles[0]), long(handles[1]));
}

// A session end kills the whole Wine session, so session-end.sh makes the checks once the wineserver has gone.
// Round 0 presses log-off and waits; the others leave Kalvero running with a modal window open.
int SessionEndRound(int round) {
    if (round == 0 && !Install()) return 2;
    SetSettings({{L"DerPosition", L"1"}});
    Kalvero k;
    if (!k.main || !MoveTo(k.main, {200 + round, 150})) return 2;
    if (round == 0) return Click(k.main, kLogoff), k.WaitExit(30000) ? 0 : 3;  // the session end takes it down
    const HWND settings = k.OpenSettings();
    if (!settings || (round % 2 == 0 && !k.OpenAbout(settings))) return 2;
    k.pi = {};  // left running for the session end
    return 0;
}

// For scripts/screenshot.sh, which cannot see the icon from X: the middle of the one icon, then the tray window's
// left, top, width and height.
int PrintTrayIcon() {
    HWND icon = nullptr;
    if (!WaitUntil([&] { return (icon = TrayIcon()) != nullptr; })) return 2;
    const RECT i = Rect(icon), tray = Rect(GetParent(icon));
    std::printf("%ld %ld %ld %ld %ld %ld\n", (i.left + i.right) / 2, (i.top + i.bottom) / 2, tray.left, tray.top,
                tray.right - tray.left, tray.bottom - tray.top);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && argv[1] == std::wstring(L"--session-end")) return SessionEndRound(std::stoi(argv[2]));
    if (argc == 2 && argv[1] == std::wstring(L"--tray-icon")) return PrintTrayIcon();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
