#pragma once
// Large tables that read as zeros and cost memory only in the pages first
// touched: the lossy compressor's string table and the first pass's
// histogram, of which a small animation touches a few pages.
//
// calloc gives that only while it maps a block afresh. Once the C library
// has taken a freed large block back into its heap (it raises its mapping
// threshold to the largest block freed), it zeroes the whole block itself:
// a run that made a 64 x 64 spinner wrote 10 MB of zeros it never read,
// and took a page fault for every page of them.

#include <cstddef>
#include <memory>

struct TZeroedPagesRelease {
    size_t Bytes = 0;
    void operator()(void* memory) const;
};

template <class T> using TZeroedArray = std::unique_ptr<T[], TZeroedPagesRelease>;

// Throws std::bad_alloc where the memory is not there.
void* MapZeroedPages(size_t bytes);

template <class T> TZeroedArray<T> ZeroedArray(size_t count) {
    const size_t bytes = count * sizeof(T);
    return TZeroedArray<T>(static_cast<T*>(MapZeroedPages(bytes)), TZeroedPagesRelease{bytes});
}
