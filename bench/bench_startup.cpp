// The benchmark's driver, run under Wine beside the programs it measures:
//
//   bench_startup.exe [--runs N] BARE.exe KALVERO.exe BARE_TRACE.exe KALVERO_TRACE.exe
//
// Each round starts, one after the other:
// - the bare window and Kalvero, timed from CreateProcessW until its main window is visible
//   (polled every millisecond); memory is read a settle time later, then WM_CLOSE is posted
//   and the time until the process ends is taken (both put an icon in the tray and take it
//   away when closing);
// - the two trace builds, shown, then started in the tray: each writes when its code began
//   and when its first paint (or its tray icon) was done, counted from the process's creation.
// Rounds alternate which program goes first, and every ratio is taken within one round, so
// that load coming and going on the machine hits both. It prints figures and judges nothing: exit
// code 0 unless not one round measured both programs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDeadlineMs = 15000;
constexpr DWORD kSettleMs = 250;
constexpr const wchar_t* kBareClass = L"KalveroBenchBare";
constexpr const wchar_t* kKalveroClass = L"KalveroMain";
constexpr const wchar_t* kSettingsKey = L"Software\\VB and VBA Program Settings\\Kalvero\\Settings";
constexpr const char* kEntry = "wWinMain";

// Of the measured values (not NaN), by linear interpolation between the closest ranks.
double Quantile(std::vector<double> v, double q) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), v.end());
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  const double pos = q * static_cast<double>(v.size() - 1);
  const size_t lo = static_cast<size_t>(pos), hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (v[hi] - v[lo]) * (pos - static_cast<double>(lo));
}
double Median(const std::vector<double>& v) { return Quantile(v, 0.5); }

double NowMs() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// The process's window of that class, visible or not as asked. Looked up by class rather than
// by walking every window: polling every millisecond must not keep the wineserver, which the
// starting program needs, busy (walking them all made both start about 3 ms slower).
HWND FindWindowOf(DWORD pid, const wchar_t* cls, bool visible) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls, nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && (!visible || IsWindowVisible(w))) return w;
  }
  return nullptr;
}

struct Process {
  PROCESS_INFORMATION pi{};
  HWND window = nullptr;
  double startMs = 0;  // CreateProcessW until the window was found
};

// Ends a process that did not behave, and forgets it.
void Kill(Process& p) {
  TerminateProcess(p.pi.hProcess, 1);
  WaitForSingleObject(p.pi.hProcess, kDeadlineMs);
  CloseHandle(p.pi.hProcess);
}

// Starts exe and polls every pollMs until it has its window of class cls (a visible one if
// asked). False when it did not.
bool Start(const std::wstring& exe, const wchar_t* args, const wchar_t* cls, bool visible, DWORD pollMs,
           Process& p) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const double t0 = NowMs();
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.pi))
    return false;
  CloseHandle(p.pi.hThread);
  while (!(p.window = FindWindowOf(p.pi.dwProcessId, cls, visible))) {
    if (WaitForSingleObject(p.pi.hProcess, pollMs) == WAIT_OBJECT_0 || NowMs() - t0 > kDeadlineMs) {
      Kill(p);
      return false;
    }
  }
  p.startMs = NowMs() - t0;
  return true;
}

// Posts WM_CLOSE and waits for the end: the time that took, or -1.
double Close(Process& p) {
  const double t0 = NowMs();
  PostMessageW(p.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(p.pi.hProcess, kDeadlineMs) != WAIT_OBJECT_0) {
    Kill(p);
    return -1;
  }
  const double ms = NowMs() - t0;
  CloseHandle(p.pi.hProcess);
  return ms;
}

struct Timed {
  // One per round, NaN when not measured.
  std::vector<double> start, privateKb, privateLessImageKb, workingSetKb, close;
  std::vector<double> menu[3];  // a right-click until the menu shows: Kalvero's three power buttons, bare's window
};

