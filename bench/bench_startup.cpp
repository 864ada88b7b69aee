// Start-up benchmark driver, run under Wine next to the programs it measures.
//
//   bench_startup.exe [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N] [--raw]
//                     BASELINE.exe [BASELINE2.exe ...] CANDIDATE.exe
//
// For each run it starts the exe with CreateProcessW, polls EnumWindows until a visible
// top-level window of that process exists, and reports the time between the two. After a
// short settle time it reads the process's memory counters, posts WM_CLOSE to the window
// and waits for the process to end before the next start (Kalvero refuses a second
// instance). Runs alternate between all the exes so that drift of the machine hits each.
// It prints figures and the ratios CANDIDATE/BASELINE against each baseline; it asserts
// nothing. Exit code 0 when every exe could be measured at least once, 1 when not, 2 on a
// usage error.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kShowDeadlineMs = 15000;  // start until the window is visible
constexpr DWORD kExitDeadlineMs = 10000;  // WM_CLOSE until the process has ended
constexpr double kStartupRatioTarget = 1.2;
constexpr double kMemoryRatioTarget = 1.2;
constexpr double kExeSizeTargetBytes = 300.0 * 1024.0;

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

struct Sample {
    int run;         // index of the round, to pair the exes' runs
    double showMs;   // CreateProcessW -> window visible
    double closeMs;  // WM_CLOSE posted -> process ended
    double privateKb;
    double workingSetKb;
    bool privateFromPagefile;  // PrivateUsage read 0 and PagefileUsage stood in for it
};

struct Subject {
    std::wstring path;
    std::string label;
    double sizeBytes = -1;
    std::vector<Sample> samples;
    std::vector<std::string> failures;
    std::wstring windowClass, windowCaption;
    RECT windowRect{}, clientRect{};
};

double Now(const LARGE_INTEGER& freq)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

struct FindState {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM lp)
{
    auto* st = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != st->pid || !IsWindowVisible(hwnd)) return TRUE;
    // Tooltips and other tool windows are top-level too; the program's window is not one.
    if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
    st->found = hwnd;
    return FALSE;
}

std::string Describe(DWORD err)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "error %lu", static_cast<unsigned long>(err));
    return buf;
}

// One start/measure/close cycle. Returns false (and records why) when it could not measure.
struct Options {
    int runs = 20;      // measured runs of each exe
    int warmup = 1;     // unmeasured runs of each exe first
    int settleMs = 250; // window shown -> memory read
    int gapMs = 100;    // process ended -> next start
    bool raw = false;   // also print every run
};

