// Preloaded into keeper, makes every allocation of a megabyte or more fail, as a full
// memory would: malloc and realloc return null, and leave errno at ENOMEM. Smaller ones go
// to the C library, so that the report of the failure can still be made.
#include <dlfcn.h>

#include <cerrno>
#include <cstddef>

namespace {
constexpr std::size_t Refused = 1 << 20;
}

extern "C" {

void* malloc(std::size_t size) {
    static const auto real = reinterpret_cast<void* (*)(std::size_t)>(dlsym(RTLD_NEXT, "malloc"));
    if (size >= Refused) {
        errno = ENOMEM;
        return nullptr;
    }
    return real(size);
}

void* realloc(void* memory, std::size_t size) {
    static const auto real =
        reinterpret_cast<void* (*)(void*, std::size_t)>(dlsym(RTLD_NEXT, "realloc"));
    if (size >= Refused) {
        errno = ENOMEM;
        return nullptr;
    }
    return real(memory, size);
}
}
