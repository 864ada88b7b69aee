// End-to-end tests of Kalvero's About window under Wine: how it opens over the settings window and
// closes, what it shows, its details message and the system-information tool it starts.
#include <gtest/gtest.h>

#include <cwctype>

#include "harness.h"
#include "maker.h"  // generated: the maker's texts as this build was configured

using namespace harness;

namespace {

constexpr int kSettingsButton = 104, kAboutButton = 206;
enum : int { kOk = 1, kSysInfo = 302, kCredit, kEmail, kTitle, kVersion, kFreeware, kWebSite, kDetails, kLogo, kDonate };
constexpr wchar_t kCaption[] = L"Kalvero - A propos ";
constexpr int kMsgBoxIcon = 0x0440;   // stc1 in Wine's message box template
constexpr int kMsgBoxText = 0xFFFF;
// Stand-ins for the system-information tool go here; a blank in the name tests the quoting.
const std::wstring kToolFolder = L"C:\\Program Files\\Outils Kalvero";
const std::wstring kOwnTool = kToolFolder + L"\\sysinfo.exe", kFolderTool = kToolFolder + L"\\MSINFO32.EXE";
constexpr wchar_t kMsinfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

using Text = std::optional<std::wstring>;

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::string Narrow(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return Lower(name);
}

// The shown top-level window of that class in that process, once there is one, else null.
HWND WaitWindow(DWORD pid, const wchar_t* window_class, DWORD timeout_ms = 10000) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, window_class, nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && IsWindowVisible(w)) found = w;
            }
            return found != nullptr;
        },
        timeout_ms);
    return found;
}

// Posted: a sent click would only return once the modal window it opens has closed.
void Click(HWND window, int id) { PostMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

HWND Focus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Through Kalvero's own message loop, as a typed key goes.
void Key(HWND to, UINT key) {
    PostMessageW(to, WM_KEYDOWN, key, 0);
    PostMessageW(to, WM_KEYUP, key, 0xC0000000);
}

// The buttons a message box shows, by id.
std::vector<int> Buttons(HWND box) {
    std::vector<int> ids;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == L"button" && IsWindowVisible(c)) ids.push_back(GetDlgCtrlID(c));
    return ids;
}

// The message box's icon as on screen against that system icon drawn by us on the same background.
// Null: the box must show no icon at all.
bool ShowsIcon(HWND box, const wchar_t* system_icon) {
    const HWND control = GetDlgItem(box, kMsgBoxIcon);
    const bool has_icon = control && SendMessageW(control, STM_GETICON, 0, 0) != 0;
    if (!system_icon || !has_icon) return !system_icon && !has_icon;
    const int size = GetSystemMetrics(SM_CXICON);
    RECT r{};
    GetWindowRect(control, &r);
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const auto pixels = [&] {
        std::vector<COLORREF> v;
        for (int i = 0; i < size * size; ++i) v.push_back(GetPixel(dc, i % size, i / size));
        return v;
    };
    BitBlt(dc, 0, 0, size, size, screen, r.left, r.top, SRCCOPY);
    const std::vector<COLORREF> shown = pixels();
    const HBRUSH background = CreateSolidBrush(shown[0]);  // the icon's corners are transparent
    const RECT all{0, 0, size, size};
    FillRect(dc, &all, background);
    DeleteObject(background);
    DrawIconEx(dc, 0, 0, LoadIconW(nullptr, system_icon), size, size, 0, nullptr, DI_NORMAL);
    const bool same = shown == pixels();
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return same;
}

std::wstring Recorder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\')) + L"\\recorder.exe";
}

