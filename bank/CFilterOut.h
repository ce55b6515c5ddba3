// The event filter interface that a stream splitter asks before it distributes a channel event.
#pragma once

#include "events/CEvent.h"

#include <cstdint>

// A filter sees each channel event with the absolute tick of its chain and may take it: a taken
// event is distributed nowhere. Filters keep no reference to the event.
class CFilterOut {
public:
    CFilterOut() = default;
    virtual ~CFilterOut() = default;
    CFilterOut(const CFilterOut&) = delete;
    CFilterOut& operator=(const CFilterOut&) = delete;

    // True when the filter takes `event` (at absolute tick `time`); false lets it through.
    virtual bool Accept(const CEvent& event, uint32_t time) = 0;
};
