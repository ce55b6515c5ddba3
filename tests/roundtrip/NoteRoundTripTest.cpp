// Notes in the keyboard's own form and as split ons and offs survive every step that rewrites patterns.
#include "tools/notecheck/CNoteRoundTrip.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace {
uint32_t Seed()
{
    const char* text = std::getenv("RY7_SEED");
    return text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 0)) : std::random_device{}();
}
} // namespace

TEST(NoteRoundTrip, EveryStepExportsTheNotesOfGeneratedPatterns)
{
    const uint32_t seed = Seed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (rerun with RY7_SEED)");
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(4096);
    for (int round = 0; round < 40; ++round) {
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(rng());
        const CStylePlan plan = StylePlanFrom(bytes.data(), bytes.size());
        ASSERT_EQ(CheckNoteRoundTrip(plan), "") << "round " << round;
    }
}
