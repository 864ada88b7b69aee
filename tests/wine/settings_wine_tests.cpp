// End-to-end tests of Kalvero's settings window under Wine: what it shows, where it opens, what its
// option boxes load and save, and the start-with-Windows entry it keeps under the Run keys.
#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kSettingsClass[] = L"KalveroSettings";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kSettingsButton = 104;
enum : int { kAlwaysVisible = 201, kStartOnWin, kRememberPosition, kStartInTray, kFrame, kAbout, kApply };

using Text = std::optional<std::wstring>;

std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}
std::string Show(const Text& t) { return t ? '"' + Narrow(*t) + '"' : "(absent)"; }

// A Kalvero.exe started from any path, ended with the test even under a name KillAllKalvero misses.
class Kalvero {
public:
    explicit Kalvero(const std::wstring& exe = std::wstring(kInstallDir) + L"\\Kalvero.exe") {
        const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
        std::wstring command_line = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            (dir.size() == 2 ? dir + L"\\" : dir).c_str(), &si, &pi))
            return;
        process_.emplace(pi.hProcess, pi.hThread, pi.dwProcessId);
        main = WaitMainWindow(*process_);
    }
    ~Kalvero() {
        if (!process_) return;
        TerminateProcess(process_->handle(), 1);
        process_->WaitExit();
    }
    const Process& process() const { return *process_; }

    HWND main = nullptr;

private:
    std::optional<Process> process_;
};

std::vector<HWND> SettingsWindows() {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kSettingsClass, nullptr));) found.push_back(w);
    return found;
}

// Clicks the settings button and waits for the settings window to show.
HWND OpenSettings(HWND main) {
    PostMessageW(GetDlgItem(main, kSettingsButton), BM_CLICK, 0, 0);
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : SettingsWindows())
            if (IsWindowVisible(w)) found = w;
        return found != nullptr;
    });
    return found;
}

// A sent click returns once Kalvero has handled it; only the buttons that end the window are posted.
void Press(HWND settings, int id) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(settings, id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result);
}

LRESULT Check(HWND settings, int id) { return SendDlgItemMessageW(settings, id, BM_GETCHECK, 0, 0); }

// Posts the message that ends the settings window and waits until it is gone and the main window
// takes input again.
bool CloseSettings(HWND settings, HWND main, UINT message, WPARAM wparam = 0) {
    if (message == BM_CLICK)
        PostMessageW(GetDlgItem(settings, kApply), BM_CLICK, 0, 0);
    else
        PostMessageW(settings, message, wparam, 0);
    return WaitUntil([&] { return !IsWindow(settings) && IsWindowEnabled(main); });
}

