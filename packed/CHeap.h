// A binary min-heap of (time, value) items: the pending note-offs of a memory encoder. Its operations
// are inline: they run for every note the memory encoder splits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

class CHeap {
public:
    struct Item {
        int32_t time;
        uint32_t value;
    };

    CHeap() : items(std::make_unique<Item[]>(InitialCapacity)) {}

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

inline void CHeap::Push(uint32_t value, int32_t time)
{
    if (count == capacity) {
        auto grown = std::make_unique<Item[]>(capacity + GrowBy);
        std::copy(items.get(), items.get() + count, grown.get());
        items = std::move(grown);
        capacity += GrowBy;
    }
    // Sift up while strictly earlier than the parent, so equal times do not overtake.
    size_t hole = count++;
    while (hole > 0) {
        size_t parent = (hole - 1) / 2;
        if (!(time < items[parent].time))
            break;
        items[hole] = items[parent];
        hole = parent;
    }
    items[hole] = {time, value};
}

inline uint32_t CHeap::Pop()
{
    if (count == 0)
        return 0;
    uint32_t result = items[0].value;
    Item moved = items[--count];
    size_t hole = 0;
    for (;;) {
        size_t child = 2 * hole + 1;
        if (child >= count)
            break;
        // The right child is chosen only when strictly earlier than the left one.
        if (child + 1 < count && items[child + 1].time < items[child].time)
            ++child;
        if (!(items[child].time < moved.time))
            break;
        items[hole] = items[child];
        hole = child;
    }
    if (count > 0)
        items[hole] = moved;
    return result;
}
