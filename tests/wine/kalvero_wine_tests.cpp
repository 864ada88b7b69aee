// End-to-end tests of the real Kalvero.exe under Wine: settings in the registry, window placement,
// the power commands and single-instance start-up, all observed from outside the program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "harness.h"

using namespace harness;

namespace {

constexpr int kShutdown = 101, kRestart = 102, kLogoff = 103;

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--logoff") == 0)
        return LogoffScenario({std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10)});
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
