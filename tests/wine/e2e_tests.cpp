// End-to-end tests of the real Kalvero.exe under Wine, observed from outside: what the logic's tests with fakes
// cannot show, from the windows, the keyboard and the tray to the processes started and the handles held.
#include "harness.h"

#include <shellapi.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "../../resources/version.h"

class Strip : public WineTest {};

bool Running(const wchar_t* name) {  // a process of that file name, in this prefix
    PROCESSENTRY32W p{sizeof p};
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    BOOL more = Process32FirstW(snapshot, &p);
    while (more && _wcsicmp(p.szExeFile, name)) more = Process32NextW(snapshot, &p);
    return CloseHandle(snapshot), more != FALSE;
}
std::string RecorderLog() { return std::string(std::istreambuf_iterator<char>(std::ifstream("C:\\kalvero-recorder.log").rdbuf()), {}); }
// What the recorder has logged, once it logged one more line after action.
template <class Action>
std::string Logged(const Action& action) {
    const auto lines = std::ranges::count(RecorderLog(), '\n');
    action();
    std::string log;
    EXPECT_TRUE(WaitUntil([&] { return std::ranges::count(log = RecorderLog(), '\n') > lines; })) << "nothing started";
    return log;
}

// Each click runs system32's shutdown.exe, once and minimised, never the copy planted beside Kalvero.exe (here in a
// folder whose name Windows' ANSI functions would mangle), and only once the position is saved: a forced shutdown
// may end Kalvero without a close request. The recorder standing in for both logs a line per run: module path,
// command line, dwFlags, wShowWindow, and the position stored when it started. A 32-bit process's system32 is
// syswow64.
TEST_F(Strip, PowerCommandsRunSystemShutdownOnly) {
    ASSERT_TRUE(Install(L"C:\\Kalvéro ✓ 東京"));
    SetSettings({{L"DerPosition", L"1"}});
    const Kalvero k(L"C:\\Kalvéro ✓ 東京");
    ASSERT_TRUE(MoveTo(k.main, {200, 150}));
    for (const int button : {kShutdown, kRestart})  // one at a time: two recorders at once log in either order
        Logged([&] { Click(k.main, button); });
    // Every start the clicks made has been made and has ended: nothing more will be logged.
    EXPECT_TRUE(Flush(k.main) && WaitUntil([] { return !Running(L"shutdown.exe"); }));
    const std::string system = Wow64() ? "C:\\windows\\syswow64" : "C:\\windows\\system32";
    EXPECT_EQ(system + "\\shutdown.exe\tshutdown -s -f -t 0\t1\t2\t2250,3000\n" + system +
                  "\\shutdown.exe\tshutdown -r -f -t 0\t1\t2\t2250,3000\n", RecorderLog());
}

// Enter clicks the focused button on a fresh press only: its repeats, or a press already down when Kalvero got
// the focus (started with Enter from the Run box, the key held), do nothing. Space clicks on its release, and only
// after a press the button saw. Each row posts its key messages to the focused shut-down button; the recorder
// counts the shutdowns started.
TEST_F(Strip, KeysActOnAFreshPressOnly) {
    const Kalvero k;
    ASSERT_TRUE(FocusOn(k.main, kShutdown));
    constexpr LPARAM kRepeat = 1 << 30, kUp = 0xC0000000;
    const std::pair<std::vector<std::tuple<UINT, WPARAM, LPARAM>>, int> rows[] = {  // messages, shutdowns
        {{{WM_KEYDOWN, VK_RETURN, kRepeat}, {WM_KEYDOWN, VK_RETURN, kRepeat}, {WM_KEYDOWN, VK_RETURN, kRepeat}, {WM_KEYUP, VK_RETURN, kUp}}, 0},
        {{{WM_KEYDOWN, VK_RETURN, 0}, {WM_KEYDOWN, VK_RETURN, kRepeat}, {WM_KEYDOWN, VK_RETURN, kRepeat}, {WM_KEYUP, VK_RETURN, kUp}}, 1},
        {{{WM_KEYUP, VK_SPACE, kUp}}, 0},
        {{{WM_KEYDOWN, VK_SPACE, 0}, {WM_KEYDOWN, VK_SPACE, kRepeat}, {WM_KEYUP, VK_SPACE, kUp}}, 1},
    };
    for (const auto& row : rows) {
        const auto& [messages, shutdowns] = row;
        SCOPED_TRACE(&row - rows);
        ASSERT_TRUE(ClearRecorderLog());
        for (const auto& [message, key, flags] : messages) PostMessageW(Focus(k.main), message, key, flags | 1);
        EXPECT_TRUE(Flush(k.main) && WaitUntil([] { return !Running(L"shutdown.exe"); }));
        EXPECT_EQ(shutdowns, std::ranges::count(RecorderLog(), '\n'));
    }
}

