// End-to-end tests of the real Kalvero.exe under Wine: the main window, its placement, the power
// commands, single-instance start-up and the notification-area icon, all observed from outside.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>

#include "harness.h"

#include <shellapi.h>  // after windows.h

using namespace harness;

namespace {

class KalveroWine : public WineTest {};

// The tray button: the window hides and one icon shows. That icon, else null.
HWND SendToTray(const Kalvero& k) {
    Click(k.main, kTrayButton);
    return WaitUntil([&] { return !Visible(k.main); }) ? WaitOneIcon() : nullptr;
}

// The tip that shows after a few pointer moves inside the icon, read from the tooltip window.
std::wstring HoverTip(HWND icon) {
    const POINT c = Center(icon);
    Xdotool(L"mousemove " + At({c.x - 1, c.y - 1}) + L" sleep 0.1 mousemove " + At(c) + L" sleep 0.1 mousemove " +
            At({c.x + 1, c.y}));
    wchar_t tip[128] = L"";
    WaitUntil([&] {
        for (HWND w = nullptr; !*tip && (w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr));)
            if (Visible(w)) SendMessageTimeoutW(w, WM_GETTEXT, 128, LPARAM(tip), SMTO_ABORTIFHUNG, 1000, nullptr);
        return *tip != 0;
    }, 5000);
    Xdotool(L"mousemove 1279 1023");
    return tip;
}

TEST_F(KalveroWine, MainWindowAtEachDpi) {
    const struct {
        DWORD dpi;
        LONG width, height, tolerance;
    } rows[] = {{96, 161, 33, 0}, {144, 242, 50, 1}};  // 241.5 x 49.5: either rounding is fine
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        SetSystemDpi(row.dpi);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        RECT client{};
        GetClientRect(k.main, &client);
        EXPECT_NEAR(row.width, client.right, row.tolerance);
        EXPECT_NEAR(row.height, client.bottom, row.tolerance);
        EXPECT_EQ(L"Kalvero", WindowText(k.main));
        const LONG_PTR style = GetWindowLongPtrW(k.main, GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
        EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "resizable or has min/max boxes";
        const wchar_t* texts[] = {L"Arrêt de Windows", L"Redémarrer Windows", L"Déconnexion utilisateur",
                                  L"Réglages de Kalvero", L"Réduire dans la barre des tâches"};
        for (int id = kShutdown; id <= kTrayButton; ++id) {
            EXPECT_EQ(texts[id - kShutdown], WindowText(GetDlgItem(k.main, id))) << id;
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(k.main, id))) << id;
        }
        EXPECT_EQ((std::vector<int>{101, 103, 104, 105, 102, 101}), TabOrder(k.main, 6));
    }
}

// Topmost only for FenVisible "1"; the saved place only with DerPosition "1", kept on the screen.
TEST_F(KalveroWine, StartPositionAndTopmostFollowsFenVisible) {
    enum Expect { At, NotAt, InsideWorkArea };
    const struct {
        DWORD dpi;
        const wchar_t *der_position, *haut, *gauche;
        Expect expect;
        POINT where;
        Text fen_visible;
        bool topmost;
    } rows[] = {
        {96, L"1", L"720", L"960", At, {64, 48}, L"1", true},
        {96, L"1", L"-50", L"-1", At, {7, 7}, L"2", false},  // negative: 100 twips
        {96, L"1", L"0", L"0", At, {0, 0}, std::nullopt, false},
        {96, L"1", L"13500", L"16500", At, {1100, 900}, L"0", false},  // wholly on screen, near its corner
        {144, L"1", L"720", L"960", At, {96, 72}, L"1", true},
        {96, L"1", L"99999", L"960", InsideWorkArea, {}, L"abc", false},
        {96, L"1", L"960", L"99999", InsideWorkArea, {}, std::nullopt, false},
        {96, L"0", L"720", L"960", NotAt, {64, 48}, std::nullopt, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", DerPosition " << Narrow(row.der_position)
                                        << ", Haut " << Narrow(row.haut) << ", Gauche " << Narrow(row.gauche)
                                        << ", FenVisible " << Show(row.fen_visible));
        SetSystemDpi(row.dpi);
        SetSetting(L"DerPosition", row.der_position);
        SetSetting(L"Haut", row.haut);
        SetSetting(L"Gauche", row.gauche);
        SetSetting(L"FenVisible", row.fen_visible);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        RECT r{};
        const auto placed = [&] {
            r = Rect(k.main);
            const RECT work = WorkArea(k.main);
            if (row.expect == InsideWorkArea)
                return r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom;
            return (r.left == row.where.x && r.top == row.where.y) == (row.expect == At);
        };
        EXPECT_TRUE(WaitUntil(placed, 2000)) << "at " << r.left << "," << r.top << " - " << r.right << "," << r.bottom;
        WaitUntil([&] { return Topmost(k.main) == row.topmost; }, 2000);
        EXPECT_EQ(row.topmost, Topmost(k.main));
    }
}

