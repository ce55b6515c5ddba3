// The shared pool of 64 open-note records used by every note tracer.
#pragma once

#include <cstddef>
#include <cstdint>

// One open note: where its duration bytes wait in the output to be patched at its note-off.
struct CNoteInfo {
    uint16_t key = 0;     // channel in the low byte, key in the high byte
    int16_t onOffset = 0; // event time minus the encoder's current time at the note-on
    uint32_t onBase = 0;  // the encoder's current time at the note-on
    int32_t position = 0; // offset of the duration bytes from the start of the output
    CNoteInfo* next = nullptr;
};

// A fixed array of records on a free list, built once and shared by every tracer of every
// encoder. It never grows: with all records taken, GetNewNote refuses.
class CNoteInfoPool {
public:
    static constexpr size_t Capacity = 64;

    // The one pool of the program.
    static CNoteInfoPool& Instance();

    // A free record with `next` null, or null (trace "CNoteInfoPool::GetNewNote() - Pool of notes
    // is exhausted") when all are taken.
    CNoteInfo* GetNewNote();
    // Returns one record (not a list) to the pool.
    void Release(CNoteInfo* note);
    // Records currently free (Capacity when every tracer is empty).
    size_t FreeCount() const { return freeCount; }

private:
    CNoteInfoPool();
    CNoteInfoPool(const CNoteInfoPool&) = delete;
    CNoteInfoPool& operator=(const CNoteInfoPool&) = delete;

    CNoteInfo records[Capacity];
    CNoteInfo* freeHead = nullptr;
    size_t freeCount = 0;
};
