// The system's time base: 384 ticks per quarter note everywhere inside it.
#pragma once

#include <cstdint>

constexpr int32_t kTicksPerQuarter = 384;

// Ticks of one measure of `numerator` / 2^`denomExp` (the exponent is taken modulo 8, as the element
// header's three bits hold it).
constexpr int32_t MeasureTicks(uint8_t numerator, uint8_t denomExp)
{
    return (4 * kTicksPerQuarter >> (denomExp & 7)) * numerator;
}