// Saved on closing only when DerPosition was "1" at start-up, whatever the settings window changed.
TEST_F(KalveroWine, PositionSavedOnClose) {
    const struct {
        DWORD dpi;
        const wchar_t* der_position;
        bool toggle_in_settings;
        POINT move_to;
        UINT message;
        WPARAM wparam;
        const wchar_t *haut, *gauche;  // afterwards; 720 and 960 before
    } rows[] = {
        {96, L"1", false, {200, 150}, WM_CLOSE, 0, L"2250", L"3000"},
        {96, L"1", false, {333, 77}, WM_SYSCOMMAND, SC_CLOSE, L"1155", L"4995"},  // close box, Alt+F4
        {144, L"1", false, {200, 150}, WM_CLOSE, 0, L"1500", L"2000"},
        {96, L"0", false, {200, 150}, WM_CLOSE, 0, L"720", L"960"},
        {96, L"0", true, {200, 150}, WM_CLOSE, 0, L"720", L"960"},
        {96, L"1", true, {200, 150}, WM_CLOSE, 0, L"2250", L"3000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", DerPosition " << Narrow(row.der_position)
                                        << (row.toggle_in_settings ? " toggled" : "") << ", message " << row.message);
        SetSystemDpi(row.dpi);
        SetSetting(L"DerPosition", row.der_position);
        SetSetting(L"Haut", L"720");
        SetSetting(L"Gauche", L"960");
        const Kalvero k;
        ASSERT_TRUE(k.main);
        if (row.toggle_in_settings) {
            const HWND settings = k.OpenSettings();
            ASSERT_TRUE(settings);
            Press(settings, kRememberPosition);
            ASSERT_TRUE(CloseSettings(settings, k.main, BM_CLICK));
            EXPECT_EQ(Text(row.der_position[0] == L'0' ? L"1" : L"0"), GetSetting(L"DerPosition"));
        }
        ASSERT_TRUE(MoveTo(k.main, row.move_to));
        PostMessageW(k.main, row.message, row.wparam, 0);
        ASSERT_TRUE(k.process.WaitExit()) << "still running after the close";
        EXPECT_EQ(Text(row.haut), GetSetting(L"Haut"));
        EXPECT_EQ(Text(row.gauche), GetSetting(L"Gauche"));
    }
}

