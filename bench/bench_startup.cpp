// Start-up benchmark driver, run under Wine next to the programs it measures.
//
//   bench_startup.exe [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N]
//                     [--idle-rounds N] [--idle-ms N] [--x86 KALVERO32.exe] [--raw]
//                     BASELINE.exe [BASELINE2.exe ...] KALVERO.exe
//
// Start-up rounds: each exe in turn is started with CreateProcessW; EnumWindows is polled
// until a visible top-level window of that process exists, and the time between the two is
// its start-up time. After a short settle time the driver reads the process's memory
// counters and the DLLs it has loaded, posts WM_CLOSE to the window and times the process's
// end before the next start (Kalvero refuses a second instance). Rounds alternate between
// the exes so that drift of the machine hits each, and Kalvero's start-up is divided by each
// baseline's of the same round.
//
// Idle rounds, fewer because each lasts a few seconds: the same start, then the CPU time
// (user + kernel) the process uses while nobody touches it, from GetProcessTimes and, under
// Wine, from the Linux scheduler, which also counts wake-ups. Kalvero is measured twice, shown
// and started in the tray (its AutoReduit setting set to "1" for that run only; its main
// window then exists but stays hidden).
//
// It prints figures, ratios and, for information, the targets Kalvero aims at; it asserts
// nothing. Exit code 0 when every exe could be measured at least once, 1 when not, 2 on a
// usage error.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kShowDeadlineMs = 15000;  // start until the window is there
constexpr DWORD kExitDeadlineMs = 10000;  // WM_CLOSE until the process has ended

// Kalvero's main window, and the setting that starts it hidden with only a tray icon.
constexpr const wchar_t* kKalveroClass = L"KalveroMain";
constexpr const wchar_t* kSettingsKey = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
constexpr const wchar_t* kTraySetting = L"AutoReduit";

// DLLs Kalvero should leave alone until a window, a tooltip or the tray icon needs them.
constexpr const char* kWatchedDlls[] = {"comctl32", "uxtheme", "ole32", "oleaut32", "windowscodecs", "shell32"};

std::string Utf8(const std::wstring& w)
{
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::string Format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

struct Sample {
    int run;         // index of the round, to pair the exes' runs
    double showMs;   // CreateProcessW -> window visible (in the tray: window created)
    double closeMs;  // WM_CLOSE posted -> process ended
    double privateKb;
    double workingSetKb;
    bool privateFromPagefile;  // PrivateUsage read 0 and PagefileUsage stood in for it
    double startCpuMs;         // user + kernel CPU from the start to the memory read
    double idleCpuMs;          // user + kernel CPU over the idle time; idle rounds only
    double linuxIdleCpuMs;     // the same from Linux's scheduler, finer; -1 when not under Wine
    double linuxIdleWakeups;   // times the scheduler ran the process over the idle time
};

struct Subject {
    std::wstring path;
    std::string label;
    bool tray = false;  // Kalvero started in the tray: its window never becomes visible
    double sizeBytes = -1;
    std::vector<Sample> samples;  // start-up rounds
    std::vector<Sample> idle;     // idle rounds
    std::vector<std::string> failures;
    std::wstring windowClass, windowCaption;
    RECT windowRect{}, clientRect{};
    bool windowVisible = false;
    std::map<std::string, int> dlls;  // DLL -> how many of the reads found it loaded
    int dllReads = 0;
};

struct Options {
    int runs = 20;          // start-up rounds
    int warmup = 1;         // unmeasured runs of each exe first
    int settleMs = 250;     // window shown -> memory and DLLs read, idle time starts
    int gapMs = 100;        // process ended -> next start
    int idleRounds = 3;     // idle rounds
    int idleMs = 5000;      // idle time measured in each
    std::wstring x86;       // the 32-bit Kalvero.exe, for its size only: it cannot run here
    bool raw = false;       // also print every run
};

double Now(const LARGE_INTEGER& freq)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

struct FindState {
    DWORD pid;
    const wchar_t* hiddenClass;  // when set, a window of this class counts even while hidden
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lp)
{
    auto* st = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != st->pid) return TRUE;
    if (st->hiddenClass) {
        wchar_t cls[64];
        if (!GetClassNameW(hwnd, cls, 64) || lstrcmpW(cls, st->hiddenClass) != 0) return TRUE;
    } else {
        if (!IsWindowVisible(hwnd)) return TRUE;
        // Tooltips and other tool windows are top-level too; the program's window is not one.
        if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    }
    st->found = hwnd;
    return FALSE;
}

