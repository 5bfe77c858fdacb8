// A place for one input whose last byte sits just before a page that may not be
// touched: a parser reading one byte beyond the input faults at once instead of
// quietly reading whatever follows.
#pragma once

#include "runtime/AnsiString.h"

#include <cstddef>

class GuardedBuffer {
public:
    GuardedBuffer() = default;
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // Copies the bytes so that they end at the guard page; returns their first byte.
    // The place stays valid until the next call.
    const char* Place(const AnsiString& bytes);

private:
    void Reserve(std::size_t size);

    char* m_base = nullptr;   // the whole reservation: committed pages, then the guard
    std::size_t m_usable = 0; // bytes before the guard page
};
