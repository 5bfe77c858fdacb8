// The soak program's own operator new and delete: each block carries its size in a
// header, and the bytes handed out are kept in one counter.
#include "soak/LiveAllocations.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// The header keeps the block as aligned as malloc gives it.
constexpr std::size_t HeaderSize = alignof(std::max_align_t);

std::atomic<std::int64_t> liveBytes { 0 };

void* Allocate(std::size_t size) noexcept
{
    if (size > SIZE_MAX - HeaderSize)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + HeaderSize));
    if (!block)
        return nullptr;
    *reinterpret_cast<std::size_t*>(block) = size;
    liveBytes += static_cast<std::int64_t>(size);
    return block + HeaderSize;
}

void* AllocateOrThrow(std::size_t size)
{
    void* pointer = Allocate(size);
    if (!pointer)
        throw std::bad_alloc();
    return pointer;
}

void Release(void* pointer) noexcept
{
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - HeaderSize;
    liveBytes -= static_cast<std::int64_t>(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

}

std::int64_t LiveAllocatedBytes() { return liveBytes.load(); }

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
