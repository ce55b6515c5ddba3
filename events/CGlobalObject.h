// Global objects: the pools that live before and after the main routine, and the registry that drives them.
#pragma once

#include <functional>

// Base of every global object. Construction registers the object with the collector (creating the
// collector on first use); destruction unregisters it. The four hooks are broadcast in this order
// around the main routine; each answers 0 unless overridden.
class CGlobalObjectBase {
public:
    CGlobalObjectBase();
    virtual ~CGlobalObjectBase();
    CGlobalObjectBase(const CGlobalObjectBase&) = delete;
    CGlobalObjectBase& operator=(const CGlobalObjectBase&) = delete;

    virtual int OnStartup() { return 0; }
    virtual int OnStartupLate() { return 0; }
    virtual int OnShutdown() { return 0; }
    // Where pools release their storage.
    virtual int OnShutdownLate() { return 0; }
};

// One registration: the object (not owned) and the next item.
struct CGlobalObjItem {
    CGlobalObjectBase* object;
    CGlobalObjItem* next;
};

// The registry of global objects, newest first. One collector exists, created on the first
// registration; it owns its items, never the objects.
class CGlobalObjectCollector {
public:
    // The collector, or null when none exists.
    static CGlobalObjectCollector* Instance();
    // Pushes an item for `object` at the head, creating the collector if there is none.
    static void Register(CGlobalObjectBase* object);
    // Removes the item of `object`, if any; deletes the collector when its list becomes empty.
    static void Unregister(CGlobalObjectBase* object);
    // Deletes the collector and its items (never the objects) and clears the instance.
    static void Destroy();

    // Broadcasts: the hook is called on every object from the head of the list.
    static void BroadcastStartup();
    static void BroadcastStartupLate();
    static void BroadcastShutdown();
    static void BroadcastShutdownLate();

    const CGlobalObjItem* Head() const { return head; }

    ~CGlobalObjectCollector();

private:
    CGlobalObjectCollector() = default;
    static void Broadcast(int (CGlobalObjectBase::*hook)());

    CGlobalObjItem* head = nullptr;
};

// Brackets a program's main routine: construction broadcasts OnStartup then OnStartupLate;
// destruction (also when the routine throws) broadcasts OnShutdown then OnShutdownLate and deletes
// the collector. After it the global pools have released their storage and serve nothing.
class CGlobalObjectsScope {
public:
    CGlobalObjectsScope();
    ~CGlobalObjectsScope();
    CGlobalObjectsScope(const CGlobalObjectsScope&) = delete;
    CGlobalObjectsScope& operator=(const CGlobalObjectsScope&) = delete;
};

// Runs `mainRoutine` inside a CGlobalObjectsScope and returns its result.
int RunWithGlobalObjects(const std::function<int()>& mainRoutine);