// A right-click on target (a power button of Kalvero's, the bare window itself), polled every
// millisecond until the process shows a menu; the ms that took, or NaN. The menu is closed again.
double MenuOpens(const Process& p, HWND target) {
  const double t0 = NowMs();
  PostMessageW(target, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  PostMessageW(target, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
  HWND menu = nullptr;
  while (!(menu = FindWindowOf(p.pi.dwProcessId, L"#32768", true)))
    if (NowMs() - t0 > kDeadlineMs) return NAN;
  const double ms = NowMs() - t0;
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  while (FindWindowOf(p.pi.dwProcessId, L"#32768", true) && NowMs() - t0 < 2 * kDeadlineMs) Sleep(1);
  return ms;
}

// One timed run; false when it could not be measured.
bool TimedRun(const std::wstring& exe, const wchar_t* cls, Timed& t) {
  Process p;
  const auto fail = [&] {
    for (auto* v : {&t.start, &t.privateKb, &t.privateLessImageKb, &t.workingSetKb, &t.close, &t.menu[0], &t.menu[1],
                    &t.menu[2]})
      v->push_back(NAN);
    return false;
  };
  if (!Start(exe, L"", cls, true, 1, p)) return fail();
  Sleep(kSettleMs);
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  const bool mem = GetProcessMemoryInfo(p.pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
  HMODULE image = nullptr;
  DWORD size = 0;
  MODULEINFO mi{};
  const bool sized = EnumProcessModules(p.pi.hProcess, &image, sizeof image, &size) &&
                     GetModuleInformation(p.pi.hProcess, image, &mi, sizeof mi);
  // After the memory, which a menu's first opening would change.
  double menus[3];
  for (int i = 0; i < 3; ++i) menus[i] = MenuOpens(p, cls == kKalveroClass ? GetDlgItem(p.window, 101 + i) : p.window);
  const double close = Close(p);
  if (!mem || !sized || close < 0) return fail();
  t.start.push_back(p.startMs);
  // Wine leaves PrivateUsage 0 and reports the same commit charge as PagefileUsage.
  t.privateKb.push_back(static_cast<double>(m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage) / 1024);
  t.privateLessImageKb.push_back(t.privateKb.back() - mi.SizeOfImage / 1024.0);
  t.workingSetKb.push_back(static_cast<double>(m.WorkingSetSize) / 1024);
  t.close.push_back(close);
  for (int i = 0; i < 3; ++i) t.menu[i].push_back(menus[i]);
  return true;
}

using Marks = std::vector<std::pair<std::string, double>>;  // step, ms since the process's creation

// One run of a trace build; its marks, empty when it could not be measured.
Marks TraceRun(const std::wstring& exe, const wchar_t* args, const wchar_t* cls, const std::wstring& file) {
  DeleteFileW(file.c_str());
  Process p;
  if (!Start(exe, args, cls, false, 10, p)) return {};
  Sleep(kSettleMs);
  if (Close(p) < 0) return {};
  Marks marks;
  HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  char text[4096];
  DWORD got = 0;
  ReadFile(f, text, sizeof text - 1, &got, nullptr);
  CloseHandle(f);
  text[got] = 0;
  for (char* line = text; *line;) {
    char* end = line + strcspn(line, "\n");
    const bool last = !*end;
    *end = 0;
    char* step = nullptr;
    const long us = strtol(line, &step, 10);
    if (step != line && *step == ' ') marks.push_back({step + 1, us / 1000.0});
    line = last ? end : end + 1;
  }
  return marks;
}

// Sets Kalvero's "start in the tray" for one run; the bench's prefix is thrown away afterwards.
void StartInTray(bool on) {
  if (on)
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"AutoReduit", REG_SZ, L"1", 2 * sizeof(wchar_t));
  else
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"AutoReduit");
}

// Round by round, f(bare's marks, Kalvero's marks); NaN where a run failed.
template <class F>
std::vector<double> PerRound(const std::vector<Marks>& bare, const std::vector<Marks>& kalvero, F f) {
  std::vector<double> v;
  for (size_t r = 0; r < bare.size(); ++r) v.push_back(f(bare[r], kalvero[r]));
  return v;
}

// Milliseconds from a mark's first time (null: the process's creation) to another's; NaN when one is missing.
double Span(const Marks& m, const char* from, const std::string& to) {
  double a = from ? NAN : 0, b = NAN;
  for (const auto& [step, ms] : m) {
    if (from && step == from && std::isnan(a)) a = ms;
    if (step == to && std::isnan(b)) b = ms;
  }
  return b - a;
}

void PrintOwnWork(const char* title, const std::vector<Marks>& bare, const std::vector<Marks>& kalvero,
                  const std::string& last) {
  std::printf("\n  %-38s %11s %9s %11s %7s\n", title, "bare_window", "Kalvero", "difference", "ratio");
  const struct {
    const char* name;
    const char* from;
    bool toEntry;
  } rows[] = {{"creation to wWinMain (Wine, imports)", nullptr, true},
              {"wWinMain to ", kEntry, false},
              {"creation to ", nullptr, false}};
  for (const auto& row : rows) {
    const std::string to = row.toEntry ? kEntry : last;
    auto one = [&](bool k) {
      return PerRound(bare, kalvero, [&](const Marks& b, const Marks& m) { return Span(k ? m : b, row.from, to); });
    };
    const auto diff = PerRound(bare, kalvero, [&](const Marks& b, const Marks& m) {
      return Span(m, row.from, to) - Span(b, row.from, to);
    });
    const auto ratio = PerRound(bare, kalvero, [&](const Marks& b, const Marks& m) {
      return Span(m, row.from, to) / Span(b, row.from, to);
    });
    const std::string name = std::string(row.name) + (row.toEntry ? "" : last) + (row.from ? " (own work)" : "");
    std::printf("  %-38s %11.2f %9.2f %11.2f %7.2f\n", name.c_str(), Median(one(false)), Median(one(true)),
                Median(diff), Median(ratio));
  }
  // Where the time goes: each step up to the last from the mark before it.
  for (const auto* marks : {&bare, &kalvero}) {
    const Marks steps = *std::max_element(marks->begin(), marks->end(),
                                          [](const Marks& a, const Marks& b) { return a.size() < b.size(); });
    std::printf("    %s's steps (median ms from the mark before):", marks == &bare ? "bare_window" : "Kalvero");
    for (size_t i = 1; i < steps.size() && steps[i - 1].first != last; ++i) {
      std::vector<double> d;
      for (const Marks& m : *marks) d.push_back(Span(m, steps[i - 1].first.c_str(), steps[i].first));
      std::printf("%s %s %.2f", i == 1 ? "" : ",", steps[i].first.c_str(), Median(d));
    }
    std::printf("\n");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 20;
  if (argc == 7 && lstrcmpW(argv[1], L"--runs") == 0) {
    runs = _wtoi(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc != 5 || runs < 1) {
    std::fprintf(stderr, "usage: bench_startup.exe [--runs N] BARE.exe KALVERO.exe BARE_TRACE.exe KALVERO_TRACE.exe\n");
    return 2;
  }
  const std::wstring exe[] = {argv[1], argv[2], argv[3], argv[4]};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring traceFile = std::wstring(temp) + L"kalvero-bench-trace.txt";
  SetEnvironmentVariableW(L"KALVERO_TRACE_FILE", traceFile.c_str());
  // The driver's polling must not be what is late.
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);

  const wchar_t* cls[] = {kBareClass, kKalveroClass};
  Timed timed[2], warm[2];
  std::vector<Marks> shown[2], tray[2];
  int failures = 0;
  for (int round = -1; round < runs; ++round) {  // round -1 warms up and is not kept
    for (int i : {round & 1, 1 - (round & 1)})
      failures += !TimedRun(exe[i], cls[i], round < 0 ? warm[i] : timed[i]);
    for (int i : {round & 1, 1 - (round & 1)}) {
      Marks m = TraceRun(exe[2 + i], L"", cls[i], traceFile);
      failures += m.empty();
      if (round >= 0) shown[i].push_back(m);
    }
    for (int i : {round & 1, 1 - (round & 1)}) {
      if (i == 1) StartInTray(true);
      Marks m = TraceRun(exe[2 + i], i == 0 ? L"tray" : L"", cls[i], traceFile);
      if (i == 1) StartInTray(false);
      failures += m.empty();
      if (round >= 0) tray[i].push_back(m);
    }
  }

  using WineVersion = const char*(__cdecl*)();
  const auto wine = reinterpret_cast<WineVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  std::printf("Kalvero against bare_window, %d interleaved rounds after one warm-up (%s), %d run(s) failed\n", runs,
              wine ? (std::string("Wine ") + wine()).c_str() : "Windows", failures);
  std::printf("bare_window: a window of the strip's frame and client size with nothing in it (no manifest,\n"
              "icon, buttons, pictures or settings), built with the same flags.\n");
  const Timed &b = timed[0], &k = timed[1];
  std::printf("\n  %-38s %11s %9s %7s\n", "median of the plain builds", "bare_window", "Kalvero", "ratio");
  const struct {
    const char* name;
    const std::vector<double> Timed::*field;
  } rows[] = {{"start-up, CreateProcessW to visible (ms)", &Timed::start},
              {"private memory (KB)", &Timed::privateKb},
              {"  less the exe's image (KB)", &Timed::privateLessImageKb},
              {"working set (KB)", &Timed::workingSetKb},
              {"WM_CLOSE to exit (ms)", &Timed::close}};
  for (const auto& row : rows) {
    const double x = Median(b.*row.field), y = Median(k.*row.field);
    std::printf("  %-38s %11.1f %9.1f %7.3f\n", row.name, x, y, y / x);
  }
  // Each of Kalvero's menus against bare's three lines, both opened by a right-click (the first opening
  // of each run loads the power libraries; bare's three openings of one menu are one baseline).
  const char* menus[] = {"menu of « Arrêt » (ms)", "menu of « Redémarrer » (ms)", "menu of « Déconnexion » (ms)"};
  for (int i = 0; i < 3; ++i) {
    const double x = Median(b.menu[i]), y = Median(k.menu[i]);
    std::printf("  %-38s %11.1f %9.1f %7.3f\n", menus[i], x, y, y / x);
  }
  std::vector<double> ratios;
  for (int r = 0; r < runs; ++r) ratios.push_back(k.start[r] / b.start[r]);
  std::printf("  start-up ratio per round: median %.3f, Q1 %.3f, Q3 %.3f\n", Median(ratios), Quantile(ratios, 0.25),
              Quantile(ratios, 0.75));
  std::printf("  Memory is read %lu ms after the window shows. Wine copies an exe whose sections are not\n"
              "  page-aligned in its file (both here) into private memory, where Windows maps it from the\n"
              "  file: the second row leaves that image out. Both close the same way: an icon put in the\n"
              "  tray (shell32 loaded then), the window hidden, the icon removed.\n",
              kSettleMs);

  std::printf("\nOwn start-up work, from the trace builds: ms from the process's creation (medians; the\n"
              "difference and the ratio are taken round by round)\n");
  PrintOwnWork("shown", shown[0], shown[1], "first paint");
  PrintOwnWork("started in the tray", tray[0], tray[1], "icon added");
  return std::isnan(Median(ratios)) ? 1 : 0;
}
