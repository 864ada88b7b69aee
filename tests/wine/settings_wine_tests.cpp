// End-to-end tests of Kalvero's settings window under Wine: what it shows, where it opens, what its
// option boxes load and save, and the start-with-Windows entry it keeps under the Run keys.
#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The "Kalvero" value under one Run key: its type and raw data, terminator included.
using RunEntry = std::optional<std::pair<DWORD, std::wstring>>;

RunEntry ReadRun(HKEY root) {
    wchar_t data[1024];
    DWORD size = sizeof data, type = 0;
    if (RegGetValueW(root, kRunKey, L"Kalvero", RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::pair(type, std::wstring(data, size / sizeof(wchar_t)));
}

void WriteRun(HKEY root, const RunEntry& entry) {
    if (entry)
        RegSetKeyValueW(root, kRunKey, L"Kalvero", entry->first, entry->second.data(),
                        static_cast<DWORD>(entry->second.size() * sizeof(wchar_t)));
    else
        RegDeleteKeyValueW(root, kRunKey, L"Kalvero");
}

class SettingsWine : public WineTest {
protected:
    void TearDown() override {
        WineTest::TearDown();
        WriteRun(HKEY_LOCAL_MACHINE, std::nullopt);
        WriteRun(HKEY_CURRENT_USER, std::nullopt);
    }
};

// Below the main window by 1000 and 180 twips, moved inside the work area where it would not fit.
TEST_F(SettingsWine, TextsTabOrderModalityAndPlace) {
    enum Fit { Below, WorkLeft, WorkRight, WorkBottom };
    constexpr LONG kFarEdge = -1;  // the main window touches the work area's right or bottom edge
    const struct {
        DWORD dpi;
        LONG x, y;  // main window's top left
        Fit fit_x, fit_y;
        LONG client_width, client_height;
    } rows[] = {
        {96, 400, 300, Below, Below, 289, 170},
        {96, kFarEdge, kFarEdge, WorkRight, WorkBottom, 289, 170},
        {144, 7, 300, WorkLeft, Below, 434, 255},  // 433.5 wide: either rounding is fine
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", main at " << row.x << "," << row.y);
        SetSystemDpi(row.dpi);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const RECT work = WorkArea(k.main);
        RECT main{};
        GetWindowRect(k.main, &main);
        ASSERT_TRUE(MoveTo(k.main, {row.x == kFarEdge ? work.right - (main.right - main.left) : row.x,
                                    row.y == kFarEdge ? work.bottom - (main.bottom - main.top) : row.y}));
        GetWindowRect(k.main, &main);
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);

        RECT r{}, client{};
        GetWindowRect(settings, &r);
        GetClientRect(settings, &client);
        EXPECT_NEAR(row.client_width, client.right, 1);
        EXPECT_EQ(row.client_height, client.bottom);
        const LONG dx = std::lround(1000.0 * row.dpi / 1440), dy = std::lround(180.0 * row.dpi / 1440);
        if (row.fit_x == WorkRight)
            EXPECT_EQ(work.right, r.right);
        else
            EXPECT_EQ(row.fit_x == Below ? main.left - dx : work.left, r.left);
        EXPECT_EQ(row.fit_y == Below ? main.bottom + dy : work.bottom, row.fit_y == Below ? r.top : r.bottom);

        EXPECT_EQ(L"Kalvero - Réglages", WindowText(settings));
        EXPECT_EQ(k.main, GetWindow(settings, GW_OWNER));
        const wchar_t* texts[] = {L"Kalvero toujours visible", L"Exécuter Kalvero au démarrage de l'ordinateur",
                                  L"Mémoriser la dernière position de la fenêtre principale",
                                  L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur",
                                  L"", L"A propos", L"Appliquer et fermer"};
        for (int id = kAlwaysVisible; id <= kApply; ++id) {
            EXPECT_EQ(texts[id - kAlwaysVisible], WindowText(GetDlgItem(settings, id))) << id;
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(settings, id))) << id;
        }
        EXPECT_EQ((std::vector<int>{201, 202, 203, 206, 207, 204, 201}), TabOrder(settings, 7));

        // Modal: the main window takes no input, and its settings button opens no second window.
        EXPECT_FALSE(IsWindowEnabled(k.main));
        Click(k.main, kSettingsButton);
        Sleep(300);
        EXPECT_EQ(1, CountWindows(L"KalveroSettings"));
        EXPECT_TRUE(CloseSettings(settings, k.main, WM_SYSCOMMAND, SC_CLOSE));
        EXPECT_EQ(0, CountWindows(L"KalveroSettings"));
    }
}

