// keeper links libstdc++ statically, on Windows and on Linux. Its hooks for errors
// nothing catches would bring in most of the library: the verbose terminate handler pulls
// the demangler and a printf family, and the helpers that raise std::length_error,
// std::out_of_range and the like pull the copy-on-write string and the whole std::string
// instantiation. Here are small replacements with the same outcome for this program,
// which catches only its own Exception classes and std::bad_alloc:
// - a failed allocation still raises std::bad_alloc, which ends in the error report;
// - a violated precondition of the standard library (a position past the end, a length
//   beyond max_size(), an empty std::function) would have raised an error nothing
//   catches, which calls std::terminate and so abort(); it calls abort() at once. A GUI
//   program has no standard error, so the verbose handler's text was never seen there;
//   on Linux the process still ends with SIGABRT, without that text.
//
// This file is linked into keeper as an object file, ahead of the libraries, so the
// linker takes these definitions instead of the library's members. That depends on the
// library's internal names and on link order: tests/lean_runtime.sh, run by the test
// command, fails when a toolchain update makes these hooks stop taking effect. It is not used where
// libstdc++ is a shared library (the sanitizer and fuzz builds): there the definitions
// would replace the library's own.
#include <cstdlib>
#include <new>

// These are the library's own names, reserved to it, which is the point of this file.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp)

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp)
