// Open-note bookkeeping for note mode.
#include "packed/CNotesTracer.h"

CNotesTracer::~CNotesTracer()
{
    Clear();
}

bool CNotesTracer::Add(uint16_t key, int32_t position, int16_t onOffset, uint32_t onBase)
{
    CNoteInfo* note = CNoteInfoPool::Instance().GetNewNote();
    if (note == nullptr)
        return false;
    note->key = key;
    note->position = position;
    note->onOffset = onOffset;
    note->onBase = onBase;
    note->next = head;
    head = note;
    return true;
}

void CNotesTracer::Unlink(CNoteInfo** link, Open& out)
{
    CNoteInfo* note = *link;
    out = {note->key, note->position, note->onOffset, note->onBase};
    *link = note->next;
    CNoteInfoPool::Instance().Release(note);
}

bool CNotesTracer::Take(uint16_t key, Open& out)
{
    for (CNoteInfo** link = &head; *link != nullptr; link = &(*link)->next) {
        if ((*link)->key == key) {
            Unlink(link, out);
            return true;
        }
    }
    return false;
}

bool CNotesTracer::TakeFirst(Open& out)
{
    if (head == nullptr)
        return false;
    Unlink(&head, out);
    return true;
}

void CNotesTracer::Shift(uint32_t ticks)
{
    for (CNoteInfo* note = head; note != nullptr; note = note->next)
        note->onBase += ticks;
}

void CNotesTracer::Clear()
{
    Open ignored;
    while (TakeFirst(ignored)) {
    }
}