// The boxes show the stored options (distinct per box, so a box reading another's option shows);
// "Appliquer et fermer" saves them and sets topmost; the close box saves and changes nothing. Box
// states and stored values as digits: FenVisible, DerPosition, AutoReduit.
TEST_F(SettingsWine, BoxesLoadApplyAndClose) {
    const struct {
        Text fen_visible, der_position, auto_reduit;
        const char* shown;
        std::vector<int> clicks;
        UINT close;  // BM_CLICK: "Appliquer et fermer"
        WPARAM wparam;
        const char* saved;
        bool topmost;
    } rows[] = {
        {L"0", L"1", L"2", "012", {kAlwaysVisible}, BM_CLICK, 0, "112", true},
        {L"1", L"0", L"2", "102", {kAlwaysVisible, kRememberPosition}, BM_CLICK, 0, "012", false},
        {L"2", L"2", L"0", "220", {kAlwaysVisible, kRememberPosition, kStartInTray}, BM_CLICK, 0, "001", false},
        {std::nullopt, std::nullopt, std::nullopt, "000", {}, BM_CLICK, 0, "000", false},
        {L"1", L"0", L"2", "102", {kAlwaysVisible, kRememberPosition, kStartInTray}, WM_CLOSE, 0, "102", true},
        {L"0", L"0", L"0", "000", {kAlwaysVisible}, WM_SYSCOMMAND, SC_CLOSE, "000", false},
    };
    const wchar_t* names[] = {L"FenVisible", L"DerPosition", L"AutoReduit"};
    const int boxes[] = {kAlwaysVisible, kRememberPosition, kStartInTray};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "from " << Show(row.fen_visible) << ", " << Show(row.der_position) << ", "
                                        << Show(row.auto_reduit) << ", close 0x" << std::hex << row.close);
        SetSetting(names[0], row.fen_visible);
        SetSetting(names[1], row.der_position);
        SetSetting(names[2], row.auto_reduit);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(row.shown[i] - '0', Check(settings, boxes[i])) << "loaded " << i;
        for (int id : row.clicks) Press(settings, id);
        ASSERT_TRUE(CloseSettings(settings, k.main, row.close, row.wparam));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Text(std::wstring(1, row.saved[i])), GetSetting(names[i])) << i;
        WaitUntil([&] { return Topmost(k.main) == row.topmost; }, 2000);
        EXPECT_EQ(row.topmost, Topmost(k.main));

        settings = k.OpenSettings();  // opened again, the window shows what is stored now
        ASSERT_TRUE(settings);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(row.saved[i] - '0', Check(settings, boxes[i])) << "reloaded " << i;
        EXPECT_TRUE(CloseSettings(settings, k.main, WM_CLOSE));
    }
}

// Ticked: one machine-wide REG_SZ entry for this exe, from the folder's short form, rewritten
// already on opening; cleared: none, and no entry for this user either.
TEST_F(SettingsWine, AutostartBoxKeepsOneMachineEntry) {
    const std::wstring dir = L"C:\\Program Files\\Kalvero outils";
    ASSERT_TRUE(Install(dir));
    wchar_t short_dir[MAX_PATH] = L"";
    GetShortPathNameW(dir.c_str(), short_dir, MAX_PATH);
    const RunEntry ticked = std::pair(DWORD{REG_SZ}, std::wstring(short_dir) + L"\\Kalvero.exe" + L'\0');
    ASSERT_EQ(std::wstring::npos, ticked->second.find(L' ')) << "no short form";
    const RunEntry old = std::pair(DWORD{REG_SZ}, std::wstring(L"C:\\old\\Kalvero.exe") + L'\0');
    const struct {
        const char* name;
        RunEntry machine, user;  // before the start
        int clicks;
    } rows[] = {
        {"none", std::nullopt, std::nullopt, 2},
        {"machine REG_DWORD", std::pair(DWORD{REG_DWORD}, std::wstring(L"\x01\0", 2)), std::nullopt, 0},
        {"user only", std::nullopt, old, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteRun(HKEY_LOCAL_MACHINE, row.machine);
        WriteRun(HKEY_CURRENT_USER, row.user);
        const Kalvero k(dir);
        ASSERT_TRUE(k.main);
        const HWND settings = k.OpenSettings();
        ASSERT_TRUE(settings);
        bool on = row.machine || row.user;
        for (int click = 0;; ++click) {
            SCOPED_TRACE(testing::Message() << "after " << click << " clicks");
            EXPECT_EQ(on ? BST_CHECKED : BST_UNCHECKED, Check(settings, kStartOnWin));
            EXPECT_EQ(on ? ticked : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
            EXPECT_EQ(std::nullopt, ReadRun(HKEY_CURRENT_USER));
            if (click == row.clicks) break;
            Press(settings, kStartOnWin);
            on = !on;
        }
        // Leaving without "Appliquer et fermer" undoes nothing.
        EXPECT_TRUE(CloseSettings(settings, k.main, WM_CLOSE));
        EXPECT_EQ(on ? ticked : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
    }
}

}  // namespace

// A keyboard user: the settings window opens with the focus on its first box, Space ticks it; after the
// About window closes the focus is back on "A propos", after the settings window on the strip's button.
TEST_F(SettingsWine, KeyboardFocusAsInADialog) {
    const Kalvero k;
    ASSERT_TRUE(k.main);
    ASSERT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kShutdown); }));
    ASSERT_EQ((std::vector<int>{kLogoff, kSettingsButton}), Tabs(k.main, 2));
    Key(Focus(k.main), VK_SPACE);
    const HWND settings = WaitWindow(k.process.pid(), L"KalveroSettings");
    ASSERT_TRUE(settings);
    EXPECT_TRUE(WaitUntil([&] { return Focus(settings) == GetDlgItem(settings, kAlwaysVisible); }));
    Key(Focus(settings), VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return Check(settings, kAlwaysVisible) == BST_CHECKED; }));
    EXPECT_EQ((std::vector<int>{kStartOnWin, kRememberPosition, kAboutButton}), Tabs(settings, 3));
    Key(Focus(settings), VK_SPACE);
    const HWND about = WaitWindow(k.process.pid(), L"KalveroAbout");
    ASSERT_TRUE(about);
    EXPECT_TRUE(WaitUntil([&] { return Focus(about) == GetDlgItem(about, IDOK); }));
    Key(Focus(about), VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && Focus(settings) == GetDlgItem(settings, kAboutButton); }));
    ASSERT_TRUE(CloseSettings(settings, k.main, WM_CLOSE));
    EXPECT_TRUE(WaitUntil([&] { return Focus(k.main) == GetDlgItem(k.main, kSettingsButton); }));
}
