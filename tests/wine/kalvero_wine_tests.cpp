// End-to-end tests of the real Kalvero.exe under Wine: settings in the registry, window placement,
// the power commands, single-instance start-up and the notification-area icon, all observed from
// outside the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <numeric>

#include "harness.h"

#include <shellapi.h>  // after windows.h

using namespace harness;

namespace {

constexpr int kShutdown = 101, kRestart = 102, kLogoff = 103, kTray = 105;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::wstring Show(const std::optional<std::wstring>& value) { return value ? L'"' + *value + L'"' : L"(absent)"; }

std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

bool MoveTo(HWND window, POINT where) {
    SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil([&] {
        const POINT p = TopLeft(window);
        return p.x == where.x && p.y == where.y;
    });
}

POINT Center(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::wstring At(POINT p) { return std::to_wstring(p.x) + L" " + std::to_wstring(p.y); }

// Clicks with a real X button, then parks the pointer in an empty corner, away from any window a
// later step shows.
bool XClick(HWND target, int button) {
    return Xdotool(L"mousemove " + At(Center(target)) + L" click " + std::to_wstring(button) + L" mousemove 1279 1023");
}

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }
bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// The icon in the notification area once it is the only one there, else null.
HWND WaitOneIcon() {
    HWND icon = nullptr;
    WaitUntil([&] {
        const std::vector<HWND> icons = TrayIcons();
        icon = icons.size() == 1 ? icons[0] : nullptr;
        return icon != nullptr;
    });
    return icon;
}

// Hovers over the icon as a user would and reads the tip that appears: Wine's tooltip control
// answers WM_GETTEXT with the text it shows.
std::wstring HoverTip(HWND icon) {
    const POINT c = Center(icon);
    // A tip needs moves inside the icon, then its initial delay.
    Xdotool(L"mousemove " + At({c.x - 1, c.y - 1}) + L" sleep 0.1 mousemove " + At(c) + L" sleep 0.1 mousemove " +
            At({c.x + 1, c.y}));
    std::wstring tip;
    WaitUntil(
        [&] {
            for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr));) {
                wchar_t text[128] = L"";
                if (Visible(w) && SendMessageTimeoutW(w, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text),
                                                      SMTO_ABORTIFHUNG, 1000, nullptr))
                    tip = text;
            }
            return !tip.empty();
        },
        5000);
    Xdotool(L"mousemove 1279 1023");
    return tip;
}

// The icon window's pixels as on screen, then the expected icon drawn by us at its centre on the same
// background: equal when the tray shows that very icon at that size.
std::pair<std::vector<DWORD>, std::vector<DWORD>> IconPixels(HWND window, HICON icon, int size) {
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const auto pixels = [&] {
        GdiFlush();
        std::vector<DWORD> v(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * h);
        for (DWORD& p : v) p &= 0xFFFFFF;
        return v;
    };
    const HDC screen = GetDC(nullptr);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const std::vector<DWORD> shown = pixels();

    const HBRUSH background = CreateSolidBrush(GetPixel(dc, 0, 0));
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, background);
    DeleteObject(background);
    DrawIconEx(dc, (w - size) / 2, (h - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
    const std::vector<DWORD> expected = pixels();
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return {shown, expected};
}

// Wine drops the icons of a destroyed window by itself, so its tray cannot show whether Kalvero
// removed its icon. Wine's Shell_NotifyIconW sends each call as WM_COPYDATA (dwData: the NIM_ code,
// wParam: the icon's window) to the first "Shell_TrayWnd": a stand-in made after explorer's records
// the calls and passes them on, so the icon still shows.
struct TrayCall {
    HWND window;
    ULONG_PTR message;
};
std::vector<TrayCall> g_tray_calls;
HWND g_real_tray = nullptr;

LRESULT CALLBACK RecordingTrayProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wparam, lparam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    g_tray_calls.push_back({reinterpret_cast<HWND>(wparam), data->dwData});
    return SendMessageW(g_real_tray, message, wparam, lparam);
}

// Kalvero waits inside Shell_NotifyIconW until this thread takes the stand-in's messages.
void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct Running {
    Process process;
    HWND window = nullptr;
};