// The session really ends while the About window is open over the settings window: the close sequence saves the
// place the strip was moved to, and the program ends.
TEST_F(Strip, SessionEndSavesItsPlaceUnderAModalWindow) {
    SetSettings({{L"DerPosition", L"1"}});
    const Kalvero k;
    const HWND settings = MoveTo(k.main, {201, 150}) ? k.OpenSettings() : nullptr;
    ASSERT_TRUE(settings && k.OpenAbout(settings));
    EXPECT_EQ(TRUE, SendMessageW(k.main, WM_QUERYENDSESSION, 0, 0));
    SendMessageW(k.main, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(L"2250,3015", GetSetting(L"Haut") + L"," + GetSetting(L"Gauche"));
    EXPECT_TRUE(k.WaitExit()) << "still running after the session's end";
}

// Wine drops a destroyed window's icons by itself. Its Shell_NotifyIconW sends each call as WM_COPYDATA (dwData:
// the NIM_ code) to the first "Shell_TrayWnd": a stand-in made after explorer's records the calls and passes them
// on, so that a test sees whether Kalvero removed its icon itself.
std::vector<ULONG_PTR> g_tray_calls;
bool g_refuse_adds = false;     // a notification area that takes no icon: a session ending, another shell
bool g_kept_refused = false;    // one that times out on an add (a slow logon) and makes the icon all the same
bool g_refuse_version = false;  // an older shell, which keeps to the button messages of old
bool g_tipless = false;
LRESULT CALLBACK RecordingTray(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wparam, lparam);
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    g_tray_calls.push_back(copy->dwData);
    // Wine's record of the call starts with the window (32 bits), the icon's id and the flags. Under version 4,
    // Windows shows the tooltip only with NIF_SHOWTIP.
    const UINT flags = static_cast<const UINT*>(copy->lpData)[2], tip = NIF_TIP | NIF_SHOWTIP;
    g_tipless |= (copy->dwData == NIM_ADD || copy->dwData == NIM_MODIFY) && (flags & tip) != tip;
    const HWND shell = FindWindowExW(nullptr, window, L"Shell_TrayWnd", nullptr);
    if (g_kept_refused && g_tray_calls.back() == NIM_ADD) return SendMessageW(shell, message, wparam, lparam), FALSE;
    if ((g_refuse_adds && g_tray_calls.back() == NIM_ADD) || (g_refuse_version && g_tray_calls.back() == NIM_SETVERSION))
        return FALSE;
    return SendMessageW(shell, message, wparam, lparam);
}
// The recording shell, made before Kalvero starts; the one Kalvero finds.
HWND RecordingShell() {
    WNDCLASSW wc{0, RecordingTray, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Shell_TrayWnd"};
    RegisterClassW(&wc);
    const HWND tray = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, 0, 0, 0, 0);
    return tray == FindWindowW(L"Shell_TrayWnd", nullptr) ? tray : nullptr;
}

// One action on the icon, each as the shell announces it: with version 4 the event comes in lParam's low word and
// the icon's id in the high word; without, the event alone. From the tray, only a left click or a selection
// brings the strip back, once.
const std::tuple<bool, std::vector<UINT>, bool> kIconActions[] = {  // version 4, events, strip shown
    {true, {NIN_KEYSELECT, NIN_KEYSELECT}, true},  // Enter may be announced twice
    {true, {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, WM_MOUSEMOVE}, false},
    {true, {WM_MBUTTONDOWN, WM_MBUTTONUP}, false},
    {true, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT, WM_MOUSEMOVE}, true},
    {false, {WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE}, false},  // also Enter on the icon
    {false, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE}, true},
};
void ActOnIcon(HWND main, bool version4) {
    for (const auto& [v4, events, shown] : kIconActions) {
        if (v4 != version4) continue;
        if (IsWindowVisible(main)) Click(main, kTrayButton);
        for (const UINT e : events) PostMessageW(main, WM_APP + 1, v4 ? MAKEWPARAM(8, 8) : 1, v4 ? MAKELPARAM(e, 1) : e);
        EXPECT_TRUE(Flush(main) && IsWindowVisible(main) == shown) << events.size() << " events, version 4: " << v4;
        EXPECT_TRUE(WaitUntil([&] { return (TrayIcon() == nullptr) == shown; })) << events.size() << " events";
    }
}

