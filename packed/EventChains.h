// Small operations on event chains shared by the packed subsystem.
#pragma once

#include "events/CEventsPool.h"

// Keeps the events of `chain` for which `keep(event)` is true, in order, and releases the others
// one by one. Answers the chain of kept events (null when none).
template <typename Keep> CLinkedEvent* KeepEvents(CLinkedEvent* chain, Keep keep)
{
    CLinkedEvent* kept = nullptr;
    CLinkedEvent** link = &kept;
    while (chain) {
        CLinkedEvent* following = chain->next;
        chain->next = nullptr;
        if (keep(static_cast<const CEvent&>(*chain))) {
            *link = chain;
            link = &chain->next;
        } else {
            EventsPool().ReleaseEvents(chain);
        }
        chain = following;
    }
    return kept;
}