bool Topmost(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool MoveTo(HWND window, POINT where) {
    SetWindowPos(window, nullptr, where.x, where.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WaitUntil([&] {
        const POINT p = TopLeft(window);
        return p.x == where.x && p.y == where.y;
    });
}

RECT WorkArea(HWND window) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

// The "Kalvero" value under one Run key: its type and its raw data, terminator included.
struct RunValue {
    DWORD type = 0;
    std::wstring data;
    bool operator==(const RunValue&) const = default;
};
std::ostream& operator<<(std::ostream& out, const RunValue& v) {
    return out << "type " << v.type << " \"" << Narrow(v.data) << '"';
}
using RunEntry = std::optional<RunValue>;

RunEntry ReadRun(HKEY root) {
    BYTE data[2048];
    DWORD size = sizeof data, type = 0;
    if (RegGetValueW(root, kRunKey, L"Kalvero", RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return RunValue{type, std::wstring(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t))};
}

void WriteRun(HKEY root, const RunEntry& entry) {
    if (!entry) {
        RegDeleteKeyValueW(root, kRunKey, L"Kalvero");
        return;
    }
    RegSetKeyValueW(root, kRunKey, L"Kalvero", entry->type, entry->data.data(),
                    static_cast<DWORD>(entry->data.size() * sizeof(wchar_t)));
}

RunValue Sz(const std::wstring& text) { return {REG_SZ, text + L'\0'}; }

// What the Run entry must hold for an exe at this path: its folder's short form, so that no blank
// splits the command line, and quotes when a blank remains all the same.
std::wstring ExpectedRunPath(const std::wstring& exe) {
    const size_t slash = exe.find_last_of(L'\\');
    const std::wstring folder = exe.substr(0, slash + 1);
    wchar_t short_folder[MAX_PATH] = L"";
    GetShortPathNameW(folder.c_str(), short_folder, MAX_PATH);
    std::wstring path = short_folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += exe.substr(slash + 1);
    return path.find(L' ') == std::wstring::npos ? path : L'"' + path + L'"';
}

class SettingsWine : public testing::Test {
protected:
    void SetUp() override {
        KillAllKalvero();
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe into the prefix";
        ClearSettings();
        SetSystemDpi(96);
        ClearRun();
    }
    void TearDown() override {
        KillAllKalvero();
        SetSystemDpi(96);
        ClearRun();
    }
    static void ClearRun() {
        WriteRun(HKEY_LOCAL_MACHINE, std::nullopt);
        WriteRun(HKEY_CURRENT_USER, std::nullopt);
    }
};

TEST_F(SettingsWine, WindowControlsTabOrderAndModality) {
    const Kalvero k;
    ASSERT_TRUE(k.main);
    const HWND settings = OpenSettings(k.main);
    ASSERT_TRUE(settings);

    wchar_t text[128] = L"";
    GetWindowTextW(settings, text, 128);
    EXPECT_STREQ(L"Kalvero - Réglages", text);
    EXPECT_EQ(k.main, GetWindow(settings, GW_OWNER));
    EXPECT_EQ(nullptr, GetParent(settings)) << "must be a top-level window";
    RECT client{};
    GetClientRect(settings, &client);
    EXPECT_EQ(289, client.right);
    EXPECT_EQ(170, client.bottom);

    const struct {
        int id;
        LONG type;
        const wchar_t* text;
    } controls[] = {
        {kAlwaysVisible, BS_3STATE, L"Kalvero toujours visible"},
        {kStartOnWin, BS_CHECKBOX, L"Exécuter Kalvero au démarrage de l'ordinateur"},
        {kRememberPosition, BS_3STATE, L"Mémoriser la dernière position de la fenêtre principale"},
        {kStartInTray, BS_3STATE, L"Réduire automatiqment dans la barre des tâches au démarrage de l'ordinateur"},
        {kFrame, BS_GROUPBOX, L""},
        {kAbout, BS_PUSHBUTTON, L"A propos"},
        {kApply, BS_PUSHBUTTON, L"Appliquer et fermer"},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.id);
        const HWND control = GetDlgItem(settings, c.id);
        ASSERT_TRUE(control);
        GetClassNameW(control, text, 128);
        EXPECT_EQ(0, _wcsicmp(text, L"Button"));
        GetWindowTextW(control, text, 128);
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(c.type, GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK);
        EXPECT_TRUE(IsWindowVisible(control));
    }
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(settings, kStartInTray), GWL_STYLE) & BS_MULTILINE);

    std::vector<int> order;
    HWND item = nullptr;
    for (int i = 0; i < 7; ++i) order.push_back(GetDlgCtrlID(item = GetNextDlgTabItem(settings, item, FALSE)));
    EXPECT_EQ((std::vector<int>{201, 202, 203, 206, 207, 204, 201}), order);

    // Modal: the main window takes no input, and its settings button opens no second window.
    EXPECT_FALSE(IsWindowEnabled(k.main));
    PostMessageW(GetDlgItem(k.main, kSettingsButton), BM_CLICK, 0, 0);
    Sleep(300);
    EXPECT_EQ(1u, SettingsWindows().size());

    EXPECT_TRUE(CloseSettings(settings, k.main, WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_TRUE(SettingsWindows().empty());
}

TEST_F(SettingsWine, OpensBelowMainWindowInsideWorkArea) {
    enum Fit { Below, WorkLeft, WorkRight, WorkBottom };
    constexpr LONG kFarEdge = -1;  // the main window touches the work area's right or bottom edge
    const struct {
        DWORD dpi;
        LONG x, y;  // main window's top left
        Fit fit_x, fit_y;
        LONG client_width, client_height;
    } rows[] = {
        {96, 400, 300, Below, Below, 289, 170},
        {96, 7, 300, WorkLeft, Below, 289, 170},
        {96, 400, kFarEdge, Below, WorkBottom, 289, 170},
        {96, kFarEdge, 300, WorkRight, Below, 289, 170},
        {144, 400, 300, Below, Below, 434, 255},  // 433.5 wide: either rounding is fine
        {144, 7, kFarEdge, WorkLeft, WorkBottom, 434, 255},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << ", main at " << row.x << "," << row.y);
        SetSystemDpi(row.dpi);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const RECT work = WorkArea(k.main);
        RECT main{};
        GetWindowRect(k.main, &main);
        const POINT at{row.x == kFarEdge ? work.right - (main.right - main.left) : row.x,
                       row.y == kFarEdge ? work.bottom - (main.bottom - main.top) : row.y};
        ASSERT_TRUE(MoveTo(k.main, at));
        GetWindowRect(k.main, &main);

        const HWND settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);
        RECT r{}, client{};
        GetWindowRect(settings, &r);
        GetClientRect(settings, &client);
        EXPECT_NEAR(row.client_width, client.right, 1);
        EXPECT_EQ(row.client_height, client.bottom);

        // 1000 and 180 twips.
        const LONG dx = std::lround(1000.0 * row.dpi / 1440), dy = std::lround(180.0 * row.dpi / 1440);
        switch (row.fit_x) {
            case Below: EXPECT_EQ(main.left - dx, r.left); break;
            case WorkLeft: EXPECT_EQ(work.left, r.left); break;
            case WorkRight: EXPECT_EQ(work.right, r.right); break;
            case WorkBottom: break;
        }
        if (row.fit_y == Below)
            EXPECT_EQ(main.bottom + dy, r.top);
        else
            EXPECT_EQ(work.bottom, r.bottom);
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
            << r.left << "," << r.top << " - " << r.right << "," << r.bottom;
    }
}