// Each of the strip's buttons shows its picture: most of its diagonal, read back from the screen once Kalvero
// has painted it, is not button face (an unpainted button would show whatever the screen held there before).
bool ShowsPictures(HWND main) {
    const HDC screen = GetDC(nullptr);
    bool all = true;
    for (int id = kShutdown; id <= kTrayButton; ++id) {
        RedrawWindow(GetDlgItem(main, id), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const RECT r = Rect(GetDlgItem(main, id));
        int other = 0, w = r.right - r.left;
        for (int x = 0; x < w; ++x) other += GetPixel(screen, r.left + x, r.top + x * (r.bottom - r.top) / w) != GetSysColor(COLOR_BTNFACE);
        all &= other * 2 > w;
    }
    return ReleaseDC(nullptr, screen), all;
}

// A start with AutoReduit "1" shows the icon only. Another program refusing the session's end changes nothing
// there, nor once the icon's actions have brought the strip back, as topmost as it was. Closing goes through the
// tray and removes the icon; where the tray takes no icon, the close tries once, saves the position and ends at
// once. Every icon added or changed asks for its tooltip.
TEST_F(Strip, TrayIcon) {
    ASSERT_TRUE(RecordingShell()) << "the stand-in is not the tray Kalvero finds";
    SetSettings({{L"FenVisible", L"1"}, {L"AutoReduit", L"1"}, {L"DerPosition", L"1"}});
    const Kalvero k(kDir, false);
    for (const bool inTray : {true, false}) {
        ASSERT_TRUE(WaitUntil([&] { return (TrayIcon() != nullptr) == inTray && IsWindowVisible(k.main) != inTray; }));
        EXPECT_EQ(TRUE, SendMessageW(k.main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
        SendMessageW(k.main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
        EXPECT_TRUE(Flush(k.main) && IsWindowVisible(k.main) != inTray && (TrayIcon() != nullptr) == inTray) << "ended";
        EXPECT_EQ(L"", GetSetting(L"Haut")) << "saved";
        if (inTray) ActOnIcon(k.main, true);
    }
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
    PostMessageW(k.main, WM_APP + 1, MAKEWPARAM(8, 8), MAKELPARAM(NIN_SELECT, 1));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(k.main) && !TrayIcon(); })) << "no window back";
    EXPECT_FALSE(WaitUntil([&] { return !IsWindowVisible(k.main); }, 1500)) << "still asking for the icon";
    g_tray_calls.clear();
    PostMessageW(k.main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(k.WaitExit() && !g_tray_calls.empty());
    EXPECT_EQ(ULONG_PTR{NIM_ADD}, g_tray_calls[0]) << "not through the tray";
    EXPECT_EQ(ULONG_PTR{NIM_DELETE}, g_tray_calls.back()) << "the icon was left behind";
    // Shown at 144 dpi, topmost where it was saved, with its larger pictures; its icon from a shell without
    // version 4; minimised by another program, it saves its normal place.
    SetSystemDpi(144);
    SetSettings({{L"AutoReduit", L"0"}, {L"Haut", L"720"}, {L"Gauche", L"960"}});
    const Kalvero again;
    SetSystemDpi(96);  // the next test's driver starts unaware of DPI: at 144 Wine would scale what it sees
    EXPECT_TRUE(WaitUntil([&] { return At(again.main, {96, 72}) && Topmost(again.main) && ShowsPictures(again.main); }));
    g_refuse_version = true;
    ActOnIcon(again.main, false);
    ASSERT_TRUE(MoveTo(again.main, {200, 150}));
    ShowWindowAsync(again.main, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(again.main); }));
    g_refuse_adds = true;
    g_tray_calls.clear();
    PostMessageW(again.main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_TRUE(again.WaitExit());
    EXPECT_EQ((std::vector<ULONG_PTR>{NIM_ADD, NIM_MODIFY}), g_tray_calls);  // the add, and whether it was kept
    EXPECT_EQ(L"1500,2000", GetSetting(L"Haut") + L"," + GetSetting(L"Gauche"));
    EXPECT_FALSE(g_tipless) << "an icon without its tooltip";
}

// A start in the tray whose first add the shell refuses. Refused outright (a shell not ready at logon): the strip
// stays shown, the icon is asked for again each second, and once it is taken the strip goes. Refused but made all
// the same (the shell timed out answering): the icon is Kalvero's at once, with its version, the strip hidden;
// closing takes the icon away in both cases.
TEST_F(Strip, StartInTrayWhenTheShellRefuses) {
    ASSERT_TRUE(RecordingShell()) << "the stand-in is not the tray Kalvero finds";
    SetSettings({{L"AutoReduit", L"1"}});
    for (const bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "refused but kept" : "refused");
        g_refuse_adds = !kept, g_kept_refused = kept, g_tray_calls.clear();
        const Kalvero k(kDir, false);
        ASSERT_TRUE(k.main && WaitUntil([&] { return !g_tray_calls.empty() && Flush(k.main); }));
        EXPECT_EQ(!kept, IsWindowVisible(k.main) != FALSE) << "a hidden strip without its icon";
        if (kept) {
            EXPECT_EQ((std::vector<ULONG_PTR>{NIM_ADD, NIM_MODIFY, NIM_SETVERSION}), g_tray_calls);
        }
        g_refuse_adds = g_kept_refused = false;
        EXPECT_TRUE(WaitUntil([&] { return TrayIcon() && !IsWindowVisible(k.main); }, 30000)) << "the icon never taken";
        g_tray_calls.clear();
        PostMessageW(k.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(k.WaitExit());
        EXPECT_TRUE(!g_tray_calls.empty() && g_tray_calls.back() == NIM_DELETE) << "the icon was left behind";
    }
}

// A new caption height, border width or theme, or new screens, change the frame around the strip: its client area
// stays exactly the five buttons, each in its place with its picture, and it stays within reach. Wine 8 keeps each
// process's metrics and broadcasts no change: the test squeezes the strip out of reach, as a new frame would, and
// broadcasts.
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
            return GetClientRect(k.main, &c) && c.right == 161 && c.bottom == 33 && InWorkArea(Rect(k.main)) && ShowsPictures(k.main);
        };
        EXPECT_TRUE(WaitUntil(laidOut)) << message << " " << wparam;
    }
}

