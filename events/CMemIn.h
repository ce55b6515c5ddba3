// Input stream over a caller's bytes.
#pragma once

#include "events/CStream.h"

#include <cstdint>

// Reads from `data`, which the caller keeps alive and owns (never freed here). Opened for reading
// from construction; Open and Close do nothing.
class CMemIn : public CIn {
public:
    CMemIn(const uint8_t* data, uint32_t size);

    bool Open(const char*, uint8_t) override { return error == 0; }
    void Close() override {}
    bool IsPending(uint32_t) const override { return false; }
    // Short read at the end: the count is cut to what remains.
    uint32_t Read(void* buffer, uint32_t count) override;

private:
    const uint8_t* data;
};