std::string Describe(DWORD err) { return "error " + std::to_string(err); }

double CpuMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
    auto ms = [](const FILETIME& f) {
        return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// The whole of a small file; empty when it cannot be read.
std::string ReadSmallFile(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    CloseHandle(f);
    return text;
}

// Under Wine the measured program is also a Linux process, whose scheduler counts, per thread,
// the nanoseconds on a CPU and how many times it was run: a finer view than GetProcessTimes's
// 10 ms ticks, and a count of wake-ups. Wine gives the process its Windows command line, so it
// is found in /proc (drive Z:) by the exe's path. 0 when there is no such process or no /proc.
DWORD LinuxPid(const std::wstring& exe)
{
    const std::string want = Utf8(exe);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD found = 0;
    do {
        const DWORD pid = wcstoul(fd.cFileName, nullptr, 10);
        if (pid == 0) continue;
        std::string cmd = ReadSmallFile(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\cmdline");
        cmd.resize(strnlen(cmd.c_str(), cmd.size()));  // argv[0]
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, cmd.c_str(), -1, want.c_str(), -1) == CSTR_EQUAL)
            found = pid;
    } while (!found && FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

struct LinuxSched {
    double cpuMs = 0, runs = 0;
};

// Sums /proc/PID/task/*/schedstat: "ns on a CPU, ns waiting, times run" for each thread.
bool ReadLinuxSched(DWORD pid, LinuxSched& out)
{
    const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task\\";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((tasks + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    out = {};
    bool any = false;
    do {
        if (fd.cFileName[0] < L'0' || fd.cFileName[0] > L'9') continue;
        unsigned long long ns = 0, wait = 0, runs = 0;
        const std::string stat = ReadSmallFile(tasks + fd.cFileName + L"\\schedstat");
        if (std::sscanf(stat.c_str(), "%llu %llu %llu", &ns, &wait, &runs) != 3) continue;
        out.cpuMs += static_cast<double>(ns) / 1e6;
        out.runs += static_cast<double>(runs);
        any = true;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return any;
}

// Adds the DLLs loaded in the process right now to s.dlls, by lower-case file name; comctl32
// v6 comes from the side-by-side store and is named apart from the plain one.
void ReadDlls(HANDLE process, Subject& s)
{
    HMODULE mods[1024];
    DWORD needed = 0;
    if (!EnumProcessModules(process, mods, sizeof mods, &needed)) {
        s.failures.push_back("EnumProcessModules: " + Describe(GetLastError()));
        return;
    }
    const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), 1024);
    for (DWORD i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        if (!GetModuleFileNameExW(process, mods[i], path, MAX_PATH)) continue;
        std::wstring p = path;
        CharLowerW(p.data());
        if (p.size() > 4 && p.compare(p.size() - 4, 4, L".exe") == 0) continue;  // the program itself
        std::string name = Utf8(p.substr(p.find_last_of(L'\\') + 1));
        if (p.find(L"\\winsxs\\") != std::wstring::npos) name += " (side-by-side)";
        ++s.dlls[name];
    }
    ++s.dllReads;
}

// Sets Kalvero's tray setting to "1" for one run and puts back what was there afterwards.
class TraySetting {
public:
    TraySetting()
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, kTraySetting, nullptr, &oldType_, old_, &size) == ERROR_SUCCESS;
        oldSize_ = size;
        static const wchar_t one[] = L"1";
        ok_ = RegSetValueExW(key_, kTraySetting, 0, REG_SZ, reinterpret_cast<const BYTE*>(one), sizeof one) ==
              ERROR_SUCCESS;
    }
    ~TraySetting()
    {
        if (!key_) return;
        if (had_)
            RegSetValueExW(key_, kTraySetting, 0, oldType_, old_, oldSize_);
        else
            RegDeleteValueW(key_, kTraySetting);
        RegCloseKey(key_);
    }
    TraySetting(const TraySetting&) = delete;
    TraySetting& operator=(const TraySetting&) = delete;
    bool ok() const { return ok_; }