class Menus : public WineTest {};

// The menus Kalvero shows, read from inside it (the newest first, one a line); empty once none shows.
std::string OpenMenus(const Kalvero& k) { return FromInside(k.main, L"menu_reader.dll"); }
// Kalvero's menu once it shows (its first line), or what showed instead.
std::string MenuShown(const Kalvero& k) {
    std::string menus;
    WaitUntil([&] { return !(menus = OpenMenus(k)).empty(); });
    return menus.substr(0, menus.find('\n'));
}
bool MenuClosed(const Kalvero& k) {
    Type({VK_ESCAPE});
    return WaitUntil([&] { return OpenMenus(k).empty(); });
}
// The focus on a button of the strip, by Tab.
bool FocusTo(const Kalvero& k, int id) {
    for (int i = 0; i < 5 && Focus(k.main) != GetDlgItem(k.main, id); ++i) Tabs(k.main, 1);
    return Focus(k.main) == GetDlgItem(k.main, id);
}

// Each power button's menu opens by a right-click and by Shift+F10 on the focused button (no other button has one;
// the caption keeps its window menu),
// with the lines this Windows can do: under Wine 8 no sleep (its power policy allows no suspend), hibernation, user
// switching, and the start-up options from Windows 8 on (the prefix says Windows 7; Wine's setting for one program
// makes Kalvero's Windows 10). Lines chosen by keyboard run the buttons' system shutdown.exe, minimised, once the
// position is saved; a delay Windows took shows its cancel line, with its time.
TEST_F(Menus, OpenByMouseAndKeyboardAndRunTheirLines) {
    const wchar_t version[] = L"Software\\Wine\\AppDefaults\\Kalvero.exe";
    SetSettings({{L"DerPosition", L"1"}, {L"Haut", L"2250"}, {L"Gauche", L"3000"}});
    const std::string system = (Wow64() ? "C:\\windows\\syswow64" : "C:\\windows\\system32") + std::string("\\shutdown.exe\tshutdown ");
    const std::string shutdown = "*&Arrêter maintenant|Arrêter &dans>|Mettre en veille &prolongée",
                      restart = "*&Redémarrer maintenant|Redémarrer &dans>", logoff = "*Se &déconnecter maintenant|&Verrouiller la session|&Changer d'utilisateur";
    for (const bool windows10 : {false, true}) {
        SCOPED_TRACE(windows10 ? "Windows 10" : "Windows 7");
        if (windows10) RegSetKeyValueW(HKEY_CURRENT_USER, version, L"Version", REG_SZ, L"win10", 12);
        const Kalvero k;
        RegDeleteTreeW(HKEY_CURRENT_USER, version);
        ASSERT_TRUE(SetForegroundWindow(k.main) && WaitUntil([&] { return GetForegroundWindow() == k.main; }));
        const std::string advanced = windows10 ? "|Redémarrer vers les &options de démarrage avancées" : "";
        // Where a menu shows: its top left corner, at the pointer after a click, under the button from the keyboard.
        const auto corner = [&] { return Rect(FindWindowW(L"#32768", nullptr)); };
        for (const auto& [id, menu] : {std::pair<int, std::string>{kShutdown, shutdown}, {kRestart, restart + advanced}, {kLogoff, logoff}}) {
            const HWND button = GetDlgItem(k.main, id);
            const RECT b = Rect(button);
            PostMessageW(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 7)), PostMessageW(button, WM_RBUTTONUP, 0, MAKELPARAM(5, 7));
            EXPECT_EQ(menu, MenuShown(k)) << "right-click on " << id;
            EXPECT_TRUE(corner().left == b.left + 5 && corner().top == b.top + 7) << "not at the pointer";
            ASSERT_TRUE(MenuClosed(k));
            ASSERT_TRUE(FocusTo(k, id));
            Type({VK_F10}, true);
            EXPECT_EQ(menu, MenuShown(k)) << "Shift+F10 on " << id;
            EXPECT_TRUE(corner().left == b.left && corner().top == b.bottom) << "not under the button";
            ASSERT_TRUE(MenuClosed(k));
        }
        // The caption keeps its window menu.
        RightClickAt({Rect(k.main).left + 60, Rect(k.main).top + 8});
        const std::string windowMenu = MenuShown(k);
        EXPECT_TRUE(!windowMenu.empty() && windowMenu.find("maintenant") == std::string::npos) << windowMenu;
        ASSERT_TRUE(MenuClosed(k));
        ASSERT_TRUE(FocusTo(k, kSettingsButton));
        Type({VK_F10}, true);
        EXPECT_TRUE(Flush(k.main) && OpenMenus(k).empty()) << "a menu on the settings button";
        Type({VK_ESCAPE});  // Wine: F10's release has started menu mode, as for a window without a menu bar
        ASSERT_TRUE(WaitUntil([&] { GUITHREADINFO g{sizeof g}; return GetGUIThreadInfo(GetWindowThreadProcessId(k.main, nullptr), &g) && !(g.flags & GUI_INMENUMODE); }));
        // By keyboard: Shift+F10 on the button, then each line's access key.
        const std::tuple<int, std::initializer_list<WORD>, std::string> lines[] = {
            {kShutdown, {'D', '5'}, "-s -f -t 900"}, {kShutdown, {'D', '3'}, "-s -f -t 1800"}, {kShutdown, {'D', '1'}, "-s -f -t 3600"},
            {kShutdown, {'D', '2'}, "-s -f -t 7200"}, {kShutdown, {'N'}, "-a"}, {kRestart, {'D', '5'}, "-r -f -t 900"},
            {kRestart, {'D', '2'}, "-r -f -t 7200"}, {kRestart, {'N'}, "-a"}, {kRestart, {'O'}, "-r -o -f -t 0"}};
        for (const auto& [id, keys, command] : lines) {
            if (!windows10 && command != "-s -f -t 1800") continue;
            SCOPED_TRACE(command);
            ASSERT_TRUE(ClearRecorderLog() && FocusTo(k, id));
            std::string menu;
            if (command == "-a") {  // the cancel line, once the delay before it has been taken
                const char* cancel = id == kShutdown ? "|A&nnuler l'arrêt programmé (" : "|A&nnuler le redémarrage programmé (";
                EXPECT_TRUE(WaitUntil([&] {
                    Type({VK_F10}, true);
                    return (menu = MenuShown(k)).find(cancel) != std::string::npos || !MenuClosed(k);
                })) << menu;
            } else {
                Type({VK_F10}, true);
                ASSERT_NE("", menu = MenuShown(k));
            }
            EXPECT_EQ(system + command + "\t1\t2\t2250,3000\n", Logged([&] { Type(keys); }));
            EXPECT_TRUE(OpenMenus(k).empty());
        }
    }
}

