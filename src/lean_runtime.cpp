// keeper links libstdc++ statically, on Windows and on Linux, and is built without C++
// exceptions. What the library would raise, and its hooks for errors nothing catches,
// would bring in most of the library and the whole unwinder: the verbose terminate handler
// pulls the demangler and a printf family, libstdc++'s operator new raises std::bad_alloc,
// and the helpers that raise std::length_error, std::out_of_range and the like pull the
// copy-on-write string and the whole std::string instantiation. Here are small
// replacements with the same outcome for this program:
// - a failed allocation calls the new handler, which ends the program with the error
//   report ("Out of memory"), as the standard's operator new does before it raises;
// - a violated precondition of the standard library (a position past the end, a length
//   beyond max_size()) would have raised an error nothing catches, which calls
//   std::terminate and so abort(); it calls abort() at once. A request beyond max_size()
//   of an allocator is a failed allocation, and ends as one.
//
// This file is linked into keeper as an object file, ahead of the libraries, so the
// linker takes these definitions instead of the library's members. That depends on the
// library's internal names and on link order: tests/lean_runtime.sh, run by the test
// command, fails when a toolchain update makes these hooks stop taking effect. It is not
// used where libstdc++ is a shared library (the sanitizer and fuzz builds): there the
// library's own operator new calls the same new handler.
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void OutOfMemory() {
    if (const std::new_handler handler = std::get_new_handler()) handler();
    std::abort();
}

void* Allocate(std::size_t size) {
    for (;;) {
        if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) std::abort();
        handler();  // frees memory, or never returns
    }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

// These are the library's own names, reserved to it, which is the point of this file.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp)

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { OutOfMemory(); }
void __throw_bad_array_new_length() { OutOfMemory(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp)
