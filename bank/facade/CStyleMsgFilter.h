// The style event filter used on import, and the facade's holder of further filter stages.
#pragma once

#include "packed/CPropPattUnmerge.h"

#include <cstdint>
#include <memory>

class CNstEditIfc;

// Takes the expression controller (control change 11) at tick 0: a style element keeps that value
// in its track parameters, so a pattern must not carry it at its start. Every other event, and
// control change 11 at any later tick, passes.
class CStyleMsgFilter : public CFilterOut {
public:
    static constexpr uint8_t ExpressionController = 11;

    bool Accept(const CEvent& event, uint32_t time) override;
};

// Holder of two optional filter stages owned by a facade. Both start empty; Accept asks the
// installed stages in order and takes the event when one of them does (false with none).
class CNstFilterIfc : public CFilterOut {
public:
    // `owner`: the facade that created the holder (not owned, may be null).
    explicit CNstFilterIfc(CNstEditIfc* creator) : owner(creator) {}

    // Installs (or, with null, removes) a stage; the holder owns it from then on and deletes the
    // one it replaces.
    void SetStage1(std::unique_ptr<CFilterOut> stage) { stage1 = std::move(stage); }
    void SetStage2(std::unique_ptr<CFilterOut> stage) { stage2 = std::move(stage); }

    bool Accept(const CEvent& event, uint32_t time) override;

    CNstEditIfc* Owner() const { return owner; }

private:
    CNstEditIfc* owner;
    std::unique_ptr<CFilterOut> stage1;
    std::unique_ptr<CFilterOut> stage2;
};
