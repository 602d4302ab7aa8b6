#pragma once

#include <malloc.h>

#include <cstddef>
#include <vector>

// The bytes the C library's allocator has handed out and not yet had back,
// over all its arenas. Under an allocator of its own (a sanitizer's) the
// figure does not see the program's blocks; heapInUseIsVisible() tells.
// Any thread.
inline size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

inline bool heapInUseIsVisible()
{
    constexpr size_t probe = 4 << 20;
    const size_t before = heapInUse();
    std::vector<char> block(probe, 1);
    const size_t with = heapInUse();
    return block.back() == 1 && with >= before + probe;
}
