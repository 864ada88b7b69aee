// End-to-end tests of Kalvero's About window under Wine: how it opens over the settings window and
// closes, what it shows, its details message and the system-information tool it starts.
#include <gtest/gtest.h>

#include "harness.h"
#include "maker.h"  // generated: the maker's texts as this build was configured

using namespace harness;

namespace {

enum : int { kOk = 1, kSysInfo = 302, kCredit, kEmail, kTitle, kVersion, kFreeware, kWebSite, kDetails, kLogo, kDonate };
constexpr int kMsgBoxIcon = 0x0440, kMsgBoxText = 0xFFFF;  // in Wine's message box template
// Stand-ins for the system-information tool go here; a blank in the name tests the quoting.
const std::wstring kToolFolder = L"C:\\Program Files\\Outils Kalvero";
const std::wstring kOwnTool = kToolFolder + L"\\sysinfo.exe", kFolderTool = kToolFolder + L"\\MSINFO32.EXE";
constexpr wchar_t kMsinfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ShowsOnlyOk(HWND box) {
    int shown = 0;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        shown += ClassOf(c) == L"button" && Visible(c);
    return shown == 1 && Visible(GetDlgItem(box, IDOK));
}

// One string value, put back as it was at the end of the scope: the prefix is shared.
struct SavedValue {
    HKEY root;
    const wchar_t *key, *name;
    Text saved = GetValue(root, key, name);
    ~SavedValue() { Set(saved); }
    void Set(const Text& value) const { SetValue(root, key, name, value); }
};

// A file of the prefix moved aside, then given back at the end of the scope, whatever replaced it.
struct FileAside {
    explicit FileAside(std::wstring p) : path(std::move(p)), aside(path + L".kalvero-aside") {
        moved = Exists(path) && MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~FileAside() {
        DeleteFileW(path.c_str());
        if (moved) MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    std::wstring path, aside;
    bool moved = false;
};

class AboutWine : public WineTest {
protected:
    void SetUp() override {
        WineTest::SetUp();
        // A stray click on "Système Info" then starts the recorder, not Wine's own msinfo32, whose
        // window would outlive the test.
        CreateDirectoryW(kToolFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(RecorderExe().c_str(), kOwnTool.c_str(), FALSE));
        tool_path_.Set(kOwnTool);
    }
    void TearDown() override {
        WineTest::TearDown();
        ClearRecords();
        for (const std::wstring& file : {kOwnTool, kFolderTool}) DeleteFileW(file.c_str());
        RemoveDirectoryW(kToolFolder.c_str());
    }
    // Starts Kalvero, opens the settings window, then the About window over it.
    void Open() {
        kalvero_.emplace();
        ASSERT_TRUE(kalvero_->main);
        settings_ = kalvero_->OpenSettings();
        ASSERT_TRUE(settings_);
        ASSERT_TRUE(about_ = kalvero_->OpenAbout(settings_));
    }

    const SavedValue tool_path_{HKEY_LOCAL_MACHINE, kMsinfoKey, L"PATH"};
    std::optional<Kalvero> kalvero_;
    HWND settings_ = nullptr, about_ = nullptr;
};

TEST_F(AboutWine, OpensOverSettingsWithItsTexts) {
    const struct {
        DWORD dpi;
        LONG width, height;
    } rows[] = {{96, 382, 218}, {144, 573, 327}};  // 5730 x 3270 twips
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dpi);
        kalvero_.reset();
        SetSystemDpi(row.dpi);
        ASSERT_NO_FATAL_FAILURE(Open());
        EXPECT_EQ(L"Kalvero - A propos ", WindowText(about_));
        EXPECT_EQ(settings_, GetWindow(about_, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(settings_)) << "the settings window takes input beneath";
        EXPECT_FALSE(IsWindowEnabled(kalvero_->main));
        RECT client{};
        GetClientRect(about_, &client);
        EXPECT_EQ(row.width, client.right);
        EXPECT_EQ(row.height, client.bottom);
        const struct {
            int id;
            const wchar_t* text;
        } controls[] = {
            {kOk, L"OK"}, {kSysInfo, L"&Système Info..."}, {kDetails, L"Détails..."}, {kTitle, L"Kalvero"},
            {kVersion, L"Version 1.0.0"}, {kCredit, KALVERO_MAKER_CREDIT}, {kEmail, L"E-Mail : " KALVERO_MAKER_EMAIL},
            {kWebSite, L"URL : " KALVERO_MAKER_WEBSITE}, {kFreeware, L"Logiciel FREEWARE"}, {kLogo, L""}, {kDonate, L""},
        };
        for (const auto& c : controls) {
            EXPECT_EQ(c.text, WindowText(GetDlgItem(about_, c.id))) << c.id;
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(about_, c.id))) << c.id;
        }
        // Black where no control covers it, as on screen.
        const HDC screen = GetDC(nullptr);
        POINT p{2, row.height - 3};
        ClientToScreen(about_, &p);
        EXPECT_TRUE(WaitUntil([&] { return GetPixel(screen, p.x, p.y) == RGB(0, 0, 0); }, 3000));
        ReleaseDC(nullptr, screen);
    }
}