class Settings : public WineTest {};

// The settings window, from the keyboard. The strip's focus starts on shut-down and Tab follows the buttons'
// order; Enter opens the window with the focus on its first box, which Space ticks. It is kept inside the work
// area where it would not fit below the strip; owned by the strip; modal. The typo in the last box's caption is
// the original's. The About window over it takes the keyboard from both; Escape closes it with the focus back on
// "A propos". The close box saves nothing, "Appliquer et fermer" saves the boxes and sets topmost; both close the
// window with the focus back on the strip's button.
TEST_F(Settings, KeyboardFocusPlaceModalityAndApply) {
    const Kalvero k;
    const RECT main = Rect(k.main), work = WorkArea();
    ASSERT_TRUE(MoveTo(k.main, {work.right - (main.right - main.left), work.bottom - (main.bottom - main.top)}));
    ASSERT_TRUE(FocusOn(k.main, kShutdown));
    ASSERT_EQ((std::vector<int>{kLogoff, kSettingsButton, kTrayButton, kRestart, kShutdown, kLogoff, kSettingsButton}),
              Tabs(k.main, 7));
    for (const auto& [message, wparam, saved] : {std::tuple{UINT(WM_SYSCOMMAND), SC_CLOSE, L""}, {BM_CLICK, 0, L"1"}}) {
        Key(Focus(k.main), VK_RETURN);
        const HWND settings = WaitWindow(L"KalveroSettings");
        ASSERT_TRUE(settings && FocusOn(settings, kAlwaysVisible));
        EXPECT_TRUE(InWorkArea(Rect(settings)) && !IsWindowEnabled(k.main));
        EXPECT_EQ(k.main, GetWindow(settings, GW_OWNER)) << "a taskbar button of its own";
        Key(Focus(settings), VK_SPACE);  // ticks the first box: saved only by "Appliquer et fermer"
        EXPECT_EQ((std::vector<int>{kStartOnWin, kRememberPosition, kAboutButton, kApply, kStartInTray, kAlwaysVisible,
                                    kStartOnWin, kRememberPosition, kAboutButton}), Tabs(settings, 9));
        Key(Focus(settings), VK_SPACE);
        const HWND about = WaitWindow(L"KalveroAbout");
        ASSERT_TRUE(about && FocusOn(about, kOk));
        // What the user reads, and a screen reader says: captions, and the strip's tooltips (its buttons' texts).
        const std::tuple<HWND, int, const wchar_t*> texts[] = {
            {k.main, 0, L"Kalvero"}, {k.main, kShutdown, L"Arrêt de Windows"}, {k.main, kRestart, L"Redémarrer Windows"},
            {k.main, kLogoff, L"Déconnexion utilisateur"}, {k.main, kSettingsButton, L"Réglages de Kalvero"},
            {k.main, kTrayButton, L"Réduire dans la barre des tâches"}, {settings, 0, L"Kalvero - Réglages"},
            {settings, kStartInTray, L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur"},
            {about, 0, L"Kalvero - A propos "}};
        for (const auto& [window, id, text] : texts) {
            wchar_t shown[100] = L"";
            SendMessageW(id ? GetDlgItem(window, id) : window, WM_GETTEXT, 100, reinterpret_cast<LPARAM>(shown));
            EXPECT_STREQ(text, shown);
        }
        EXPECT_TRUE(GetWindow(about, GW_OWNER) == settings && !IsWindowEnabled(settings) && !IsWindowEnabled(k.main));
        Key(Focus(about), VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && Focus(settings) == GetDlgItem(settings, kAboutButton); }));
        ASSERT_TRUE(CloseModal(settings, k.main, message, wparam) && Flush(k.main));  // the apply ends after the close
        EXPECT_EQ(saved, GetSetting(L"FenVisible"));
        EXPECT_EQ(*saved == L'1', Topmost(k.main));
        EXPECT_TRUE(FocusOn(k.main, kSettingsButton));
    }
}

