// The decoder base: time pair bookkeeping shared by every decoder.
#include "events/CDecBase.h"

int CDecBase::Reset()
{
    elapsedTime = 0;
    return 1;
}

int CDecBase::Snapshot()
{
    snapshotDelay = currentDelay;
    snapshotElapsed = elapsedTime;
    return 1;
}

int CDecBase::Restore()
{
    currentDelay = snapshotDelay;
    elapsedTime = snapshotElapsed;
    return 1;
}

int32_t CDecBase::RewindTimed()
{
    elapsedTime = 0;
    const int32_t delay = OnRewind();
    SetCurrentDelay(delay);
    return delay;
}

int32_t CDecBase::ExtractTimed(CLinkedEvent*& chain)
{
    if (CurrentDelay() != NoDelay)
        elapsedTime += currentDelay;
    const int32_t delay = ExtractEvent(chain);
    SetCurrentDelay(delay);
    return delay;
}
