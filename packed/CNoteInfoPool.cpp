// The shared pool of open-note records.
#include "packed/CNoteInfoPool.h"

#include "events/Trace.h"

CNoteInfoPool& CNoteInfoPool::Instance()
{
    static CNoteInfoPool pool;
    return pool;
}

CNoteInfoPool::CNoteInfoPool()
{
    for (size_t i = Capacity; i-- > 0;)
        Release(&records[i]);
}

CNoteInfo* CNoteInfoPool::GetNewNote()
{
    CNoteInfo* note = freeHead;
    if (note == nullptr) {
        Trace("CNoteInfoPool::GetNewNote() - Pool of notes is exhausted");
        return nullptr;
    }
    freeHead = note->next;
    note->next = nullptr;
    --freeCount;
    return note;
}

void CNoteInfoPool::Release(CNoteInfo* note)
{
    note->next = freeHead;
    freeHead = note;
    ++freeCount;
}