TEST_F(SettingsWine, BoxesShowStoredOptions) {
    // Each row gives the three options different values, so a box reading another's option shows.
    // AutoReduit never reads exactly 1 here: the main window would start in the tray.
    const struct {
        Text fen_visible, der_position, auto_reduit;
        LRESULT always_visible, remember_position, start_in_tray;
    } rows[] = {
        {L"0", L"1", L"2", BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE},
        {L"2", L"7", L"0.6", BST_INDETERMINATE, BST_UNCHECKED, BST_CHECKED},
        {L"1", std::nullopt, L"abc", BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED},
        {L"2.5", L"0.5", L"1.5", BST_INDETERMINATE, BST_UNCHECKED, BST_INDETERMINATE},  // halves go to even
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Show(row.fen_visible) + ", " + Show(row.der_position) + ", " + Show(row.auto_reduit));
        SetSetting(L"FenVisible", row.fen_visible);
        SetSetting(L"DerPosition", row.der_position);
        SetSetting(L"AutoReduit", row.auto_reduit);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const HWND settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);
        EXPECT_EQ(row.always_visible, Check(settings, kAlwaysVisible));
        EXPECT_EQ(row.remember_position, Check(settings, kRememberPosition));
        EXPECT_EQ(row.start_in_tray, Check(settings, kStartInTray));
    }
}

