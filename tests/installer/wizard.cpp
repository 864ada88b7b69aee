// Drives a wizard of the shipped installer from inside Wine, as a keyboard user does, with nothing of X
// in the way: no X focus, no screenshots compared, no budget of seconds per page.
//   wizard.exe SHOTS PROGRAM CAPTION STEP...
// Starts PROGRAM, then for each STEP, "KIND NAME KEY...": waits until a window of class #32770 captioned
// CAPTION (a trailing blank aside) shows the page of that KIND, its control shown and enabled and its
// button 1 (Suivant, Installer, Fermer, OK) too; has it painted and saves it as SHOTS/NAME.png; brings it
// to the foreground and, once its focus is where the first key must go, types the KEYs (Return, space,
// Down, Up, Tab, alt+LETTER) through SendInput. After the last step, waits for the wizard's process to
// end. Unix paths are taken as Wine maps them. Prints how long each page took to come and where each
// key went; on failure, what it waited for, what it saw instead and a picture of the whole display
// (SHOTS/NAME-failed.png), and ends the wizard. Exits 0 when every page came and the wizard ended.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr ULONGLONG kBoundMs = 180000;  // a page comes in seconds, under emulation on a busy machine too

// A page as NSIS and its Modern UI build it: a control of its own by ID, or a text one of its controls
// shows. The message box is a window of its own, whose text is control 0xFFFF.
struct Kind { const wchar_t* name; int id; const wchar_t* text; };
constexpr Kind kKinds[] = {
    {L"welcome", 0, L"Cet assistant va installer"}, {L"upgrade", 0, L"est déjà installé :"},
    {L"components", 1032, nullptr}, {L"folder", 1019, nullptr}, {L"progress", 1004, nullptr},
    {L"finish", 0, L"Lancer Kalvero"}, {L"uninstall", 0, L"Supprimer aussi les réglages"},
    {L"newer", 0xFFFF, L"plus récent"},
};

std::wstring shots, shots_shown, caption;

std::string Utf8(const std::wstring& text) {
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), utf8.size(), nullptr, nullptr);
    return utf8;
}
void Say(const std::wstring& line) { std::printf("wizard: %s\n", Utf8(line).c_str()), std::fflush(stdout); }

// A Unix path as Wine names it (C: for the prefix's own files, Z: elsewhere); others unchanged.
std::wstring WindowsPath(const std::wstring& path) {
    using Convert = wchar_t*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
    if (path.empty() || path[0] != L'/' || !convert) return path;
    wchar_t* dos = convert(Utf8(path).c_str());
    std::wstring result = dos ? dos : path;
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

// Sent, so that it is the control's own text (an edit box's too), and answered only by a thread that
// takes its messages: a wizard busy changing its page answers once it is done.
std::wstring Text(HWND w) {
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &n)) return {};
    std::wstring text(n + 1, L'\0');
    SendMessageTimeoutW(w, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 10000, &n);
    return text.resize(n), text;
}
std::wstring ClassOf(HWND w) {
    wchar_t name[64] = L"";
    return GetClassNameW(w, name, 64), name;
}

// Every shown top-level #32770 window of that caption.
BOOL CALLBACK AddWizard(HWND w, LPARAM found) {
    wchar_t title[128] = L"";
    GetWindowTextW(w, title, 128);  // a window's own caption: nothing is sent to it
    std::wstring text = title;
    while (!text.empty() && text.back() == L' ') text.pop_back();
    if (IsWindowVisible(w) && ClassOf(w) == L"#32770" && text == caption) reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
    return TRUE;
}
std::vector<HWND> Wizards() {
    std::vector<HWND> found;
    return EnumWindows(AddWizard, reinterpret_cast<LPARAM>(&found)), found;
}

// The page's own control, once the page (the wizard's inner dialog, or the message box) shows.
HWND PageControl(HWND wizard, const Kind& kind) {
    const HWND page = kind.id == 0xFFFF ? wizard : FindWindowExW(wizard, nullptr, L"#32770", nullptr);
    if (!page || !IsWindowVisible(page)) return nullptr;
    if (kind.id) {
        const HWND c = GetDlgItem(page, kind.id);
        return c && (!kind.text || Text(c).find(kind.text) != std::wstring::npos) ? c : nullptr;
    }
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (Text(c).find(kind.text) != std::wstring::npos) return c;
    return nullptr;
}
bool Shown(HWND w) { return w && IsWindowVisible(w) && IsWindowEnabled(w); }
HWND Ready(const Kind& kind) {
    for (HWND w : Wizards())
        if (Shown(PageControl(w, kind)) && Shown(GetDlgItem(w, IDOK))) return w;
    return nullptr;
}