class KalveroWine : public testing::Test {
protected:
    void SetUp() override {
        KillAllKalvero();
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe and the recorder into the prefix";
        ClearSettings();
        SetSystemDpi(96);
        ClearRecords();
    }
    void TearDown() override {
        KillAllKalvero();
        SetSystemDpi(96);
    }

    // Starts the installed copy and waits until its window is shown.
    static Running Launch(const std::wstring& dir = kInstallDir) {
        Running k{Start(dir), nullptr};
        if (k.process) k.window = WaitMainWindow(k.process);
        return k;
    }
    // Command5: the window hides and one icon shows. That icon, else null.
    static HWND SendToTray(const Running& k) {
        Click(k.window, kTray);
        return WaitUntil([&] { return !Visible(k.window); }) ? WaitOneIcon() : nullptr;
    }
    static void Kill(const Running& k) {
        TerminateProcess(k.process.handle(), 1);
        k.process.WaitExit();
    }
    // Every record made so far, once no new one has come for a moment.
    static std::vector<Record> SettledRecords(size_t at_least) {
        WaitUntil([&] { return ReadRecords().size() >= at_least; });
        Sleep(400);
        return ReadRecords();
    }
};

TEST_F(KalveroWine, WindowCaptionButtonsAndTabOrder) {
    const Running k = Launch();
    ASSERT_TRUE(k.window);

    wchar_t text[128] = L"";
    GetWindowTextW(k.window, text, 128);
    EXPECT_STREQ(L"Kalvero", text);
    const LONG_PTR style = GetWindowLongPtrW(k.window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "resizable or has min/max boxes";

    const struct {
        int id;
        const wchar_t* tooltip;
    } buttons[] = {
        {101, L"Arrêt de Windows"},
        {102, L"Redémarrer Windows"},
        {103, L"Déconnexion utilisateur"},
        {104, L"Réglages de Kalvero"},
        {105, L"Réduire dans la barre des tâches"},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.id);
        const HWND button = GetDlgItem(k.window, b.id);
        ASSERT_TRUE(button);
        GetClassNameW(button, text, 128);
        EXPECT_EQ(0, _wcsicmp(text, L"Button"));
        GetWindowTextW(button, text, 128);
        EXPECT_STREQ(b.tooltip, text);
        EXPECT_TRUE(IsWindowVisible(button));
    }

    // The order Tab walks, as IsDialogMessage computes it.
    std::vector<int> order;
    HWND item = nullptr;
    for (int i = 0; i < 6; ++i) order.push_back(GetDlgCtrlID(item = GetNextDlgTabItem(k.window, item, FALSE)));
    EXPECT_EQ((std::vector<int>{101, 103, 104, 105, 102, 101}), order);
}

TEST_F(KalveroWine, ClientAreaFollowsSystemDpi) {
    const struct {
        DWORD dpi;
        LONG width, height, tolerance;
    } rows[] = {
        {96, 161, 33, 0},
        {144, 242, 50, 1},  // 241.5 x 49.5: either rounding is fine
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        SetSystemDpi(row.dpi);
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        RECT client{};
        GetClientRect(k.window, &client);
        EXPECT_NEAR(row.width, client.right, row.tolerance);
        EXPECT_NEAR(row.height, client.bottom, row.tolerance);
        Kill(k);
    }
}