TEST_F(SettingsWine, ApplySavesBoxesAndTopmostCloseBoxSavesNothing) {
    const struct {
        Text fen_visible, der_position, auto_reduit;
        std::vector<int> clicks;
        UINT close;  // BM_CLICK: "Appliquer et fermer"
        WPARAM wparam;
        const wchar_t *want_fen_visible, *want_der_position, *want_auto_reduit;
        bool topmost;
    } rows[] = {
        {L"0", L"0", L"0", {kAlwaysVisible}, BM_CLICK, 0, L"1", L"0", L"0", true},
        {L"1", L"0", L"2", {kAlwaysVisible, kRememberPosition}, BM_CLICK, 0, L"0", L"1", L"2", false},
        {L"2", L"2", L"0", {kAlwaysVisible, kRememberPosition, kStartInTray}, BM_CLICK, 0, L"0", L"0", L"1", false},
        {L"2", L"0", L"0", {kAlwaysVisible, kAlwaysVisible}, BM_CLICK, 0, L"1", L"0", L"0", true},  // grey, clear, tick
        {std::nullopt, std::nullopt, std::nullopt, {}, BM_CLICK, 0, L"0", L"0", L"0", false},
        {L"1", L"0", L"2", {kAlwaysVisible, kRememberPosition, kStartInTray}, WM_CLOSE, 0, L"1", L"0", L"2", true},
        {L"0", L"0", L"0", {kAlwaysVisible}, WM_SYSCOMMAND, SC_CLOSE, L"0", L"0", L"0", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "from " << Show(row.fen_visible) << ", " << Show(row.der_position) << ", "
                                        << Show(row.auto_reduit) << ", " << row.clicks.size() << " clicks, close 0x"
                                        << std::hex << row.close);
        SetSetting(L"FenVisible", row.fen_visible);
        SetSetting(L"DerPosition", row.der_position);
        SetSetting(L"AutoReduit", row.auto_reduit);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        HWND settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);
        for (int id : row.clicks) Press(settings, id);
        ASSERT_TRUE(CloseSettings(settings, k.main, row.close, row.wparam));

        EXPECT_EQ(Text(row.want_fen_visible), GetSetting(L"FenVisible"));
        EXPECT_EQ(Text(row.want_der_position), GetSetting(L"DerPosition"));
        EXPECT_EQ(Text(row.want_auto_reduit), GetSetting(L"AutoReduit"));
        WaitUntil([&] { return Topmost(k.main) == row.topmost; }, 2000);
        EXPECT_EQ(row.topmost, Topmost(k.main));

        // Opened again, the window shows what is stored now.
        settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);
        EXPECT_EQ(row.want_fen_visible[0] - L'0', Check(settings, kAlwaysVisible));
        EXPECT_EQ(row.want_der_position[0] - L'0', Check(settings, kRememberPosition));
        EXPECT_EQ(row.want_auto_reduit[0] - L'0', Check(settings, kStartInTray));
        EXPECT_TRUE(CloseSettings(settings, k.main, WM_CLOSE));
    }
}