private:
    HKEY key_ = nullptr;
    bool had_ = false, ok_ = false;
    DWORD oldType_ = 0, oldSize_ = 0;
    BYTE old_[512]{};
};

// One start/measure/close cycle: run < 0 is a warm-up, idle adds the idle CPU measurement.
// Returns false (and records why) when it could not measure.
bool RunOnce(Subject& s, const LARGE_INTEGER& freq, const Options& opt, int run, bool idle)
{
    auto fail = [&](const std::string& why) {
        s.failures.push_back(why);
        return false;
    };

    std::unique_ptr<TraySetting> traySetting;
    if (s.tray) {
        traySetting = std::make_unique<TraySetting>();
        if (!traySetting->ok()) return fail("could not set " + Utf8(kTraySetting) + " to \"1\"");
    }

    std::wstring cmd = L"\"" + s.path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now(freq);
    if (!CreateProcessW(s.path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return fail("CreateProcessW: " + Describe(GetLastError()));
    CloseHandle(pi.hThread);

    FindState st{pi.dwProcessId, s.tray ? kKalveroClass : nullptr, nullptr};
    double tShown = 0;
    for (;;) {
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&st));
        if (st.found) {
            tShown = Now(freq);
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hProcess);
            return fail("exited with code " + std::to_string(code) + " before its window was there");
        }
        if (Now(freq) - t0 > kShowDeadlineMs) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, kExitDeadlineMs);
            CloseHandle(pi.hProcess);
            return fail("no window within " + std::to_string(kShowDeadlineMs) + " ms");
        }
        Sleep(1);
    }

    Sleep(static_cast<DWORD>(opt.settleMs));
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    const bool haveMem = GetProcessMemoryInfo(
        pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    const DWORD memErr = haveMem ? 0 : GetLastError();
    const double startCpuMs = CpuMs(pi.hProcess);

    const bool keep = run >= 0;
    if (keep) ReadDlls(pi.hProcess, s);
    if (keep && s.windowClass.empty()) {
        wchar_t buf[256];
        if (GetClassNameW(st.found, buf, 256)) s.windowClass = buf;
        if (GetWindowTextW(st.found, buf, 256) >= 0) s.windowCaption = buf;
        GetWindowRect(st.found, &s.windowRect);
        GetClientRect(st.found, &s.clientRect);
        s.windowVisible = IsWindowVisible(st.found);
    }

    double idleCpuMs = -1, linuxCpuMs = -1, linuxWakeups = -1;
    if (idle) {
        const DWORD linuxPid = LinuxPid(s.path);
        LinuxSched linuxBefore, linuxAfter;
        const bool haveLinux = linuxPid && ReadLinuxSched(linuxPid, linuxBefore);
        const double before = CpuMs(pi.hProcess);
        Sleep(static_cast<DWORD>(opt.idleMs));
        const double after = CpuMs(pi.hProcess);
        if (before >= 0 && after >= 0) idleCpuMs = after - before;
        if (haveLinux && ReadLinuxSched(linuxPid, linuxAfter)) {
            linuxCpuMs = linuxAfter.cpuMs - linuxBefore.cpuMs;
            linuxWakeups = linuxAfter.runs - linuxBefore.runs;
        }
        // A DLL loaded late, while nothing happens, is still loaded without being needed.
        ReadDlls(pi.hProcess, s);
    }

    const double tClose = Now(freq);
    PostMessageW(st.found, WM_CLOSE, 0, 0);
    const DWORD waited = WaitForSingleObject(pi.hProcess, kExitDeadlineMs);
    const double tExit = Now(freq);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, kExitDeadlineMs);
        CloseHandle(pi.hProcess);
        return fail("still running " + std::to_string(kExitDeadlineMs) + " ms after WM_CLOSE");
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    traySetting.reset();
    Sleep(static_cast<DWORD>(opt.gapMs));

    if (!haveMem) return fail("GetProcessMemoryInfo: " + Describe(memErr));
    if (idle && idleCpuMs < 0) return fail("GetProcessTimes: " + Describe(GetLastError()));
    if (!keep) return true;
    if (code != 0) s.failures.push_back("exit code " + std::to_string(code) + " after WM_CLOSE (run kept)");
    // Windows reports the commit charge both as PrivateUsage and as PagefileUsage. Wine 8
    // leaves PrivateUsage 0 and fills PagefileUsage from the Linux RssAnon (+ VmSwap) figure.
    const bool fromPagefile = pmc.PrivateUsage == 0;
    const SIZE_T priv = fromPagefile ? pmc.PagefileUsage : pmc.PrivateUsage;
    (idle ? s.idle : s.samples)
        .push_back({run, tShown - t0, tExit - tClose, static_cast<double>(priv) / 1024.0,
                    static_cast<double>(pmc.WorkingSetSize) / 1024.0, fromPagefile, startCpuMs, idleCpuMs,
                    linuxCpuMs, linuxWakeups});
    return true;
}

