// A binary min-heap of (time, value) items: the pending note-offs of a memory encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class CHeap {
public:
    struct Item {
        int32_t time;
        uint32_t value;
    };

    CHeap();

    // Adds an item; the array grows by 8 items whenever it is full. Items of equal time come out
    // in an order fixed by the sift rules below, not by insertion.
    void Push(uint32_t value, int32_t time);
    // Removes the item with the smallest time and returns its value; 0 when the heap is empty.
    uint32_t Pop();
    // The item with the smallest time; only valid while Count() > 0.
    const Item& Top() const { return items[0]; }
    size_t Count() const { return count; }
    void Clear() { count = 0; }

private:
    static constexpr size_t InitialCapacity = 16;
    static constexpr size_t GrowBy = 8;

    size_t capacity = InitialCapacity;
    size_t count = 0;
    std::unique_ptr<Item[]> items;
};