std::wstring SystemFolder() {
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    return system;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// One string value, put back as it was (key included) at the end of the scope: the prefix is shared
// by the whole suite.
class RegValue {
public:
    RegValue(HKEY root, const wchar_t* key, const wchar_t* name) : root_(root), key_(key), name_(name) {
        HKEY k = nullptr;
        key_existed_ = RegOpenKeyExW(root_, key_, 0, KEY_READ, &k) == ERROR_SUCCESS;
        if (k) RegCloseKey(k);
        wchar_t value[1024];
        DWORD size = sizeof value;
        if (RegGetValueW(root_, key_, name_, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) saved_ = value;
    }
    RegValue(const RegValue&) = delete;
    ~RegValue() {
        Set(saved_);
        if (!key_existed_) RegDeleteKeyW(root_, key_);
    }
    void Set(const Text& value) const {
        if (value)
            RegSetKeyValueW(root_, key_, name_, REG_SZ, value->c_str(),
                            static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteKeyValueW(root_, key_, name_);
    }

private:
    HKEY root_;
    const wchar_t *key_, *name_;
    bool key_existed_ = false;
    Text saved_;
};

// A file of the prefix moved aside, then given back at the end of the scope, whatever replaced it.
class FileAside {
public:
    explicit FileAside(std::wstring path) : path_(std::move(path)), aside_(path_ + L".kalvero-aside") {
        if (Exists(path_)) moved_ = MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    FileAside(const FileAside&) = delete;
    ~FileAside() {
        DeleteFileW(path_.c_str());
        if (moved_) MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    bool ok() const { return !Exists(path_); }

private:
    std::wstring path_, aside_;
    bool moved_ = false;
};

class AboutWine : public testing::Test {
protected:
    void SetUp() override {
        KillAllKalvero();
        ASSERT_TRUE(Install()) << "could not copy Kalvero.exe into the prefix";
        ClearSettings();
        SetSystemDpi(96);
        ClearRecords();
        // A stray click on "Système Info" then starts the recorder, not Wine's own msinfo32, whose
        // window would outlive the test.
        CreateDirectoryW(kToolFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(Recorder().c_str(), kOwnTool.c_str(), FALSE));
        tool_path_.emplace(HKEY_LOCAL_MACHINE, kMsinfoKey, L"PATH");
        tool_path_->Set(kOwnTool);
    }
    void TearDown() override {
        KillAllKalvero();
        SetSystemDpi(96);
        ClearRecords();
        tool_path_.reset();
        for (const std::wstring& file : {kOwnTool, kFolderTool}) DeleteFileW(file.c_str());
        RemoveDirectoryW(kToolFolder.c_str());
    }

    // Starts Kalvero and opens the settings window, then the About window over it, with the buttons.
    void Open() {
        kalvero_.emplace(Start());
        ASSERT_TRUE(*kalvero_);
        main_ = WaitMainWindow(*kalvero_);
        ASSERT_TRUE(main_);
        Click(main_, kSettingsButton);
        settings_ = WaitWindow(kalvero_->pid(), L"KalveroSettings");
        ASSERT_TRUE(settings_);
        OpenAbout();
    }
    void OpenAbout() {
        Click(settings_, kAboutButton);
        about_ = WaitWindow(kalvero_->pid(), L"KalveroAbout");
        ASSERT_TRUE(about_);
    }
    // Kalvero's message box, once it shows.
    HWND WaitBox() const { return WaitWindow(kalvero_->pid(), L"#32770"); }
    bool AboutGone() const { return !IsWindow(about_) && IsWindowEnabled(settings_); }

    std::optional<RegValue> tool_path_;
    std::optional<Process> kalvero_;
    HWND main_ = nullptr, settings_ = nullptr, about_ = nullptr;
};

TEST_F(AboutWine, OpensOverSettingsWithItsTexts) {
    const struct {
        DWORD dpi;
        LONG width, height;
    } rows[] = {{96, 382, 218}, {144, 573, 327}};  // 5730 x 3270 twips
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        KillAllKalvero();
        SetSystemDpi(row.dpi);
        ASSERT_NO_FATAL_FAILURE(Open());

        EXPECT_EQ(kCaption, WindowText(about_));
        EXPECT_EQ(settings_, GetWindow(about_, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(settings_)) << "the settings window takes input beneath";
        EXPECT_FALSE(IsWindowEnabled(main_));
        EXPECT_TRUE(IsWindowEnabled(about_));
        RECT client{};
        GetClientRect(about_, &client);
        EXPECT_EQ(row.width, client.right);
        EXPECT_EQ(row.height, client.bottom);

        const struct {
            int id;
            const wchar_t *window_class, *text;
        } controls[] = {
            {kOk, L"button", L"OK"},
            {kSysInfo, L"button", L"&Système Info..."},
            {kDetails, L"button", L"Détails..."},
            {kTitle, L"static", L"Kalvero"},
            {kVersion, L"static", L"Version 1.0.0"},
            {kCredit, L"static", KALVERO_MAKER_CREDIT},
            {kEmail, L"static", L"E-Mail : " KALVERO_MAKER_EMAIL},
            {kWebSite, L"static", L"URL : " KALVERO_MAKER_WEBSITE},
            {kFreeware, L"static", L"Logiciel FREEWARE"},
            {kLogo, L"static", L""},
            {kDonate, L"static", L""},
        };
        for (const auto& c : controls) {
            SCOPED_TRACE(c.id);
            const HWND control = GetDlgItem(about_, c.id);
            ASSERT_TRUE(control);
            EXPECT_EQ(c.window_class, ClassOf(control));
            EXPECT_EQ(c.text, WindowText(control));
            EXPECT_TRUE(IsWindowVisible(control));
        }
        EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongPtrW(GetDlgItem(about_, kOk), GWL_STYLE) & BS_TYPEMASK);

        // Black where no control covers it: three corners of the client area, as on screen.
        const HDC screen = GetDC(nullptr);
        for (POINT p : {POINT{2, 2}, POINT{2, row.height - 3}, POINT{row.width - 3, row.height - 3}}) {
            ClientToScreen(about_, &p);
            EXPECT_TRUE(WaitUntil([&] { return GetPixel(screen, p.x, p.y) == RGB(0, 0, 0); }, 3000))
                << "colour " << std::hex << GetPixel(screen, p.x, p.y) << " at " << std::dec << p.x << "," << p.y;
        }
        ReleaseDC(nullptr, screen);
    }
}

// Each row opens the About window again in the same process (a new one if the last row left it
// open), moves the focus with Tabs, then ends it with a key or the close box; Enter on another
// button clicks that button instead.
TEST_F(AboutWine, KeysTabCloseAndClick) {
    const struct {
        int tabs;
        UINT key;  // 0: the close box
        bool closes;
    } rows[] = {{0, VK_ESCAPE, true}, {0, VK_RETURN, true}, {2, VK_ESCAPE, true},
                {3, VK_RETURN, true}, {1, 0, true},       {2, VK_RETURN, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.tabs << " tabs, key " << row.key);
        if (kalvero_ && !IsWindow(about_)) {
            ASSERT_NO_FATAL_FAILURE(OpenAbout());
        } else {  // first row, or the last one left it open
            KillAllKalvero();
            ASSERT_NO_FATAL_FAILURE(Open());
        }
        // Not fatal: Enter and Escape close the window wherever the focus is.
        EXPECT_TRUE(WaitUntil([&] { return Focus(about_) == GetDlgItem(about_, kOk); }, 3000))
            << "OK has no focus; it is on " << Narrow(ClassOf(Focus(about_))) << " " << GetDlgCtrlID(Focus(about_));
        std::vector<int> walked;
        for (int i = 0; i < row.tabs; ++i) {
            const HWND before = Focus(about_);
            Key(before, VK_TAB);
            ASSERT_TRUE(WaitUntil([&] { return Focus(about_) != before; }));
            walked.push_back(GetDlgCtrlID(Focus(about_)));
        }
        const std::vector<int> order{kSysInfo, kDetails, kOk};
        EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + row.tabs), walked);

        if (row.key)
            Key(Focus(about_), row.key);
        else
            PostMessageW(about_, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!row.closes) {
            EXPECT_TRUE(WaitBox()) << "Enter on Détails showed no details";
            EXPECT_TRUE(IsWindow(about_));
            continue;
        }
        EXPECT_TRUE(WaitUntil([&] { return AboutGone(); })) << "still open, or the settings window still disabled";
        EXPECT_TRUE(IsWindowVisible(settings_));
    }
    EXPECT_TRUE(ReadRecords().empty()) << "a key started the system tool";
}

TEST_F(AboutWine, DetailsMessage) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(about_, kDetails);
    const HWND box = WaitBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(about_, GetWindow(box, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(about_)) << "the About window takes input beneath its message";
    EXPECT_EQ(L"A propos : Détails", WindowText(box));
    // Lines end with a carriage return alone, which Wine's static control keeps as it is.
    wchar_t text[2048] = L"";
    GetDlgItemTextW(box, kMsgBoxText, text, 2048);
    EXPECT_EQ(L"Kalvero version 1.0.0 - Arrêt-Redémarrage Windows\r"
              L"\r"
              KALVERO_MAKER_AUTHOR L"\r"
              L"E-Mail : " KALVERO_MAKER_EMAIL L"\r"
              L"Url : " KALVERO_MAKER_WEBSITE L"\r"
              L"\r"
              L"Logiciel FREEWARE\r"
              L"\r"
              L"Arrêter-Redémarrer Windows en un seul clic !\r"
              L"Compatible Windows 95 à Seven\r"
              L"\r"
              L"Consultez mon site pour télécharger\r"
              L"les mises à jours.",
              std::wstring(text));
    EXPECT_EQ(std::vector<int>{IDOK}, Buttons(box));
    EXPECT_TRUE(WaitUntil([&] { return ShowsIcon(box, IDI_INFORMATION); }, 3000)) << "not the information icon";

    Click(box, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(about_); }));
    EXPECT_TRUE(IsWindowVisible(about_));
}