TEST_F(KalveroWine, TopmostFollowsFenVisible) {
    const struct {
        std::optional<std::wstring> fen_visible;
        bool topmost;
    } rows[] = {{L"1", true}, {L"0", false}, {L"2", false}, {L"abc", false}, {std::nullopt, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(Show(row.fen_visible)));
        SetSetting(L"FenVisible", row.fen_visible);
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        const auto topmost = [&] { return (GetWindowLongPtrW(k.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
        WaitUntil([&] { return topmost() == row.topmost; }, 2000);
        EXPECT_EQ(row.topmost, topmost());
        Kill(k);
    }
}

TEST_F(KalveroWine, StartPositionFromSettings) {
    enum Expect { At, NotAt, InsideWorkArea };
    const struct {
        DWORD dpi;
        const wchar_t* der_position;  // null: absent
        const wchar_t *haut, *gauche;
        Expect expect;
        POINT where;
    } rows[] = {
        {96, L"1", L"720", L"960", At, {64, 48}},
        {96, L"1", L"727", L"968", At, {65, 48}},  // nearest pixel, not truncated
        {96, L"1", L"-50", L"-1", At, {7, 7}},     // negative: 100 twips
        {96, L"1", L"0", L"0", At, {0, 0}},
        {96, L"1", L"13500", L"16500", At, {1100, 900}},  // wholly on screen, near its corner
        {144, L"1", L"720", L"960", At, {96, 72}},
        {96, L"1", L"99999", L"960", InsideWorkArea, {}},
        {96, L"1", L"960", L"99999", InsideWorkArea, {}},
        {96, L"0", L"720", L"960", NotAt, {64, 48}},
        {96, nullptr, L"720", L"960", NotAt, {64, 48}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", DerPosition " << (row.der_position ? "set" : "absent")
                                        << ", Haut " << Narrow(row.haut) << ", Gauche " << Narrow(row.gauche));
        SetSystemDpi(row.dpi);
        SetSetting(L"DerPosition", row.der_position ? std::optional<std::wstring>(row.der_position) : std::nullopt);
        SetSetting(L"Haut", row.haut);
        SetSetting(L"Gauche", row.gauche);
        const Running k = Launch();
        ASSERT_TRUE(k.window);

        RECT r{};
        const auto placed = [&] {
            GetWindowRect(k.window, &r);
            const bool at = r.left == row.where.x && r.top == row.where.y;
            if (row.expect != InsideWorkArea) return at == (row.expect == At);
            MONITORINFO mi{};
            mi.cbSize = sizeof mi;
            GetMonitorInfoW(MonitorFromWindow(k.window, MONITOR_DEFAULTTONEAREST), &mi);
            return r.left >= mi.rcWork.left && r.top >= mi.rcWork.top && r.right <= mi.rcWork.right &&
                   r.bottom <= mi.rcWork.bottom;
        };
        EXPECT_TRUE(WaitUntil(placed, 2000)) << "window rect: " << r.left << "," << r.top << " - " << r.right << ","
                                             << r.bottom;
        Kill(k);
    }
}

TEST_F(KalveroWine, PositionSavedOnClose) {
    const struct {
        DWORD dpi;
        const wchar_t* der_position;  // null: absent
        POINT move_to;
        UINT message;
        WPARAM wparam;
        const wchar_t *haut, *gauche;  // expected afterwards; 720 and 960 before
    } rows[] = {
        {96, L"1", {200, 150}, WM_CLOSE, 0, L"2250", L"3000"},
        {96, L"1", {333, 77}, WM_SYSCOMMAND, SC_CLOSE, L"1155", L"4995"},  // close box, Alt+F4
        {144, L"1", {200, 150}, WM_CLOSE, 0, L"1500", L"2000"},
        {96, L"0", {200, 150}, WM_CLOSE, 0, L"720", L"960"},
        {96, nullptr, {200, 150}, WM_CLOSE, 0, L"720", L"960"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", DerPosition "
                                        << (row.der_position ? Narrow(row.der_position) : "absent") << ", to "
                                        << row.move_to.x << "," << row.move_to.y);
        SetSystemDpi(row.dpi);
        SetSetting(L"DerPosition", row.der_position ? std::optional<std::wstring>(row.der_position) : std::nullopt);
        SetSetting(L"Haut", L"720");
        SetSetting(L"Gauche", L"960");
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        ASSERT_TRUE(MoveTo(k.window, row.move_to));

        PostMessageW(k.window, row.message, row.wparam, 0);
        ASSERT_TRUE(k.process.WaitExit()) << "still running after the close";
        EXPECT_EQ(std::optional<std::wstring>(row.haut), GetSetting(L"Haut"));
        EXPECT_EQ(std::optional<std::wstring>(row.gauche), GetSetting(L"Gauche"));
    }
}

TEST_F(KalveroWine, PowerButtonsStartSystemShutdownOnly) {
    const struct {
        int id;
        const wchar_t* command_line;
    } rows[] = {{kShutdown, L"shutdown -s -f -t 0"}, {kRestart, L"shutdown -r -f -t 0"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        ClearRecords();
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        Click(k.window, row.id);

        // One record, from system32: the planted copy beside Kalvero.exe never runs.
        const std::vector<Record> records = SettledRecords(1);
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(Lower(SystemShutdownPath()), Lower(records[0].module));
        EXPECT_EQ(row.command_line, records[0].command_line);
        EXPECT_TRUE(records[0].flags & STARTF_USESHOWWINDOW);
        EXPECT_EQ(static_cast<DWORD>(SW_SHOWMINIMIZED), records[0].show);
        Kill(k);
    }
}

TEST_F(KalveroWine, TwoQuickClicksMakeTwoIdenticalRuns) {
    const Running k = Launch();
    ASSERT_TRUE(k.window);
    Click(k.window, kShutdown);
    Click(k.window, kShutdown);
    const std::vector<Record> records = SettledRecords(2);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(records[0], records[1]);
    EXPECT_EQ(Lower(SystemShutdownPath()), Lower(records[0].module));
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
    // Resumed together, they race for the single instance.
    for (const Process& p : starts) p.Resume();

    const auto exited = [&] {
        size_t n = 0;
        for (const Process& p : starts) n += p.WaitExit(0);
        return n;
    };
    WaitUntil([&] { return exited() >= starts.size() - 1; }, 20000);
    Sleep(500);  // time for a late loser to leave, or for the winner to fall over
    EXPECT_EQ(starts.size() - 1, exited());
    for (const Process& p : starts) {
        if (p.WaitExit(0)) {
            EXPECT_EQ(0u, p.ExitCode()) << "a second instance must leave quietly";
        }
    }
    EXPECT_EQ(1u, MainWindows().size());
    EXPECT_EQ(std::optional<std::wstring>(L"-50"), GetSetting(L"Haut"));
    EXPECT_EQ(std::optional<std::wstring>(L"-1"), GetSetting(L"Gauche"));
}

TEST_F(KalveroWine, RunsFromFolderOutsideAnsiCodePage) {
    const std::wstring dir = L"C:\\Kalvéro ✓ 東京";
    ASSERT_TRUE(Install(dir));
    const Running k = Launch(dir);
    ASSERT_TRUE(k.window);
    Click(k.window, kShutdown);
    const std::vector<Record> records = SettledRecords(1);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(Lower(SystemShutdownPath()), Lower(records[0].module));
    EXPECT_EQ(L"shutdown -s -f -t 0", records[0].command_line);
}

TEST_F(KalveroWine, TrayButtonShowsProgramIconWithTip) {
    const Running k = Launch();
    ASSERT_TRUE(k.window);
    EXPECT_TRUE(TrayIcons().empty());
    const HWND icon = SendToTray(k);
    ASSERT_TRUE(icon) << "Command5 did not leave the window hidden and one icon in the tray";

    // The shell's small icon of the exe: the program icon, from its small-size frame.
    HICON small = nullptr;
    ExtractIconExW((std::wstring(kInstallDir) + L"\\Kalvero.exe").c_str(), 0, nullptr, &small, 1);
    ASSERT_TRUE(small);
    const auto [shown, expected] = IconPixels(icon, small, GetSystemMetrics(SM_CXSMICON));
    DestroyIcon(small);
    ASSERT_EQ(expected.size(), shown.size());
    const auto wrong = std::inner_product(shown.begin(), shown.end(), expected.begin(), 0, std::plus<>(),
                                          std::not_equal_to<>());
    EXPECT_EQ(0, wrong) << "pixels of the tray icon that differ from Kalvero's small icon";

    EXPECT_EQ(L"Kalvero", HoverTip(icon));
}

// Only a left click on the icon brings the window back, where it was and as topmost as it was.
TEST_F(KalveroWine, TrayIconClicks) {
    const struct {
        int button;  // X: 1 left, 2 middle, 3 right
        std::optional<std::wstring> fen_visible;
    } rows[] = {{1, L"1"}, {1, std::nullopt}, {3, L"1"}, {2, std::nullopt}};
    const POINT where{300, 200};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "button " << row.button << ", FenVisible "
                                        << Narrow(Show(row.fen_visible)));
        SetSetting(L"FenVisible", row.fen_visible);
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        ASSERT_TRUE(MoveTo(k.window, where));
        const HWND icon = SendToTray(k);
        ASSERT_TRUE(icon);

        ASSERT_TRUE(XClick(icon, row.button));
        if (row.button != 1) {
            Sleep(500);  // time for a wrong reaction to show
            EXPECT_FALSE(Visible(k.window));
            EXPECT_EQ(1u, TrayIcons().size());
            ASSERT_TRUE(XClick(icon, 1));  // the same spot does hit the icon
        }
        ASSERT_TRUE(WaitUntil([&] { return Visible(k.window); })) << "the window did not come back";
        const POINT p = TopLeft(k.window);
        EXPECT_TRUE(p.x == where.x && p.y == where.y) << "back at " << p.x << "," << p.y;
        EXPECT_EQ(row.fen_visible.has_value(), Topmost(k.window));
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); })) << "the icon stayed";
        Kill(k);
    }
}

