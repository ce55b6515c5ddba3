// A growable byte buffer: the target a CEncResource inserts packed events into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes [Begin(), Begin() + Used()) are the contents; the storage reaches Capacity(). Resizing may
// move the storage, so pointers into it are valid only until the next Resize.
class CGrowBuffer {
public:
    explicit CGrowBuffer(size_t capacity = 0) : storage(capacity) {}
    CGrowBuffer(const uint8_t* bytes, size_t count) : storage(bytes, bytes + count), used(count) {}

    uint8_t* Begin() { return storage.data(); }
    const uint8_t* Begin() const { return storage.data(); }
    size_t Used() const { return used; }
    size_t Capacity() const { return storage.size(); }
    // Sets the end of the contents; `count` must not exceed Capacity().
    void SetUsed(size_t count) { used = count <= storage.size() ? count : storage.size(); }
    // Changes the capacity keeping every byte of the old storage that still fits (not only the
    // contents). A capacity below Used() cuts the contents too.
    void Resize(size_t capacity)
    {
        storage.resize(capacity);
        if (used > capacity)
            used = capacity;
    }

private:
    std::vector<uint8_t> storage;
    size_t used = 0;
};