// Whether this run saves its position on closing was decided at start-up.
TEST_F(SettingsWine, RememberPositionChangedInWindowCountsFromNextStart) {
    const struct {
        const wchar_t* der_position;
        const wchar_t *haut, *gauche;  // afterwards; 720 and 960 before, the window closes at 200,150
    } rows[] = {
        {L"0", L"720", L"960"},
        {L"1", L"2250", L"3000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.der_position));
        SetSetting(L"DerPosition", row.der_position);
        SetSetting(L"Haut", L"720");
        SetSetting(L"Gauche", L"960");
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const HWND settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);
        Press(settings, kRememberPosition);
        ASSERT_TRUE(CloseSettings(settings, k.main, BM_CLICK));
        EXPECT_EQ(Text(row.der_position[0] == L'0' ? L"1" : L"0"), GetSetting(L"DerPosition"));

        ASSERT_TRUE(MoveTo(k.main, {200, 150}));
        PostMessageW(k.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(k.process().WaitExit());
        EXPECT_EQ(Text(row.haut), GetSetting(L"Haut"));
        EXPECT_EQ(Text(row.gauche), GetSetting(L"Gauche"));
    }
}

TEST_F(SettingsWine, AutostartBoxKeepsOneMachineEntry) {
    const RunValue old = Sz(L"C:\\old\\Kalvero.exe");
    const DWORD one = 1;
    const RunValue dword{REG_DWORD, std::wstring(reinterpret_cast<const wchar_t*>(&one), 2)};
    const struct {
        const char* name;
        RunEntry machine, user;  // before the start
        LRESULT shown;           // once open
        int clicks;
    } rows[] = {
        {"none", std::nullopt, std::nullopt, BST_UNCHECKED, 2},
        {"machine REG_DWORD", dword, std::nullopt, BST_CHECKED, 0},
        {"machine empty REG_BINARY", RunValue{REG_BINARY, L""}, std::nullopt, BST_CHECKED, 0},
        {"user only", std::nullopt, old, BST_CHECKED, 1},
        {"machine and user", old, old, BST_CHECKED, 1},
    };
    const std::wstring path = ExpectedRunPath(std::wstring(kInstallDir) + L"\\Kalvero.exe");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteRun(HKEY_LOCAL_MACHINE, row.machine);
        WriteRun(HKEY_CURRENT_USER, row.user);
        const Kalvero k;
        ASSERT_TRUE(k.main);
        const HWND settings = OpenSettings(k.main);
        ASSERT_TRUE(settings);

        // Ticked: one machine-wide REG_SZ entry for this exe, rewritten already on opening; cleared: none.
        LRESULT shown = row.shown;
        for (int click = 0;; ++click) {
            SCOPED_TRACE(testing::Message() << "after " << click << " clicks");
            EXPECT_EQ(shown, Check(settings, kStartOnWin));
            EXPECT_EQ(shown ? RunEntry(Sz(path)) : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
            EXPECT_EQ(std::nullopt, ReadRun(HKEY_CURRENT_USER));
            if (click == row.clicks) break;
            Press(settings, kStartOnWin);
            shown = shown == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        }
        // Leaving without "Appliquer et fermer" undoes nothing.
        EXPECT_TRUE(CloseSettings(settings, k.main, WM_CLOSE));
        EXPECT_EQ(shown ? RunEntry(Sz(path)) : std::nullopt, ReadRun(HKEY_LOCAL_MACHINE));
        ClearRun();
    }
}

TEST_F(SettingsWine, AutostartPathForExeFolder) {
    const std::wstring installed = std::wstring(kInstallDir) + L"\\Kalvero.exe";
    const struct {
        const wchar_t *folder, *exe;
    } rows[] = {
        {kInstallDir, L"Kalvero.exe"},
        {L"C:\\Program Files\\Kalvero outils", L"Kalvero.exe"},  // short form: no blank left
        {L"C:\\Kalvéro ✓ 東京", L"Kalvero.exe"},
        {L"C:\\Mes outils", L"Kalvero 2.exe"},  // the blank in the name stays: quoted
        {L"C:", L"Kalvero.exe"},                // a drive's root
    };
    for (const auto& row : rows) {
        const std::wstring exe = std::wstring(row.folder) + L"\\" + row.exe;
        SCOPED_TRACE(Narrow(exe));
        CreateDirectoryW(row.folder, nullptr);
        ASSERT_TRUE(exe == installed || CopyFileW(installed.c_str(), exe.c_str(), FALSE));
        {
            const Kalvero k(exe);
            ASSERT_TRUE(k.main);
            const HWND settings = OpenSettings(k.main);
            ASSERT_TRUE(settings);
            Press(settings, kStartOnWin);
            EXPECT_EQ(BST_CHECKED, Check(settings, kStartOnWin));
            EXPECT_EQ(RunEntry(Sz(ExpectedRunPath(exe))), ReadRun(HKEY_LOCAL_MACHINE));
        }
        if (exe != installed) DeleteFileW(exe.c_str());
        ClearRun();
    }
}

}  // namespace