// Quantile q of v by linear interpolation between the closest ranks; v must not be empty.
double Quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    const double pos = q * static_cast<double>(v.size() - 1);
    const size_t lo = static_cast<size_t>(pos);
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (pos - static_cast<double>(lo));
}

double Median(const std::vector<double>& v) { return Quantile(v, 0.5); }

// CANDIDATE/BASELINE start-up time of each round in which both were measured. Both runs of a
// round are close in time, so load that comes and goes on the machine cancels out of the ratio.
std::vector<double> PairedRatios(const Subject& a, const Subject& b)
{
    std::vector<double> r;
    for (const Sample& x : a.samples)
        for (const Sample& y : b.samples)
            if (x.run == y.run && x.showMs > 0) r.push_back(y.showMs / x.showMs);
    return r;
}

// The measured values of a field: a negative one was not measured.
std::vector<double> Column(const std::vector<Sample>& samples, double Sample::*field)
{
    std::vector<double> v;
    for (const Sample& x : samples)
        if (x.*field >= 0) v.push_back(x.*field);
    return v;
}

// Median of a field over the start-up rounds, or over the idle rounds; -1 when there is none.
double MedianOf(const std::vector<Sample>& samples, double Sample::*field)
{
    const auto v = Column(samples, field);
    return v.empty() ? -1 : Median(v);
}

