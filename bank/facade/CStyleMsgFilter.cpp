// The style event filter and the filter stage holder.
#include "bank/facade/CStyleMsgFilter.h"

bool CStyleMsgFilter::Accept(const CEvent& event, uint32_t time)
{
    return time == 0 && event.Kind() == EventKind::Control && event.Data1() == ExpressionController;
}

bool CNstFilterIfc::Accept(const CEvent& event, uint32_t time)
{
    return (stage1 && stage1->Accept(event, time)) || (stage2 && stage2->Accept(event, time));
}
