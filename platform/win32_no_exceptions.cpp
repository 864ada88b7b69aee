// The product is built without exceptions. Two places where the standard
// library would still throw end the program at once instead, which is all a
// throw with no handler does, and keeps the exception runtime (and the thread
// library it needs) out of the exe:
// - the global allocation functions, which the language lets a program replace;
// - the library's reports of an impossible container size, whose calls the
//   link redirects here (--wrap in CMakeLists.txt).
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

extern "C" {
[[noreturn]] void __wrap__ZSt17__throw_bad_allocv() { std::abort(); }
[[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() { std::abort(); }
[[noreturn]] void __wrap__ZSt19__throw_logic_errorPKc(const char*) { std::abort(); }
[[noreturn]] void __wrap__ZSt20__throw_length_errorPKc(const char*) { std::abort(); }
[[noreturn]] void __wrap__ZSt24__throw_out_of_range_fmtPKcz(const char*, ...) { std::abort(); }
}