double MaxOf(const std::vector<Sample>& samples, double Sample::*field)
{
    const auto v = Column(samples, field);
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

// Table layout: one column per exe, then optionally one ratio column per baseline (the last
// exe's figure divided by that baseline's).
struct Table {
    std::vector<int> valueWidths, ratioWidths;
};

Table Header(const std::vector<const Subject*>& subj, bool ratios)
{
    Table t;
    std::printf("\n  %-30s", "");
    for (const Subject* s : subj) {
        t.valueWidths.push_back(std::max(11, static_cast<int>(s->label.size())));
        std::printf(" %*s", t.valueWidths.back(), s->label.c_str());
    }
    for (size_t k = 0; ratios && k + 1 < subj.size(); ++k) {
        std::string h = "vs " + subj[k]->label.substr(0, subj[k]->label.rfind('.'));
        t.ratioWidths.push_back(std::max(7, static_cast<int>(h.size())));
        std::printf("  %*s", t.ratioWidths.back(), h.c_str());
    }
    std::printf("\n");
    return t;
}

// One row of figures; a negative figure was not measured. Ratios only when the header has them.
void Row(const Table& t, const char* name, const std::vector<double>& v, int decimals = 1)
{
    std::printf("  %-30s", name);
    for (size_t k = 0; k < v.size(); ++k)
        if (v[k] >= 0)
            std::printf(" %*.*f", t.valueWidths[k], decimals, v[k]);
        else
            std::printf(" %*s", t.valueWidths[k], "-");
    for (size_t k = 0; k < t.ratioWidths.size(); ++k) {
        if (v[k] > 0 && v.back() >= 0)
            std::printf("  %*.3f", t.ratioWidths[k], v.back() / v[k]);
        else
            std::printf("  %*s", t.ratioWidths[k], "-");
    }
    std::printf("\n");
}

template <class F>
std::vector<double> PerSubject(const std::vector<const Subject*>& subj, F f)
{
    std::vector<double> v;
    for (const Subject* s : subj) v.push_back(f(*s));
    return v;
}

// How many of the reads found a watched DLL ("comctl32" matches both versions) loaded.
int DllSeen(const Subject& s, const std::string& stem)
{
    int most = 0;
    for (const auto& [name, n] : s.dlls)
        if (name.rfind(stem + ".dll", 0) == 0) most = std::max(most, n);
    return most;
}

std::string DllCell(const Subject& s, const std::string& stem)
{
    if (s.dllReads == 0) return "-";
    const int n = DllSeen(s, stem);
    if (n == 0) return "no";
    if (n == s.dllReads) return "LOADED";
    return "LOADED " + std::to_string(n) + "/" + std::to_string(s.dllReads);
}

// Prints names after an indent, wrapped before 100 columns.
void PrintWrapped(const std::vector<std::string>& names, size_t indent)
{
    size_t col = indent;
    for (const std::string& n : names) {
        if (col + 1 + n.size() > 100 && col > indent) {
            std::printf("\n%*s", static_cast<int>(indent), "");
            col = indent;
        }
        std::printf(" %s", n.c_str());
        col += 1 + n.size();
    }
    std::printf("\n");
}

double FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA fa;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &fa)) return -1;
    return static_cast<double>(fa.nFileSizeLow) + static_cast<double>(fa.nFileSizeHigh) * 4294967296.0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: bench_startup.exe [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N] "
                 "[--idle-rounds N] [--idle-ms N] [--x86 KALVERO32.exe] [--raw] "
                 "BASELINE.exe [BASELINE2.exe ...] KALVERO.exe\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options opt;
    std::vector<std::wstring> exes;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        int* target = a == L"--runs"          ? &opt.runs
                      : a == L"--warmup"      ? &opt.warmup
                      : a == L"--settle-ms"   ? &opt.settleMs
                      : a == L"--gap-ms"      ? &opt.gapMs
                      : a == L"--idle-rounds" ? &opt.idleRounds
                      : a == L"--idle-ms"     ? &opt.idleMs
                                              : nullptr;
        if (a == L"--raw") {
            opt.raw = true;
        } else if (a == L"--x86") {
            if (++i >= argc) return Usage();
            opt.x86 = argv[i];
        } else if (target) {
            if (++i >= argc) return Usage();
            *target = _wtoi(argv[i]);
        } else if (a.rfind(L"--", 0) == 0) {
            return Usage();
        } else {
            exes.push_back(a);
        }
    }
    if (exes.size() < 2 || opt.runs < 1 || opt.warmup < 0 || opt.settleMs < 0 || opt.gapMs < 0 ||
        opt.idleRounds < 0 || opt.idleMs < 1)
        return Usage();

    // subj: the exes as given, Kalvero last; tray: Kalvero again, started in the tray.
    std::vector<Subject> subj(exes.size());
    for (size_t k = 0; k < exes.size(); ++k) {
        subj[k].path = exes[k];
        const size_t slash = subj[k].path.find_last_of(L"\\/");
        subj[k].label = Utf8(slash == std::wstring::npos ? subj[k].path : subj[k].path.substr(slash + 1));
        subj[k].sizeBytes = FileSize(subj[k].path);
        if (subj[k].sizeBytes < 0) {
            std::fprintf(stderr, "cannot open %s: %s\n", Utf8(subj[k].path).c_str(),
                         Describe(GetLastError()).c_str());
            return 1;
        }
    }
    Subject tray = subj.back();
    tray.label += " (tray)";
    tray.tray = true;
    const double x86Size = opt.x86.empty() ? -1 : FileSize(opt.x86);

    std::vector<const Subject*> shown, all;
    for (const Subject& s : subj) shown.push_back(&s);
    all = shown;
    all.push_back(&tray);

    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    // Raise the driver above the measured programs so that its polling is not what is late.
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);

    for (int i = 0; i < opt.warmup; ++i)
        for (Subject& s : subj) RunOnce(s, freq, opt, -1, false);
    for (Subject& s : subj) s.failures.clear();
    for (int i = 0; i < opt.runs; ++i)
        for (Subject& s : subj) RunOnce(s, freq, opt, i, false);
    for (int i = 0; i < opt.idleRounds; ++i) {
        for (Subject& s : subj) RunOnce(s, freq, opt, i, true);
        RunOnce(tray, freq, opt, i, true);
    }

    using WineVersionFn = const char*(__cdecl*)();
    auto wineVersion = reinterpret_cast<WineVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    std::printf("Start-up benchmark (%s): %d interleaved start-up rounds after %d warm-up round(s), "
                "memory and DLLs read %d ms after the window shows; %d idle round(s) of %d ms\n",
                wineVersion ? (std::string("Wine ") + wineVersion()).c_str() : "Windows", opt.runs,
                opt.warmup, opt.settleMs, opt.idleRounds, opt.idleMs);

    int labelWidth = 16;
    for (const Subject* s : all) labelWidth = std::max(labelWidth, static_cast<int>(s->label.size()));
    for (const Subject* s : all) {
        std::printf("  %-*s %zu of %d start-up, %zu of %d idle runs measured", labelWidth, s->label.c_str(),
                    s->samples.size(), s->tray ? 0 : opt.runs, s->idle.size(), opt.idleRounds);
        if (!s->windowClass.empty())
            std::printf("; window \"%s\" \"%s\", client %ldx%ld, frame %ldx%ld%s", Utf8(s->windowClass).c_str(),
                        Utf8(s->windowCaption).c_str(), s->clientRect.right, s->clientRect.bottom,
                        s->windowRect.right - s->windowRect.left, s->windowRect.bottom - s->windowRect.top,
                        s->windowVisible ? "" : ", hidden");
        std::printf("\n");
        for (const std::string& f : s->failures) std::printf("    problem: %s\n", f.c_str());
    }
    for (const Subject& s : subj)
        if (s.samples.empty()) {
            std::printf("Could not measure every program; no figures.\n");
            return 1;
        }

    if (opt.raw) {
        std::printf("\n  round");
        for (const Subject& s : subj) std::printf("   %27s", (s.label + " ms / private KB").c_str());
        std::printf("\n");
        for (int r = 0; r < opt.runs; ++r) {
            std::printf("  %5d", r + 1);
            for (const Subject& s : subj) {
                auto it = std::find_if(s.samples.begin(), s.samples.end(),
                                       [r](const Sample& x) { return x.run == r; });
                std::string cell = "failed";
                if (it != s.samples.end()) {
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "%.1f / %.0f", it->showMs, it->privateKb);
                    cell = buf;
                }
                std::printf("   %*s", std::max(27, static_cast<int>(s.label.size()) + 16), cell.c_str());
            }
            std::printf("\n");
        }
        if (opt.idleRounds > 0) {
            std::printf("\n  idle, per round: CPU ms / Linux CPU ms / Linux wake-ups");
            for (const Subject* s : all) {
                std::printf("\n    %-*s", labelWidth, s->label.c_str());
                for (const Sample& x : s->idle)
                    std::printf("   %.1f / %.2f / %.0f", x.idleCpuMs, x.linuxIdleCpuMs, x.linuxIdleWakeups);
            }
            std::printf("\n");
        }
    }

    const auto quantile = [](double q) {
        return [q](const Subject& s) { return Quantile(Column(s.samples, &Sample::showMs), q); };
    };
    const auto median = [](double Sample::*field) {
        return [field](const Subject& s) { return MedianOf(s.samples, field); };
    };
    const auto idleMedian = [](double Sample::*field) {
        return [field](const Subject& s) { return MedianOf(s.idle, field); };
    };
    const auto size = PerSubject(shown, [](const Subject& s) { return s.sizeBytes / 1024.0; });
    const auto show = PerSubject(shown, median(&Sample::showMs));
    const auto priv = PerSubject(shown, median(&Sample::privateKb));
    const auto ws = PerSubject(shown, median(&Sample::workingSetKb));

    std::printf("\nStart-up rounds: figures, and %s's divided by each baseline's\n", subj.back().label.c_str());
    Table t = Header(shown, true);
    Row(t, "exe size (KB)", size);
    Row(t, "start-up Q1 (ms)", PerSubject(shown, quantile(0.25)));
    Row(t, "start-up median (ms)", show);
    Row(t, "start-up Q3 (ms)", PerSubject(shown, quantile(0.75)));
    Row(t, "CPU to window + settle med (ms)", PerSubject(shown, median(&Sample::startCpuMs)));
    Row(t, "private memory median (KB)", priv, 0);
    Row(t, "working set median (KB)", ws, 0);
    Row(t, "WM_CLOSE to exit median (ms)", PerSubject(shown, median(&Sample::closeMs)));
    if (subj[0].samples[0].privateFromPagefile)
        std::printf("  Private memory: PrivateUsage reads 0 (as under Wine), so PagefileUsage is shown;\n"
                    "  Windows reports the same commit charge in both.\n");

    const Subject& k = subj.back();
    std::vector<std::vector<double>> paired;
    std::printf("\n  Per-round start-up ratios %s / baseline:\n", k.label.c_str());
    for (size_t b = 0; b + 1 < subj.size(); ++b) {
        paired.push_back(PairedRatios(subj[b], k));
        if (paired.back().empty()) continue;
        std::printf("    vs %-*s median %.3f   Q1 %.3f   Q3 %.3f   (%zu rounds)\n", labelWidth,
                    subj[b].label.c_str(), Median(paired.back()), Quantile(paired.back(), 0.25),
                    Quantile(paired.back(), 0.75), paired.back().size());
    }

    if (opt.idleRounds > 0) {
        std::printf("\nIdle rounds: CPU time (user + kernel) over %d ms, from %d ms after the window shows "
                    "(in the tray: after it is created)\n",
                    opt.idleMs, opt.settleMs);
        t = Header(all, false);
        Row(t, "idle CPU median (ms)", PerSubject(all, idleMedian(&Sample::idleCpuMs)));
        Row(t, "idle CPU max (ms)", PerSubject(all, [](const Subject& s) { return MaxOf(s.idle, &Sample::idleCpuMs); }));
        Row(t, "Linux: idle CPU median (ms)", PerSubject(all, idleMedian(&Sample::linuxIdleCpuMs)), 2);
        Row(t, "Linux: idle wake-ups median", PerSubject(all, idleMedian(&Sample::linuxIdleWakeups)), 0);
        Row(t, "Linux: idle wake-ups max",
            PerSubject(all, [](const Subject& s) { return MaxOf(s.idle, &Sample::linuxIdleWakeups); }), 0);
        Row(t, "window there, median (ms)", PerSubject(all, idleMedian(&Sample::showMs)));
        Row(t, "private memory median (KB)", PerSubject(all, idleMedian(&Sample::privateKb)), 0);
        Row(t, "WM_CLOSE to exit median (ms)", PerSubject(all, idleMedian(&Sample::closeMs)));
        std::printf("  GetProcessTimes counts whole clock ticks (10 ms under Wine): a timer that fires a few\n"
                    "  times a second can read 0 there, not in Linux's figures (\"-\": not under Wine).\n");
    }

    std::printf("\nDLLs loaded once the window is there (LOADED n/m: in n of m reads)\n");
    std::printf("\n  %-30s", "");
    for (const Subject* s : all) std::printf(" %*s", std::max(11, static_cast<int>(s->label.size())), s->label.c_str());
    std::printf("\n");
    for (const char* dll : kWatchedDlls) {
        std::printf("  %-30s", dll);
        for (const Subject* s : all)
            std::printf(" %*s", std::max(11, static_cast<int>(s->label.size())), DllCell(*s, dll).c_str());
        std::printf("\n");
    }
    const Subject& bare = subj.front();
    std::vector<std::string> names;
    for (const auto& [name, n] : bare.dlls) names.push_back(name);
    std::printf("\n  %s (%zu):", bare.label.c_str(), names.size());
    PrintWrapped(names, 4);
    for (const Subject* s : all) {
        if (s == &bare) continue;
        names.clear();
        for (const auto& [name, n] : s->dlls)
            if (!bare.dlls.count(name)) names.push_back(name);
        std::printf("  %s, beyond %s's (%zu):", s->label.c_str(), bare.label.c_str(), names.size());
        PrintWrapped(names, 4);
    }

    // Targets from the issue "Start like a bare window", beside the figures, for information.
    std::printf("\nSummary (%s against %s; targets for information, nothing is judged)\n", k.label.c_str(),
                bare.label.c_str());
    std::printf("  %-40s %-36s %s\n", "figure", "measured", "target");
    auto line = [](const std::string& what, const std::string& value, const char* target) {
        std::printf("  %-40s %-36s %s\n", what.c_str(), value.c_str(), target);
    };
    for (size_t b = 0; b + 1 < subj.size(); ++b) {
        const std::string vs = " / " + subj[b].label.substr(0, subj[b].label.rfind('.'));
        const bool first = b == 0;
        line("start-up" + vs + ", per round",
             paired[b].empty() ? "-"
                               : Format("%.3f", Median(paired[b])) + " (Q1 " + Format("%.3f", Quantile(paired[b], 0.25)) +
                                     ", Q3 " + Format("%.3f", Quantile(paired[b], 0.75)) + ")",
             first ? "<= 1.10" : "");
        line("private memory" + vs, Format("%.3f", priv.back() / priv[b]), first ? "<= 1.10" : "");
        line("working set" + vs, Format("%.3f", ws.back() / ws[b]), "");
    }
    line("Kalvero.exe size, x64", Format("%.1f KB", k.sizeBytes / 1024.0), "<= 200 KB");
    line("Kalvero.exe size, x86", x86Size < 0 ? "not built" : Format("%.1f KB", x86Size / 1024.0), "<= 230 KB");
    // Wine's own user32 and X11 driver load some of these into the bare window too.
    for (const char* dll : {"comctl32", "uxtheme", "ole32"})
        line(std::string(dll) + ": shown / tray (bare_window)",
             DllCell(k, dll) + " / " + DllCell(tray, dll) + " (" + DllCell(bare, dll) + ")", "no / no");
    const std::string idleFor = " over " + Format("%.0f s", opt.idleMs / 1000.0);
    auto idleCell = [&](const Subject& s, double Sample::*field, const char* fmt) {
        const double v = MedianOf(s.idle, field), b = MedianOf(bare.idle, field);
        return v < 0 ? std::string("-") : Format(fmt, v) + " (bare_window " + Format(fmt, b) + ")";
    };
    for (const Subject* s : {&k, static_cast<const Subject*>(&tray)}) {
        const std::string where = s->tray ? ", tray" : ", shown";
        line("idle CPU" + idleFor + where, idleCell(*s, &Sample::idleCpuMs, "%.1f ms"), "<= bare_window's");
        line("  Linux: idle CPU" + idleFor + where, idleCell(*s, &Sample::linuxIdleCpuMs, "%.2f ms"),
             "<= bare_window's");
        line("  Linux: wake-ups" + idleFor + where, idleCell(*s, &Sample::linuxIdleWakeups, "%.0f"), "");
    }
    auto closeCell = [](const std::vector<Sample>& v) {
        return v.empty() ? std::string("-") : Format("%.1f ms", MedianOf(v, &Sample::closeMs));
    };
    line("WM_CLOSE to exit, shown", closeCell(k.samples) + " (bare_window " + closeCell(bare.samples) + ")", "");
    line("WM_CLOSE to exit, tray, after idling", closeCell(tray.idle) + " (bare_window " + closeCell(bare.idle) + ")",
         "");
    return 0;
}