// Each option box shows its own stored value (cleared, ticked, or greyed from a stored "2") and writes it back
// untouched; clicked, it writes its own new state (a greyed box clears). Each row puts each state in another box.
TEST_F(Settings, EachBoxToItsOwnValueAndBack) {
    const Kalvero k;
    const std::pair<const wchar_t*, int> boxes[] = {{L"FenVisible", kAlwaysVisible}, {L"AutoReduit", kStartInTray},
                                                    {L"DerPosition", kRememberPosition}};
    for (const std::wstring stored : {L"210", L"021", L"102"}) {
        for (int i = 0; i < 3; ++i) SetSettings({{boxes[i].first, stored.substr(i, 1).c_str()}});
        for (const bool click : {false, true}) {
            const HWND settings = k.OpenSettings();
            ASSERT_TRUE(settings);
            std::wstring shown, saved, wanted;
            for (const auto& [key, box] : boxes) {
                shown += std::to_wstring(SendDlgItemMessageW(settings, box, BM_GETCHECK, 0, 0));
                if (click) Click(settings, box);
            }
            ASSERT_TRUE(CloseModal(settings, k.main, BM_CLICK) && Flush(k.main));
            for (int i = 0; i < 3; ++i) saved += GetSetting(boxes[i].first), wanted += click ? L"100"[stored[i] - L'0'] : stored[i];
            EXPECT_EQ(stored, shown);
            EXPECT_EQ(wanted, saved) << (click ? "clicked" : "untouched");
        }
    }
}