bool RunOnce(Subject& s, const LARGE_INTEGER& freq, const Options& opt, int run)
{
    auto fail = [&](const std::string& why) {
        s.failures.push_back(why);
        return false;
    };

    std::wstring cmd = L"\"" + s.path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now(freq);
    if (!CreateProcessW(s.path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return fail("CreateProcessW: " + Describe(GetLastError()));
    CloseHandle(pi.hThread);

    FindState st{pi.dwProcessId, nullptr};
    double tShown = 0;
    for (;;) {
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&st));
        if (st.found) {
            tShown = Now(freq);
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hProcess);
            return fail("exited with code " + std::to_string(code) + " before showing a window");
        }
        if (Now(freq) - t0 > kShowDeadlineMs) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, kExitDeadlineMs);
            CloseHandle(pi.hProcess);
            return fail("no visible window within " + std::to_string(kShowDeadlineMs) + " ms");
        }
        Sleep(1);
    }

    Sleep(static_cast<DWORD>(opt.settleMs));
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    const bool haveMem = GetProcessMemoryInfo(
        pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    const DWORD memErr = haveMem ? 0 : GetLastError();

    const bool keep = run >= 0;
    if (keep && s.windowClass.empty()) {
        wchar_t buf[256];
        if (GetClassNameW(st.found, buf, 256)) s.windowClass = buf;
        if (GetWindowTextW(st.found, buf, 256) >= 0) s.windowCaption = buf;
        GetWindowRect(st.found, &s.windowRect);
        GetClientRect(st.found, &s.clientRect);
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
    Sleep(static_cast<DWORD>(opt.gapMs));

    if (!haveMem) return fail("GetProcessMemoryInfo: " + Describe(memErr));
    if (!keep) return true;
    if (code != 0) s.failures.push_back("exit code " + std::to_string(code) + " after WM_CLOSE (run kept)");
    // Windows reports the commit charge both as PrivateUsage and as PagefileUsage. Wine 8
    // leaves PrivateUsage 0 and fills PagefileUsage from the Linux RssAnon (+ VmSwap) figure.
    const bool fromPagefile = pmc.PrivateUsage == 0;
    const SIZE_T priv = fromPagefile ? pmc.PagefileUsage : pmc.PrivateUsage;
    s.samples.push_back({run, tShown - t0, tExit - tClose, static_cast<double>(priv) / 1024.0,
                         static_cast<double>(pmc.WorkingSetSize) / 1024.0, fromPagefile});
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

std::vector<double> Column(const Subject& s, double Sample::*field)
{
    std::vector<double> v;
    for (const Sample& x : s.samples) v.push_back(x.*field);
    return v;
}

// Table layout: one column per exe, then one ratio column per baseline (the candidate's
// figure divided by that baseline's).
struct Table {
    std::vector<int> valueWidths, ratioWidths;
};

Table Header(const std::vector<Subject>& subj)
{
    Table t;
    std::printf("\n  %-30s", "");
    for (const Subject& s : subj) {
        t.valueWidths.push_back(std::max(12, static_cast<int>(s.label.size())));
        std::printf(" %*s", t.valueWidths.back(), s.label.c_str());
    }
    for (size_t k = 0; k + 1 < subj.size(); ++k) {
        std::string h = "vs " + subj[k].label.substr(0, subj[k].label.rfind('.'));
        t.ratioWidths.push_back(std::max(7, static_cast<int>(h.size())));
        std::printf("  %*s", t.ratioWidths.back(), h.c_str());
    }
    std::printf("\n");
    return t;
}

void Row(const Table& t, const char* name, const std::vector<double>& v, bool ratio, int decimals = 1)
{
    std::printf("  %-30s", name);
    for (size_t k = 0; k < v.size(); ++k) std::printf(" %*.*f", t.valueWidths[k], decimals, v[k]);
    if (ratio)
        for (size_t k = 0; k + 1 < v.size(); ++k) {
            if (v[k] > 0)
                std::printf("  %*.3f", t.ratioWidths[k], v.back() / v[k]);
            else
                std::printf("  %*s", t.ratioWidths[k], "-");
        }
    std::printf("\n");
}

template <class F>
std::vector<double> PerSubject(const std::vector<Subject>& subj, F f)
{
    std::vector<double> v;
    for (const Subject& s : subj) v.push_back(f(s));
    return v;
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

int Usage()
{
    std::fprintf(stderr,
                 "usage: bench_startup.exe [--runs N] [--warmup N] [--settle-ms N] [--gap-ms N] [--raw] "
                 "BASELINE.exe [BASELINE2.exe ...] CANDIDATE.exe\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options opt;
    std::vector<std::wstring> exes;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        int* target = a == L"--runs"        ? &opt.runs
                      : a == L"--warmup"    ? &opt.warmup
                      : a == L"--settle-ms" ? &opt.settleMs
                      : a == L"--gap-ms"    ? &opt.gapMs
                                            : nullptr;
        if (a == L"--raw") {
            opt.raw = true;
        } else if (target) {
            if (++i >= argc) return Usage();
            *target = _wtoi(argv[i]);
        } else if (a.rfind(L"--", 0) == 0) {
            return Usage();
        } else {
            exes.push_back(a);
        }
    }
    if (exes.size() < 2 || opt.runs < 1 || opt.warmup < 0 || opt.settleMs < 0 || opt.gapMs < 0)
        return Usage();

    std::vector<Subject> subj(exes.size());
    for (size_t k = 0; k < exes.size(); ++k) {
        subj[k].path = exes[k];
        const size_t slash = subj[k].path.find_last_of(L"\\/");
        subj[k].label = Utf8(slash == std::wstring::npos ? subj[k].path : subj[k].path.substr(slash + 1));
        WIN32_FILE_ATTRIBUTE_DATA fa;
        if (!GetFileAttributesExW(subj[k].path.c_str(), GetFileExInfoStandard, &fa)) {
            std::fprintf(stderr, "cannot open %s: %s\n", Utf8(subj[k].path).c_str(),
                         Describe(GetLastError()).c_str());
            return 1;
        }
        subj[k].sizeBytes = static_cast<double>(fa.nFileSizeLow) +
                            static_cast<double>(fa.nFileSizeHigh) * 4294967296.0;
    }

    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    // Raise the driver above the measured programs so that its polling is not what is late.
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);

    for (int i = 0; i < opt.warmup; ++i)
        for (Subject& s : subj) RunOnce(s, freq, opt, -1);
    for (Subject& s : subj) s.failures.clear();
    for (int i = 0; i < opt.runs; ++i)
        for (Subject& s : subj) RunOnce(s, freq, opt, i);

    using WineVersionFn = const char*(__cdecl*)();
    auto wineVersion = reinterpret_cast<WineVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    std::printf("Start-up benchmark (%s): %d interleaved runs each after %d warm-up run(s), "
                "memory read %d ms after the window shows\n",
                wineVersion ? (std::string("Wine ") + wineVersion()).c_str() : "Windows", opt.runs,
                opt.warmup, opt.settleMs);

    int labelWidth = 16;
    for (const Subject& s : subj) labelWidth = std::max(labelWidth, static_cast<int>(s.label.size()));
    for (const Subject& s : subj) {
        std::printf("  %-*s %zu of %d runs measured", labelWidth, s.label.c_str(), s.samples.size(),
                    opt.runs);
        if (!s.windowClass.empty())
            std::printf("; window class \"%s\", caption \"%s\", client %ldx%ld, frame %ldx%ld",
                        Utf8(s.windowClass).c_str(), Utf8(s.windowCaption).c_str(),
                        s.clientRect.right, s.clientRect.bottom,
                        s.windowRect.right - s.windowRect.left, s.windowRect.bottom - s.windowRect.top);
        std::printf("\n");
        for (const std::string& f : s.failures) std::printf("    problem: %s\n", f.c_str());
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
    }

    auto median = [](double Sample::*field) {
        return [field](const Subject& s) { return Median(Column(s, field)); };
    };
    const auto showMin = [](const Subject& s) {
        const auto v = Column(s, &Sample::showMs);
        return *std::min_element(v.begin(), v.end());
    };
    const auto showMax = [](const Subject& s) {
        const auto v = Column(s, &Sample::showMs);
        return *std::max_element(v.begin(), v.end());
    };
    const auto size = PerSubject(subj, [](const Subject& s) { return s.sizeBytes / 1024.0; });
    const auto show = PerSubject(subj, median(&Sample::showMs));
    const auto priv = PerSubject(subj, median(&Sample::privateKb));

    const Table t = Header(subj);
    Row(t, "exe size (KB)", size, true);
    Row(t, "start-up median (ms)", show, true);
    Row(t, "start-up min (ms)", PerSubject(subj, showMin), true);
    Row(t, "start-up max (ms)", PerSubject(subj, showMax), true);
    Row(t, "private memory median (KB)", priv, true, 0);
    Row(t, "working set median (KB)", PerSubject(subj, median(&Sample::workingSetKb)), true, 0);
    Row(t, "WM_CLOSE to exit median (ms)", PerSubject(subj, median(&Sample::closeMs)), false);
    if (std::any_of(subj.begin(), subj.end(),
                    [](const Subject& s) { return s.samples[0].privateFromPagefile; }))
        std::printf("  Private memory: PrivateUsage read 0 (as under Wine), so PagefileUsage is shown;\n"
                    "  Windows reports the same commit charge in both.\n");

    const Subject& b = subj.back();
    for (size_t k = 0; k + 1 < subj.size(); ++k) {
        const Subject& a = subj[k];
        const double startRatio = show.back() / show[k];
        const double memRatio = priv.back() / priv[k];
        const auto paired = PairedRatios(a, b);
        std::printf("\nTargets for %s against %s:\n", b.label.c_str(), a.label.c_str());
        std::printf("  start-up ratio of medians       %6.3f    target <= %.1f   %s\n", startRatio,
                    kStartupRatioTarget, Verdict(startRatio <= kStartupRatioTarget));
        if (!paired.empty())
            std::printf("    per-round ratios: median %.3f, quartiles %.3f .. %.3f (%zu rounds)\n",
                        Median(paired), Quantile(paired, 0.25), Quantile(paired, 0.75), paired.size());
        std::printf("  private memory ratio of medians %6.3f    target <= %.1f   %s\n", memRatio,
                    kMemoryRatioTarget, Verdict(memRatio <= kMemoryRatioTarget));
        std::printf("  exe size                        %6.1f KB target < 300 KB  %s\n",
                    b.sizeBytes / 1024.0, Verdict(b.sizeBytes < kExeSizeTargetBytes));
    }
    return 0;
}