// Clicks, or Tabs then a key through Kalvero's message loop; each run is system32's shutdown.exe,
// never the planted copy beside Kalvero.exe.
TEST_F(KalveroWine, PowerCommandsRunSystemShutdownOnly) {
    const struct {
        const wchar_t* dir;
        int button, clicks, tabs;
        UINT key;
        const wchar_t* command_line;
    } rows[] = {
        {kInstallDir, kShutdown, 1, 0, 0, L"shutdown -s -f -t 0"},
        {kInstallDir, kRestart, 2, 0, 0, L"shutdown -r -f -t 0"},  // two quick clicks, two runs
        {L"C:\\Kalvéro ✓ 東京", kShutdown, 1, 0, 0, L"shutdown -s -f -t 0"},
        {kInstallDir, 0, 0, 0, VK_RETURN, L"shutdown -s -f -t 0"},  // the focus starts on shut-down
        {kInstallDir, 0, 0, 4, VK_SPACE, L"shutdown -r -f -t 0"},
        {kInstallDir, 0, 0, 9, VK_RETURN, L"shutdown -r -f -t 0"},  // Tab wraps round
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << Narrow(row.dir) << ", " << row.clicks << " clicks on " << row.button
                                        << ", " << row.tabs << " tabs, key " << row.key);
        ClearRecords();
        ASSERT_TRUE(Install(row.dir));
        const Kalvero k(row.dir);
        ASSERT_TRUE(k.main);
        for (int i = 0; i < row.clicks; ++i) Click(k.main, row.button);
        if (row.key) {
            ASSERT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kShutdown); }));
            ASSERT_EQ(size_t(row.tabs), Tabs(k.main, row.tabs).size());
            Key(Focus(k.main), row.key);
        }
        const size_t runs = row.key ? 1 : row.clicks;
        const std::vector<Record> records = SettledRecords(runs);
        ASSERT_EQ(runs, records.size());
        for (const Record& r : records) {
            EXPECT_EQ(Lower(SystemPath(L"shutdown.exe")), Lower(r.module));
            EXPECT_EQ(row.command_line, r.command_line);
            EXPECT_TRUE(r.flags & STARTF_USESHOWWINDOW);
            EXPECT_EQ(DWORD{SW_SHOWMINIMIZED}, r.show);
        }
    }
}

TEST_F(KalveroWine, TenSimultaneousStartsLeaveOneInstance) {
    // Rewriting these would change them ("-50" reads as 100 twips): proof that a loser wrote nothing.
    SetSetting(L"DerPosition", L"1");
    SetSetting(L"Haut", L"-50");
    SetSetting(L"Gauche", L"-1");
    std::vector<Process> starts;
    for (int i = 0; i < 10; ++i) {
        starts.push_back(Start(kInstallDir, CREATE_SUSPENDED));
        ASSERT_TRUE(starts.back());
    }
    for (const Process& p : starts) p.Resume();  // together, they race for the single instance
    const auto exited = [&] {
        size_t n = 0;
        for (const Process& p : starts) n += p.WaitExit(0);
        return n;
    };
    WaitUntil([&] { return exited() >= starts.size() - 1; }, 20000);
    Sleep(500);  // time for a late loser to leave, or for the winner to fall over
    EXPECT_EQ(starts.size() - 1, exited());
    for (const Process& p : starts)
        EXPECT_TRUE(!p.WaitExit(0) || p.ExitCode() == 0) << "a second instance must leave quietly";
    EXPECT_EQ(1, CountWindows(L"KalveroMain"));
    EXPECT_EQ(Text(L"-50"), GetSetting(L"Haut"));
    EXPECT_EQ(Text(L"-1"), GetSetting(L"Gauche"));
}

// The tray button shows the program's icon with its tip; only a left click on it (X button 1) brings
// the window back, where it was and as topmost as it was.
TEST_F(KalveroWine, TrayIconClicks) {
    const struct {
        int button;
        Text fen_visible;
    } rows[] = {{1, L"1"}, {3, std::nullopt}};
    const POINT where{300, 200};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "button " << row.button << ", FenVisible " << Show(row.fen_visible));
        SetSetting(L"FenVisible", row.fen_visible);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        ASSERT_TRUE(MoveTo(k.main, where));
        EXPECT_TRUE(TrayIcons().empty());
        const HWND icon = SendToTray(k);
        ASSERT_TRUE(icon) << "the tray button did not leave the window hidden and one icon in the tray";
        if (row.button == 1) {
            HICON small = nullptr;
            ExtractIconExW((std::wstring(kInstallDir) + L"\\Kalvero.exe").c_str(), 0, nullptr, &small, 1);
            EXPECT_TRUE(ShowsIcon(icon, small, GetSystemMetrics(SM_CXSMICON))) << "not Kalvero's small icon";
            DestroyIcon(small);
            EXPECT_EQ(L"Kalvero", HoverTip(icon));
        }
        ASSERT_TRUE(XClick(icon, row.button));
        if (row.button != 1) {
            Sleep(500);  // time for a wrong reaction to show
            EXPECT_FALSE(Visible(k.main));
            EXPECT_EQ(1u, TrayIcons().size());
            ASSERT_TRUE(XClick(icon, 1));  // the same spot does hit the icon
        }
        ASSERT_TRUE(WaitUntil([&] { return Visible(k.main); })) << "the window did not come back";
        const POINT p = TopLeft(k.main);
        EXPECT_TRUE(p.x == where.x && p.y == where.y) << "back at " << p.x << "," << p.y;
        EXPECT_EQ(row.fen_visible.has_value(), Topmost(k.main));
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); })) << "the icon stayed";
    }
}

