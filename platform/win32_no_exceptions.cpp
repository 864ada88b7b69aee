// The product is built without exceptions, yet the standard library's
// containers report an impossible size or a failed allocation by calling
// functions that throw. The link redirects those calls here (--wrap in the
// build): without a handler, ending at once is all a throw would have done,
// and it keeps the library's exception and message classes out of the exe.
#include <cstdlib>

extern "C" {
[[noreturn]] void __wrap__ZSt17__throw_bad_allocv() { std::abort(); }
[[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() { std::abort(); }
[[noreturn]] void __wrap__ZSt19__throw_logic_errorPKc(const char*) { std::abort(); }
[[noreturn]] void __wrap__ZSt20__throw_length_errorPKc(const char*) { std::abort(); }
[[noreturn]] void __wrap__ZSt24__throw_out_of_range_fmtPKcz(const char*, ...) { std::abort(); }
}
