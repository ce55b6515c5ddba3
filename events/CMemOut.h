// Output stream into a growing buffer that its owner may detach.
#pragma once

#include "events/CStream.h"

#include <cstdint>
#include <memory>

// Writes into an owned buffer of initially 2000 bytes that grows by the write's size plus its
// capacity plus 2000 whenever a write does not fit. Opened for writing from construction; Open and
// Close do nothing. Bytes between the old size and a position sought beyond it read as zeros.
class CMemOut : public COut {
public:
    static constexpr uint32_t InitialCapacity = 2000;
    static constexpr uint32_t GrowthSlack = 2000;

    CMemOut();
    ~CMemOut() override;

    bool Open(const char*, uint8_t) override { return error == 0; }
    void Close() override {}
    // Grows when owned; once detached, a write that does not fit is cut short (LastCount()).
    COut& Write(const void* buffer, uint32_t count) override;

    // The bytes written so far (GetSize() of them), still owned by whoever owns the buffer.
    const uint8_t* Data() const { return buffer; }
    uint32_t Capacity() const { return capacity; }
    bool IsOwned() const { return owned; }
    // Hands the buffer (GetSize() valid bytes, Capacity() allocated) to the caller. The stream
    // keeps writing into it within its capacity, so the caller keeps it alive while writing on.
    // Null when already detached.
    std::unique_ptr<uint8_t[]> Detach();

private:
    uint8_t* buffer;
    bool owned = true;
    uint32_t capacity = InitialCapacity;
};