// AutoReduit "1": only the icon at start-up; the window first shows on a left click, at its saved place.
TEST_F(KalveroWine, AutoReduitStartsInTray) {
    for (const bool in_tray : {true, false}) {
        SCOPED_TRACE(in_tray);
        SetSetting(L"AutoReduit", in_tray ? L"1" : L"0");
        SetSetting(L"DerPosition", L"1");
        SetSetting(L"Haut", L"3000");    // 200 px
        SetSetting(L"Gauche", L"4500");  // 300 px
        const Kalvero k(kInstallDir, false);
        ASSERT_TRUE(k.main);
        if (in_tray) {
            bool shown = false;  // not even for a moment
            for (const ULONGLONG end = GetTickCount64() + 1500; GetTickCount64() < end; Sleep(10))
                shown |= Visible(k.main);
            EXPECT_FALSE(shown);
            const HWND icon = WaitOneIcon();
            ASSERT_TRUE(icon);
            ASSERT_TRUE(XClick(icon, 1));
        }
        ASSERT_TRUE(WaitUntil([&] { return Visible(k.main); }));
        const POINT p = TopLeft(k.main);
        EXPECT_TRUE(p.x == 300 && p.y == 200) << "shown at " << p.x << "," << p.y;
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
    }
}

// Explorer announces a restart with "TaskbarCreated" (Wine never does). In the tray, there is then one
// icon and it works, whether the shell lost the icon (deleted here from outside) or kept it; a shown
// window gets no icon.
TEST_F(KalveroWine, TaskbarCreatedKeepsOneIcon) {
    enum Case { Shown, Kept, Lost };
    for (const Case row : {Shown, Kept, Lost}) {
        SCOPED_TRACE(row == Shown ? "window shown" : row == Kept ? "icon kept" : "icon lost");
        const Kalvero k;
        ASSERT_TRUE(k.main);
        ASSERT_TRUE(row == Shown || SendToTray(k));
        if (row == Lost) {
            NOTIFYICONDATAW icon{};
            icon.cbSize = sizeof icon;
            icon.hWnd = k.main;
            icon.uID = 1;  // Kalvero's icon id
            ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
            ASSERT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        }
        PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        Sleep(500);  // time for a wrong icon to show
        if (row == Shown) {
            EXPECT_TRUE(TrayIcons().empty());
            EXPECT_TRUE(Visible(k.main));
            continue;
        }
        const HWND icon = WaitOneIcon();
        ASSERT_TRUE(icon) << TrayIcons().size() << " icons";
        EXPECT_FALSE(Visible(k.main));
        ASSERT_TRUE(XClick(icon, 1));
        EXPECT_TRUE(WaitUntil([&] { return Visible(k.main); }));
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
    }
}

// Wine drops a destroyed window's icons by itself, so its tray cannot show whether Kalvero removed its
// icon. Wine's Shell_NotifyIconW sends each call as WM_COPYDATA (dwData: the NIM_ code, wParam: the
// icon's window) to the first "Shell_TrayWnd": a stand-in made after explorer's records the calls and
// passes them on, so the icon still shows.
std::vector<std::pair<HWND, ULONG_PTR>> g_tray_calls;
HWND g_real_tray = nullptr;