// Each row opens the About window again (in a new process if the last row left it open), moves the
// focus with Tabs from OK, then presses a key or the close box. Enter on "Détails..." shows the
// details message instead of closing.
TEST_F(AboutWine, KeysDetailsAndClose) {
    const struct {
        int tabs;
        UINT key;  // 0: the close box
        bool closes;
    } rows[] = {{0, VK_ESCAPE, true}, {0, VK_RETURN, true}, {3, VK_RETURN, true}, {1, 0, true}, {2, VK_RETURN, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.tabs << " tabs, key " << row.key);
        if (kalvero_ && !IsWindow(about_)) {
            ASSERT_TRUE(about_ = kalvero_->OpenAbout(settings_));
        } else {
            kalvero_.reset();
            ASSERT_NO_FATAL_FAILURE(Open());
        }
        // Not fatal: Enter and Escape close the window wherever the focus is.
        EXPECT_TRUE(WaitUntil([&] { return Focus(about_) == GetDlgItem(about_, kOk); }, 3000)) << "OK has no focus";
        const std::vector<int> order{kSysInfo, kDetails, kOk};
        EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + row.tabs), Tabs(about_, row.tabs));
        if (row.key)
            Key(Focus(about_), row.key);
        else
            PostMessageW(about_, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (row.closes) {
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about_) && IsWindowEnabled(settings_); }))
                << "still open, or the settings window still disabled";
            EXPECT_TRUE(IsWindowVisible(settings_));
            continue;
        }
        const HWND box = kalvero_->WaitMessageBox();
        ASSERT_TRUE(box) << "no details";
        EXPECT_EQ(about_, GetWindow(box, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(about_)) << "the About window takes input beneath its message";
        EXPECT_EQ(L"A propos : Détails", WindowText(box));
        // Lines end with a carriage return alone, which Wine's static control keeps as it is.
        EXPECT_EQ(L"Kalvero version 1.0.0 - Arrêt-Redémarrage Windows\r\r" KALVERO_MAKER_AUTHOR L"\r"
                  L"E-Mail : " KALVERO_MAKER_EMAIL L"\rUrl : " KALVERO_MAKER_WEBSITE L"\r\rLogiciel FREEWARE\r\r"
                  L"Arrêter-Redémarrer Windows en un seul clic !\rCompatible Windows 95 à Seven\r\r"
                  L"Consultez mon site pour télécharger\rles mises à jours.",
                  WindowText(GetDlgItem(box, kMsgBoxText)));
        EXPECT_TRUE(ShowsOnlyOk(box));
        const HICON information = LoadIconW(nullptr, IDI_INFORMATION);
        const HWND icon = GetDlgItem(box, kMsgBoxIcon);
        EXPECT_TRUE(WaitUntil([&] { return ShowsIcon(icon, information, GetSystemMetrics(SM_CXICON)); }, 3000))
            << "not the information icon";
        EXPECT_TRUE(PressOk(box));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(about_) && IsWindowEnabled(about_); }));
    }
    EXPECT_TRUE(ReadRecords().empty()) << "a key started the system tool";
}

// Where "Système Info" finds the tool: the MSINFO "PATH" value, else the folder under "Shared Tools
// Location" if it holds MSINFO32.EXE, else, with neither value, the system folder's msinfo32.exe.
TEST_F(AboutWine, SystemInfoFindsTheTool) {
    const std::wstring system = SystemPath(L"msinfo32.exe");
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
    };
    const SavedValue location(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO");
    // Else Wine runs its builtin msinfo32 instead of the recorder in system32.
    const SavedValue load_order(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"msinfo32.exe");
    load_order.Set(L"native");
    const FileAside wine_tool(system);  // Wine's prefix ships one
    ASSERT_FALSE(Exists(system));
    ASSERT_NO_FATAL_FAILURE(Open());

    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        tool_path_.Set(row.path);
        location.Set(row.location);
        for (const std::wstring* file : {&kOwnTool, &kFolderTool, &system}) DeleteFileW(file->c_str());
        for (const std::wstring* file : row.stand_ins)
            ASSERT_TRUE(CopyFileW(RecorderExe().c_str(), file->c_str(), FALSE));
        ClearRecords();
        Click(about_, kSysInfo);
        if (row.started) {
            const std::vector<Record> records = SettledRecords(1);
            ASSERT_EQ(1u, records.size());
            EXPECT_EQ(Lower(*row.started), Lower(records[0].module));
            EXPECT_EQ(L'"' + *row.started + L'"', records[0].command_line);
            EXPECT_TRUE(records[0].flags & STARTF_USESHOWWINDOW);
            EXPECT_EQ(DWORD{SW_SHOWNORMAL}, records[0].show);
            EXPECT_FALSE(kalvero_->WaitMessageBox(0)) << "a message as well";
        } else {
            const HWND box = kalvero_->WaitMessageBox();
            ASSERT_TRUE(box);
            EXPECT_EQ(L"Kalvero", WindowText(box));
            EXPECT_EQ(L"Information Systeme introuvable !", WindowText(GetDlgItem(box, kMsgBoxText)));
            EXPECT_TRUE(ShowsOnlyOk(box));
            EXPECT_FALSE(SendDlgItemMessageW(box, kMsgBoxIcon, STM_GETICON, 0, 0)) << "an icon";
            EXPECT_TRUE(ReadRecords().empty());
            EXPECT_TRUE(PressOk(box));
        }
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(about_) && IsWindowEnabled(about_); }))
            << "the About window did not stay";
    }
}

}  // namespace
