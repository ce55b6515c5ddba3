// Notes that have been written with a placeholder duration and wait for their off.
#pragma once

#include "packed/CNoteInfoPool.h"

#include <cstdint>

// A list of open notes, most recent first, whose records come from CNoteInfoPool. The tracer
// owns its records and returns them to the pool when cleared or destroyed.
class CNotesTracer {
public:
    // What Take and TakeFirst hand out about the closed note.
    struct Open {
        uint16_t key;
        int32_t position;
        int16_t onOffset;
        uint32_t onBase;
    };

    CNotesTracer() = default;
    virtual ~CNotesTracer();
    CNotesTracer(const CNotesTracer&) = delete;
    CNotesTracer& operator=(const CNotesTracer&) = delete;

    // Records an open note in front of the list. False, with nothing added, when the shared pool
    // is exhausted (the pool traces it).
    bool Add(uint16_t key, int32_t position, int16_t onOffset, uint32_t onBase);
    // Removes the most recent note with `key` and fills `out`; false when there is none.
    bool Take(uint16_t key, Open& out);
    // Removes the most recent note of any key; false when the tracer is empty.
    bool TakeFirst(Open& out);
    // Moves every open note's on time by `ticks`.
    void Shift(uint32_t ticks);
    // Returns every record to the pool.
    void Clear();
    bool IsEmpty() const { return head == nullptr; }

private:
    // Unlinks `note` (whose predecessor link is `link`), fills `out` and frees the record.
    void Unlink(CNoteInfo** link, Open& out);

    CNoteInfo* head = nullptr;
};