LRESULT CALLBACK RecordingTrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wparam, lparam);
    g_tray_calls.emplace_back(reinterpret_cast<HWND>(wparam), reinterpret_cast<const COPYDATASTRUCT*>(lparam)->dwData);
    return SendMessageW(g_real_tray, message, wparam, lparam);
}

// Kalvero waits inside Shell_NotifyIconW until this thread takes the stand-in's messages.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A close goes through the tray, saves the position and removes the icon, from the window or the tray.
TEST_F(KalveroWine, CloseRemovesIcon) {
    g_real_tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    ASSERT_TRUE(g_real_tray);
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingTrayProc;
    wc.lpszClassName = L"Shell_TrayWnd";
    ASSERT_TRUE(RegisterClassW(&wc));
    const HWND recorder =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(recorder, FindWindowW(L"Shell_TrayWnd", nullptr)) << "the stand-in is not the tray Kalvero would find";
    SetSetting(L"DerPosition", L"1");
    for (const bool in_tray : {false, true}) {
        SCOPED_TRACE(in_tray ? "closed in the tray" : "closed while shown");
        g_tray_calls.clear();
        const Kalvero k;
        ASSERT_TRUE(k.main);
        ASSERT_TRUE(MoveTo(k.main, {200, 150}));
        if (in_tray) {
            Click(k.main, kTrayButton);
            ASSERT_TRUE(WaitUntil([&] { return Pump(), !Visible(k.main) && TrayIcons().size() == 1; }));
        }
        PostMessageW(k.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return Pump(), k.process.WaitExit(0); })) << "still running after the close";
        ASSERT_FALSE(g_tray_calls.empty());
        for (const auto& call : g_tray_calls) EXPECT_EQ(k.main, call.first);
        EXPECT_EQ(ULONG_PTR{NIM_ADD}, g_tray_calls.front().second) << "not through the tray";
        EXPECT_EQ(ULONG_PTR{NIM_DELETE}, g_tray_calls.back().second) << "the icon was left behind";
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        EXPECT_EQ(Text(L"2250"), GetSetting(L"Haut"));
        EXPECT_EQ(Text(L"3000"), GetSetting(L"Gauche"));
    }
    DestroyWindow(recorder);
}

// Log-off ends the whole Wine session, so logoff.sh makes the checks once the wineserver has gone.
int LogoffScenario(POINT move_to) {
    KillAllKalvero();
    if (!Install()) return std::fputs("could not install Kalvero.exe\n", stderr), 2;
    ClearSettings();
    SetSetting(L"DerPosition", L"1");
    const Kalvero k;
    if (!k.main) return std::fputs("Kalvero's window did not show\n", stderr), 2;
    if (!MoveTo(k.main, move_to)) return std::fputs("could not move the window\n", stderr), 2;
    std::printf("window moved to %ld,%ld; clicking log-off\n", move_to.x, move_to.y);
    std::fflush(stdout);
    Click(k.main, kLogoff);
    // The session end takes Kalvero down (and maybe this process too, if Wine treats it as part of it).
    if (!k.process.WaitExit(30000)) return std::fputs("Kalvero still runs 30 s after log-off\n", stderr), 3;
    std::puts("Kalvero has ended");
    return 0;
}

// For scripts/screenshot.sh, which cannot see the icon from X: the middle of the one icon, then the
// tray window's left, top, width and height.
int PrintTrayIcon() {
    const HWND icon = WaitOneIcon();
    if (!icon) return std::fputs("no single icon in the notification area\n", stderr), 2;
    const POINT c = Center(icon);
    RECT tray{};
    GetWindowRect(GetParent(icon), &tray);
    std::printf("%ld %ld %ld %ld %ld %ld\n", c.x, c.y, tray.left, tray.top, tray.right - tray.left,
                tray.bottom - tray.top);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--logoff") == 0)
        return LogoffScenario({std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10)});
    if (argc == 2 && std::wcscmp(argv[1], L"--tray-icon") == 0) return PrintTrayIcon();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