// AutoReduit "1": only the icon at start-up; the window first shows on a left click, at its saved place.
TEST_F(KalveroWine, AutoReduitStartsInTray) {
    const struct {
        const wchar_t* auto_reduit;
        bool in_tray;
    } rows[] = {{L"1", true}, {L"0", false}, {L"2", false}, {L"abc", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.auto_reduit));
        SetSetting(L"AutoReduit", row.auto_reduit);
        SetSetting(L"DerPosition", L"1");
        SetSetting(L"Haut", L"3000");    // 200 px
        SetSetting(L"Gauche", L"4500");  // 300 px
        Running k{Start(), nullptr};
        ASSERT_TRUE(k.process);
        ASSERT_TRUE(WaitUntil([&] { return (k.window = MainWindowOf(k.process)) != nullptr; }));
        if (row.in_tray) {
            bool shown = false;  // not even for a moment
            for (const ULONGLONG end = GetTickCount64() + 1500; GetTickCount64() < end; Sleep(10))
                shown |= Visible(k.window);
            EXPECT_FALSE(shown);
            const HWND icon = WaitOneIcon();
            ASSERT_TRUE(icon);
            EXPECT_EQ(L"Kalvero", HoverTip(icon));
            ASSERT_TRUE(XClick(icon, 1));
        }
        ASSERT_TRUE(WaitUntil([&] { return Visible(k.window); }));
        const POINT p = TopLeft(k.window);
        EXPECT_TRUE(p.x == 300 && p.y == 200) << "shown at " << p.x << "," << p.y;
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        Kill(k);
    }
}