// « Exécuter Kalvero au démarrage » is one value. An exe in either Program Files folder gets the machine's, in the
// registry 64-bit programs see whichever build ticks it (no Wow6432Node copy that the other build would miss),
// however the machine records that folder (another case, a final backslash, its short form); any other copy gets
// this user's, though every Wine process may write the machine's. Cleared, it is gone; written by the other build,
// the box shows it when the window opens. Task Manager's mark beside the machine's: disabled (an odd first byte),
// the box opens cleared and nothing is rewritten; a tick enables it (2), the rest of the mark kept; clearing
// leaves the mark; no mark is made where there was none.
TEST_F(Settings, StartWithWindowsIsOneValue) {
    const wchar_t run[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                  approved[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    const std::wstring programFiles = L"C:\\Program Files\\Kalvero", x86 = L"C:\\Program Files (x86)\\Kalvero",
                       old = L"C:\\Program Files Old\\Kalvero";
    const auto record = [](const std::wstring& folder) {  // the machine's record of the 64-bit Program Files folder
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
        RegSetValueExW(key, L"ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), DWORD(folder.size() + 1) * 2);
        RegCloseKey(key);
    };
    wchar_t shortForm[MAX_PATH] = L"";
    ASSERT_TRUE(Install(programFiles) && Install(x86) && Install(old) && GetShortPathNameW(L"C:\\Program Files", shortForm, MAX_PATH));
    for (const auto& [folder, recorded, machine] : {std::tuple<std::wstring, std::wstring, bool>{programFiles, L"C:\\Program Files", true},
                                                     {x86, L"C:\\Program Files", true}, {programFiles, L"c:\\PROGRAM FILES\\", true},
                                                     {programFiles, shortForm, true}, {old, L"C:\\Program Files", false},
                                                     {kDir, L"C:\\Program Files", false}}) {
        SCOPED_TRACE(std::string(folder.begin(), folder.end()) + " " + std::string(recorded.begin(), recorded.end()));
        record(recorded);
        const Kalvero k(folder);
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        Click(settings, kStartOnWin);
        EXPECT_TRUE(WaitUntil([&] { return SendDlgItemMessageW(settings, kStartOnWin, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        EXPECT_EQ(machine, HasValue(HKEY_LOCAL_MACHINE, run, RRF_SUBKEY_WOW6464KEY));
        EXPECT_EQ(!machine, HasValue(HKEY_CURRENT_USER, run, 0));
        Click(settings, kStartOnWin);
        EXPECT_TRUE(WaitUntil([&] { return SendDlgItemMessageW(settings, kStartOnWin, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
        EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, run, RRF_SUBKEY_WOW6464KEY) || HasValue(HKEY_CURRENT_USER, run, 0));
        ASSERT_TRUE(CloseModal(settings, k.main, WM_CLOSE));
    }
    record(L"C:\\Program Files");
    const Kalvero k(programFiles);
    const struct { const wchar_t* before; bool click, ticked, entry; int mark; } rows[] = {  // mark: its first byte, 0 none
        {L"", true, true, true, 0}, {L"", true, false, false, 0}, {L"Run /v Kalvero /d C:\\K.exe", false, true, true, 0},
        {L"Explorer\\StartupApproved\\Run /v Kalvero /t REG_BINARY /d 030000000908070605040302", false, false, true, 3},
        {L"", true, true, true, 2}, {L"", true, false, false, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const std::wstring add = L"reg add HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\" + std::wstring(row.before);
        if (*row.before) _wsystem((add + L" /f /reg:64 >nul").c_str());
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        if (row.click) Click(settings, kStartOnWin);
        EXPECT_TRUE(WaitUntil([&] { return (SendDlgItemMessageW(settings, kStartOnWin, BM_GETCHECK, 0, 0) == BST_CHECKED) == row.ticked; }));
        EXPECT_EQ(row.entry, HasValue(HKEY_LOCAL_MACHINE, run, RRF_SUBKEY_WOW6464KEY));
        EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, run, RRF_SUBKEY_WOW6432KEY) || HasValue(HKEY_CURRENT_USER, run, 0)) << "a second entry";
        BYTE mark[64] = {};
        DWORD size = sizeof mark;
        RegGetValueW(HKEY_LOCAL_MACHINE, approved, L"Kalvero", RRF_RT_ANY | RRF_SUBKEY_WOW6464KEY, nullptr, mark, &size);
        EXPECT_TRUE(mark[0] == row.mark && (!row.mark || (size == 12 && mark[11] == 2))) << "mark " << int(mark[0]);
        ASSERT_TRUE(CloseModal(settings, k.main, WM_CLOSE));
    }
}

// The About window. Its label and its details message (13 lines, a bare CR between two) show the numbers of
// version.h. Each link hands its own address to the shell: the handler of the three kinds of address here is the
// recorder, which logs its command line. « Système Info... » starts the 64-bit tool on 64-bit Windows: with no path
// in the 64-bit registry (its Wow6432Node copy does not count), the one in the native system folder, which a 32-bit
// build reaches as Sysnative. A copy of the recorder stands in for the tool.
TEST_F(Settings, AboutVersionLinksAndSystemInformation) {
    for (const std::wstring scheme : {L"http", L"https", L"mailto"}) {
        const std::wstring command = L"\"C:\\kalvero\\shutdown.exe\" \"%1\"";
        RegSetKeyValueW(HKEY_CLASSES_ROOT, (scheme + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ, command.c_str(),
                        DWORD(command.size() + 1) * sizeof(wchar_t));
    }
    ASSERT_TRUE(CopyFileW(L"C:\\kalvero\\shutdown.exe",
                          Wow64() ? L"C:\\windows\\Sysnative\\msinfo32.exe" : L"C:\\windows\\system32\\msinfo32.exe", FALSE));
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
    ASSERT_TRUE(CloseModal(box, about, WM_COMMAND, IDOK));
    for (const int link : {kDonation, kWebSite, kEmail}) {
        const HWND control = GetDlgItem(about, link);
        Logged([&] { PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, 0), PostMessageW(control, WM_LBUTTONUP, 0, 0); });
    }
    const auto opened = [](const char* address) { return std::string("C:\\kalvero\\shutdown.exe\t\"C:\\kalvero\\shutdown.exe\" \"") + address + "\"\t1\t1\t,\n"; };  // no position saved
    EXPECT_EQ(opened("https://www.example.org/Don/Don.htm") + opened("https://www.example.org/kalvero") +
              opened("mailto:contact@example.org"), RecorderLog());
    // Only the 32-bit view names a tool: the one in the native system folder starts.
    const wchar_t tools[] = L"Software\\Microsoft\\Shared Tools\\MSINFO", path32[] = L"C:\\32-bit view only\\msinfo32.exe";
    HKEY key = nullptr;
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, tools, KEY_WOW64_64KEY, 0);
    ASSERT_FALSE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, tools, 0, 0, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, 0, &key, 0));
    RegSetValueExW(key, L"PATH", 0, REG_SZ, (const BYTE*)path32, sizeof path32), RegCloseKey(key);
    ASSERT_TRUE(ClearRecorderLog());
    Click(about, 302);  // « Système Info... »
    EXPECT_TRUE(WaitUntil([&] { return !RecorderLog().empty(); }));
    EXPECT_EQ("C:\\windows\\system32\\msinfo32.exe", RecorderLog().substr(0, RecorderLog().find('\t')));
}

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
