// The example bank and its extended program list, made up by the generator on every run.
#pragma once

#include <cstdint>
#include <vector>

class CExampleBank {
public:
    static constexpr int MaxBenchStyles = 60;

    // The bank image: the four example styles in 4/4, 3/4 and 6/8 (one of the old format, one with an
    // extended program, all compacted), or with `benchStyles` (1 to MaxBenchStyles) that many longer
    // styles for benchmarks. The same bytes on every run; false when a style could not be built.
    static bool Build(int benchStyles, std::vector<uint8_t>& bank);
    // The text of ExtProgList.txt that goes with the bank.
    static const char* ExtProgList();
};