// Explorer announces a restart with "TaskbarCreated" (Wine never does). In the tray, there is then one
// icon and it works, whether the shell lost the icon (a real restart, made here by deleting it from
// outside) or kept it; a shown window gets no icon.
TEST_F(KalveroWine, TaskbarCreatedKeepsOneIcon) {
    enum Case { Shown, Kept, Lost };
    for (const Case row : {Shown, Kept, Lost}) {
        SCOPED_TRACE(row == Shown ? "window shown" : row == Kept ? "icon kept" : "icon lost");
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        if (row != Shown) {
            ASSERT_TRUE(SendToTray(k));
        }
        if (row == Lost) {
            NOTIFYICONDATAW icon{};
            icon.cbSize = sizeof icon;
            icon.hWnd = k.window;
            icon.uID = 1;  // Kalvero's icon id
            ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
            ASSERT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        }
        PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        Sleep(500);  // time for a wrong icon to show
        if (row == Shown) {
            EXPECT_TRUE(TrayIcons().empty());
            EXPECT_TRUE(Visible(k.window));
        } else {
            const HWND icon = WaitOneIcon();
            ASSERT_TRUE(icon) << TrayIcons().size() << " icons";
            EXPECT_FALSE(Visible(k.window));
            ASSERT_TRUE(XClick(icon, 1));
            EXPECT_TRUE(WaitUntil([&] { return Visible(k.window); }));
            EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        }
        Kill(k);
    }
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

    for (const bool in_tray : {false, true}) {
        SCOPED_TRACE(in_tray ? "closed in the tray" : "closed while shown");
        g_tray_calls.clear();
        SetSetting(L"DerPosition", L"1");
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        ASSERT_TRUE(MoveTo(k.window, {200, 150}));
        if (in_tray) {
            Click(k.window, kTray);
            ASSERT_TRUE(WaitUntil([&] { return Pump(), !Visible(k.window) && TrayIcons().size() == 1; }));
        }
        PostMessageW(k.window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return Pump(), k.process.WaitExit(0); })) << "still running after the close";

        std::wstring codes;
        for (const TrayCall& call : g_tray_calls) {
            EXPECT_EQ(k.window, call.window);
            codes += std::to_wstring(call.message) + L" ";
        }
        SCOPED_TRACE(testing::Message() << "NIM_ codes: " << Narrow(codes));
        ASSERT_FALSE(g_tray_calls.empty());
        EXPECT_EQ(static_cast<ULONG_PTR>(NIM_ADD), g_tray_calls.front().message) << "not through the tray";
        EXPECT_EQ(static_cast<ULONG_PTR>(NIM_DELETE), g_tray_calls.back().message) << "the icon was left behind";
        EXPECT_TRUE(WaitUntil([] { return TrayIcons().empty(); }));
        EXPECT_EQ(std::optional<std::wstring>(L"2250"), GetSetting(L"Haut"));
        EXPECT_EQ(std::optional<std::wstring>(L"3000"), GetSetting(L"Gauche"));
    }
    DestroyWindow(recorder);
}

