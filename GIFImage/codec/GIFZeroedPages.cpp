#include "GIFZeroedPages.h"

#include <cstdlib>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>

void* MapZeroedPages(size_t bytes) {
    void* memory =
        mmap(nullptr, bytes == 0 ? 1 : bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    return memory;
}

void TZeroedPagesRelease::operator()(void* memory) const {
    if (memory) munmap(memory, Bytes == 0 ? 1 : Bytes);
}

#else

void* MapZeroedPages(size_t bytes) {
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (!memory) throw std::bad_alloc();
    return memory;
}

void TZeroedPagesRelease::operator()(void* memory) const {
    std::free(memory);
}

#endif
