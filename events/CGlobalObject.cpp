// Global objects and the collector that broadcasts their start-up and shut-down hooks.
#include "events/CGlobalObject.h"

namespace {
// Constant-initialised, so registrations from any static initialiser find it ready.
CGlobalObjectCollector* collector = nullptr;
} // namespace

CGlobalObjectBase::CGlobalObjectBase()
{
    CGlobalObjectCollector::Register(this);
}

CGlobalObjectBase::~CGlobalObjectBase()
{
    CGlobalObjectCollector::Unregister(this);
}

CGlobalObjectCollector* CGlobalObjectCollector::Instance()
{
    return collector;
}

void CGlobalObjectCollector::Register(CGlobalObjectBase* object)
{
    if (!collector)
        collector = new CGlobalObjectCollector;
    collector->head = new CGlobalObjItem{object, collector->head};
}

void CGlobalObjectCollector::Unregister(CGlobalObjectBase* object)
{
    if (!collector)
        return;
    for (CGlobalObjItem** link = &collector->head; *link; link = &(*link)->next) {
        if ((*link)->object == object) {
            CGlobalObjItem* item = *link;
            *link = item->next;
            delete item;
            break;
        }
    }
    if (!collector->head)
        Destroy();
}

void CGlobalObjectCollector::Destroy()
{
    delete collector;
    collector = nullptr;
}

CGlobalObjectCollector::~CGlobalObjectCollector()
{
    while (CGlobalObjItem* item = head) {
        head = item->next;
        delete item;
    }
}

void CGlobalObjectCollector::Broadcast(int (CGlobalObjectBase::*hook)())
{
    if (!collector)
        return;
    for (const CGlobalObjItem* item = collector->head; item; item = item->next)
        (item->object->*hook)();
}

void CGlobalObjectCollector::BroadcastStartup()
{
    Broadcast(&CGlobalObjectBase::OnStartup);
}

void CGlobalObjectCollector::BroadcastStartupLate()
{
    Broadcast(&CGlobalObjectBase::OnStartupLate);
}

void CGlobalObjectCollector::BroadcastShutdown()
{
    Broadcast(&CGlobalObjectBase::OnShutdown);
}

void CGlobalObjectCollector::BroadcastShutdownLate()
{
    Broadcast(&CGlobalObjectBase::OnShutdownLate);
}

CGlobalObjectsScope::CGlobalObjectsScope()
{
    CGlobalObjectCollector::BroadcastStartup();
    CGlobalObjectCollector::BroadcastStartupLate();
}

CGlobalObjectsScope::~CGlobalObjectsScope()
{
    CGlobalObjectCollector::BroadcastShutdown();
    CGlobalObjectCollector::BroadcastShutdownLate();
    CGlobalObjectCollector::Destroy();
}

int RunWithGlobalObjects(const std::function<int()>& mainRoutine)
{
    CGlobalObjectsScope scope;
    return mainRoutine();
}