// Log-off ends the whole Wine session, so logoff.sh makes the checks once the wineserver has gone.
int LogoffScenario(POINT move_to) {
    KillAllKalvero();
    if (!Install()) return std::fputs("could not install Kalvero.exe\n", stderr), 2;
    ClearSettings();
    SetSetting(L"DerPosition", L"1");
    SetSetting(L"Haut", L"720");
    SetSetting(L"Gauche", L"960");
    const Running k{Start(), nullptr};
    const HWND window = k.process ? WaitMainWindow(k.process) : nullptr;
    if (!window) return std::fputs("Kalvero's window did not show\n", stderr), 2;
    if (!MoveTo(window, move_to)) return std::fputs("could not move the window\n", stderr), 2;
    std::printf("window moved to %ld,%ld; clicking log-off\n", move_to.x, move_to.y);
    std::fflush(stdout);
    Click(window, kLogoff);
    // The session end takes Kalvero down (and maybe this process too, if Wine treats it as part of it).
    if (!k.process.WaitExit(30000)) return std::fputs("Kalvero still runs 30 s after log-off\n", stderr), 3;
    std::puts("Kalvero has ended");
    return 0;
}

// For scripts/screenshot.sh, which cannot see the icon from X: Wine draws it inside its tray window.
// Prints the middle of the one icon, then the tray window's left, top, width and height.
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

// The keyboard alone reaches every button: keys go through Kalvero's own message loop, as typed keys do.
TEST_F(KalveroWine, KeyboardTabsAndClicks) {
    const struct {
        int tabs;
        UINT key;
        const wchar_t* command_line;
    } rows[] = {
        {0, VK_RETURN, L"shutdown -s -f -t 0"},  // focus starts on the shut-down button
        {4, VK_SPACE, L"shutdown -r -f -t 0"},   // 101 -> 103 -> 104 -> 105 -> 102
        {9, VK_RETURN, L"shutdown -r -f -t 0"},  // Tab wraps round
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tabs);
        ClearRecords();
        const Running k = Launch();
        ASSERT_TRUE(k.window);
        const DWORD thread = GetWindowThreadProcessId(k.window, nullptr);
        const auto focus = [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
        };
        ASSERT_TRUE(WaitUntil([&] { return focus() == GetDlgItem(k.window, kShutdown); }));
        for (int i = 0; i < row.tabs; ++i) {
            const HWND before = focus();
            PostMessageW(before, WM_KEYDOWN, VK_TAB, 0);
            PostMessageW(before, WM_KEYUP, VK_TAB, 0xC0000000);
            ASSERT_TRUE(WaitUntil([&] { return focus() != before; }));
        }
        PostMessageW(focus(), WM_KEYDOWN, row.key, 0);
        PostMessageW(focus(), WM_KEYUP, row.key, 0xC0000000);

        const std::vector<Record> records = SettledRecords(1);
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(row.command_line, records[0].command_line);
        Kill(k);
    }
}
