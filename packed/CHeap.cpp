// Binary min-heap of pending note-offs.
#include "packed/CHeap.h"

#include <algorithm>

CHeap::CHeap() : items(std::make_unique<Item[]>(InitialCapacity)) {}

void CHeap::Push(uint32_t value, int32_t time)
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

uint32_t CHeap::Pop()
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