// Where "Système Info" finds the tool: the MSINFO "PATH" value, else the folder under "Shared Tools
// Location" if it holds MSINFO32.EXE, else, with neither value, the system folder's msinfo32.exe.
// Recorder copies stand in for the tool; the first row's folder name has a blank.
TEST_F(AboutWine, SystemInfoFindsTheTool) {
    const std::wstring system = SystemFolder() + L"\\msinfo32.exe";
    const struct {
        const char* what;
        Text path, location;
        std::vector<const std::wstring*> stand_ins;
        const std::wstring* started;  // null: the "not found" message instead
    } rows[] = {
        {"PATH first", kOwnTool, kToolFolder, {&kOwnTool, &kFolderTool, &system}, &kOwnTool},
        {"Shared Tools Location next", std::nullopt, kToolFolder, {&kFolderTool, &system}, &kFolderTool},
        {"location without the tool", std::nullopt, kToolFolder, {&system}, nullptr},
        {"system folder last", std::nullopt, std::nullopt, {&system}, &system},
        {"nowhere", std::nullopt, std::nullopt, {}, nullptr},
    };

    const RegValue location_value(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO");
    // Else Wine runs its builtin msinfo32 instead of the recorder in system32.
    const RegValue load_order(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"msinfo32.exe");
    load_order.Set(L"native");
    const FileAside wine_tool(system);  // Wine's prefix ships one
    ASSERT_TRUE(wine_tool.ok());
    ASSERT_NO_FATAL_FAILURE(Open());

    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        tool_path_->Set(row.path);
        location_value.Set(row.location);
        for (const std::wstring* file : {&kOwnTool, &kFolderTool, &system}) DeleteFileW(file->c_str());
        for (const std::wstring* file : row.stand_ins)
            ASSERT_TRUE(CopyFileW(Recorder().c_str(), file->c_str(), FALSE));
        ClearRecords();

        Click(about_, kSysInfo);
        if (row.started) {
            ASSERT_TRUE(WaitUntil([] { return !ReadRecords().empty(); })) << "nothing started";
            Sleep(400);  // time for a second start or a message to show
            const std::vector<Record> records = ReadRecords();
            ASSERT_EQ(1u, records.size());
            EXPECT_EQ(Lower(*row.started), Lower(records[0].module));
            EXPECT_EQ(L'"' + *row.started + L'"', records[0].command_line);
            EXPECT_TRUE(records[0].flags & STARTF_USESHOWWINDOW);
            EXPECT_EQ(static_cast<DWORD>(SW_SHOWNORMAL), records[0].show);
            EXPECT_FALSE(WaitWindow(kalvero_->pid(), L"#32770", 0)) << "a message as well";
        } else {
            const HWND box = WaitBox();
            ASSERT_TRUE(box);
            EXPECT_EQ(L"Kalvero", WindowText(box));
            wchar_t text[256] = L"";
            GetDlgItemTextW(box, kMsgBoxText, text, 256);
            EXPECT_STREQ(L"Information Systeme introuvable !", text);
            EXPECT_EQ(std::vector<int>{IDOK}, Buttons(box));
            EXPECT_TRUE(ShowsIcon(box, nullptr)) << "an icon";
            EXPECT_TRUE(ReadRecords().empty());
            Click(box, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        }
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(about_) && IsWindowEnabled(about_); }))
            << "the About window did not stay";
    }
}

}  // namespace