std::wstring Describe(HWND w) {
    wchar_t id[16];
    std::wstring text = Text(w);
    if (text.size() > 60) text = text.substr(0, 57) + L"...";
    swprintf(id, 16, L" %d", GetDlgCtrlID(w));
    return ClassOf(w) + id + L" «" + text + L"»" + (IsWindowVisible(w) ? L"" : L" hidden") + (IsWindowEnabled(w) ? L"" : L" disabled");
}
std::wstring Focus(HWND wizard) {
    GUITHREADINFO gui{sizeof gui};
    return GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &gui) && gui.hwndFocus ? Describe(gui.hwndFocus) : L"none";
}

// The picture of a window, or of the whole display, as X shows it, in PNG.
bool Save(HWND window, const std::wstring& name) {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window) GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old), DeleteDC(memory), ReleaseDC(nullptr, screen);
    IWICImagingFactory* factory = nullptr;
    IWICBitmap* picture = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    ok = ok && SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
         SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &picture)) &&
         SUCCEEDED(factory->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromFilename((shots + L"\\" + name + L".png").c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) && SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
         SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->WriteSource(picture, nullptr)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    for (IUnknown* u : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                        static_cast<IUnknown*>(picture), static_cast<IUnknown*>(factory)})
        if (u) u->Release();
    DeleteObject(bitmap);
    return ok;
}

// What was there instead of the page, the picture of the display, and no wizard left waiting.
int Fail(const std::wstring& what, const std::wstring& name, HANDLE started) {
    Say(what);
    std::vector<HWND> wizards = Wizards();
    if (wizards.empty()) Say(L"saw no window « " + caption + L" »" + (WaitForSingleObject(started, 0) ? L"" : L"; the program had ended"));
    for (HWND w : wizards) {
        std::wstring page;
        const HWND inner = FindWindowExW(w, nullptr, L"#32770", nullptr);
        for (HWND c = GetWindow(inner ? inner : w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c)) page += L"\n    " + Describe(c);
        Say(L"saw « " + caption + L" », foreground: " + (GetForegroundWindow() == w ? L"yes" : L"no") + L", focus: " + Focus(w) +
            L", button 1: " + (GetDlgItem(w, IDOK) ? Describe(GetDlgItem(w, IDOK)) : L"none") + L", page:" + page);
    }
    Say(Save(nullptr, name + L"-failed") ? L"the display: " + shots_shown + L"/" + name + L"-failed.png" : L"no picture of the display");
    for (HWND w : wizards) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) TerminateProcess(p, 1), CloseHandle(p);
    }
    TerminateProcess(started, 1);
    return 1;
}

// A key by the name xdotool gives it; alt+LETTER holds Alt around it.
bool Press(const std::wstring& key) {
    const bool alt = key.rfind(L"alt+", 0) == 0;
    const std::wstring name = alt ? key.substr(4) : key;
    struct Named { const wchar_t* name; WORD vk; DWORD flags; };
    static constexpr Named kNames[] = {{L"Return", VK_RETURN, 0}, {L"space", VK_SPACE, 0}, {L"Tab", VK_TAB, 0},
                                       {L"Down", VK_DOWN, KEYEVENTF_EXTENDEDKEY}, {L"Up", VK_UP, KEYEVENTF_EXTENDEDKEY}};
    WORD vk = name.size() == 1 ? LOBYTE(VkKeyScanW(name[0])) : 0;
    DWORD flags = 0;
    for (const Named& n : kNames)
        if (name == n.name) vk = n.vk, flags = n.flags;
    if (!vk) return false;
    std::vector<INPUT> in;
    auto add = [&](WORD k, DWORD f) {
        INPUT i{INPUT_KEYBOARD};
        i.ki = {k, static_cast<WORD>(MapVirtualKeyW(k, MAPVK_VK_TO_VSC)), f};
        in.push_back(i);
    };
    if (alt) add(VK_MENU, 0);
    add(vk, flags), add(vk, flags | KEYEVENTF_KEYUP);
    if (alt) add(VK_MENU, KEYEVENTF_KEYUP);
    return SendInput(in.size(), in.data(), sizeof(INPUT)) == in.size();
}
bool PushButton(HWND w) {
    const LONG type = GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK;
    return ClassOf(w) == L"Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}
// The wizard in the foreground with the focus where KEY must go: Return to button 1, itself or as the
// default button of a focused control that is not another button; an arrow or space to a control of
// the page that is no push button (the tree, a box); alt+LETTER anywhere in the wizard.
bool FocusFor(HWND wizard, const std::wstring& key) {
    GUITHREADINFO gui{sizeof gui};
    if (GetForegroundWindow() != wizard) SetForegroundWindow(wizard);
    if (GetForegroundWindow() != wizard || !GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &gui) ||
        gui.hwndActive != wizard || !gui.hwndFocus || !IsChild(wizard, gui.hwndFocus))
        return false;
    DWORD_PTR default_id = 0;
    if (key == L"Return")
        return PushButton(gui.hwndFocus) ? GetDlgCtrlID(gui.hwndFocus) == IDOK
                                         : SendMessageTimeoutW(wizard, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 10000, &default_id) && LOWORD(default_id) == IDOK;
    return key.rfind(L"alt+", 0) == 0 || (GetParent(gui.hwndFocus) != wizard && !PushButton(gui.hwndFocus));
}

