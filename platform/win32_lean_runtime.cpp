// The standard library reports a failed container operation by building an
// exception that carries its message in a reference-counted string; that alone
// brings about 30 KB of string code into the exe. Nothing here reads those
// messages (every handler catches all exceptions alike), so each report throws
// a plain exception instead.
#include <new>

namespace kalvero::platform {
namespace {
struct LibraryError {};
}  // namespace
}  // namespace kalvero::platform

namespace std {
using kalvero::platform::LibraryError;
void __throw_bad_cast() { throw LibraryError{}; }
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_typeid() { throw LibraryError{}; }
void __throw_logic_error(const char*) { throw LibraryError{}; }
void __throw_range_error(const char*) { throw LibraryError{}; }
void __throw_domain_error(const char*) { throw LibraryError{}; }
void __throw_length_error(const char*) { throw LibraryError{}; }
void __throw_out_of_range(const char*) { throw LibraryError{}; }
void __throw_bad_exception() { throw LibraryError{}; }
void __throw_runtime_error(const char*) { throw LibraryError{}; }
void __throw_overflow_error(const char*) { throw LibraryError{}; }
void __throw_underflow_error(const char*) { throw LibraryError{}; }
void __throw_invalid_argument(const char*) { throw LibraryError{}; }
void __throw_out_of_range_fmt(const char*, ...) { throw LibraryError{}; }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
}  // namespace std