template <class Condition>
bool WaitUntil(const Condition& condition) {
    for (const ULONGLONG deadline = GetTickCount64() + kBoundMs; !condition(); Sleep(20))
        if (GetTickCount64() >= deadline) return false;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return Say(L"usage: wizard.exe SHOTS PROGRAM CAPTION STEP..."), 2;
    shots_shown = argv[1], shots = WindowsPath(argv[1]), caption = argv[3];
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::wstring program = WindowsPath(argv[2]), command_line = L"\"" + program + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return Say(L"cannot start " + program), 1;
    for (int s = 4; s < argc; ++s) {
        std::vector<std::wstring> words;
        std::wistringstream in(argv[s]);
        for (std::wstring word; in >> word;) words.push_back(word);
        const Kind* kind = nullptr;
        for (const Kind& k : kKinds)
            if (words.size() >= 2 && words[0] == k.name) kind = &k;
        if (!kind) return Say(L"no such step: " + std::wstring(argv[s])), TerminateProcess(pi.hProcess, 1), 2;
        const std::wstring& name = words[1];
        const ULONGLONG asked = GetTickCount64();
        // The page, and once more after a message has gone through the wizard's thread: it has then
        // finished setting the page up. Painted now, it is saved as it shows.
        HWND wizard = nullptr;
        DWORD_PTR ignored;
        if (!WaitUntil([&] {
                return (wizard = Ready(*kind)) && SendMessageTimeoutW(wizard, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored) &&
                       Ready(*kind) == wizard;
            }))
            return Fail(L"no page " + name + L" (" + kind->name + L") after " + std::to_wstring(kBoundMs / 1000) + L" s", name, pi.hProcess);
        const ULONGLONG came = GetTickCount64();
        const bool foreground = GetForegroundWindow() == wizard;
        if (words.size() > 2 && !WaitUntil([&] { return FocusFor(wizard, words[2]); }))
            return Fail(L"page " + name + L": the wizard is not in the foreground with the focus where " + words[2] + L" must go",
                        name, pi.hProcess);
        // Active, as the user sees it, and painted now: then saved.
        RedrawWindow(wizard, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SendMessageTimeoutW(wizard, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
        if (!Save(wizard, name)) return Fail(L"cannot save " + shots_shown + L"/" + name + L".png", name, pi.hProcess);
        std::wstring keys;
        for (size_t k = 2; k < words.size(); ++k) keys += L" " + words[k];
        Say(name + L": came in " + std::to_wstring((came - asked) / 1000.0).substr(0, 5) + L" s, " +
            (foreground ? L"in the foreground" : L"brought to the foreground") + L"; keys" + keys + L" to " + Focus(wizard));
        DWORD pid = 0;
        GetWindowThreadProcessId(wizard, &pid);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        for (size_t k = 2; k < words.size(); ++k)
            if (!Press(words[k])) return Fail(L"cannot type " + words[k], name, pi.hProcess);
        if (s == argc - 1 && WaitForSingleObject(process, kBoundMs))
            return Fail(L"the wizard did not end after the keys of " + name, name, pi.hProcess);
        CloseHandle(process);
    }
    WaitForSingleObject(pi.hProcess, kBoundMs);
    return 0;
}
