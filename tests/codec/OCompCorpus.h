// Deterministic inputs for the block codec's tests and benchmarks: noise, noise without any repeated
// three-byte sequence, MIDI-like event patterns and English-like text.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace ocomp_corpus {

// Raw engine output only: the standard fixes mt19937's sequence but not its distributions'.
inline std::vector<uint8_t> RandomBytes(std::size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> data(n);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng() >> 24);
    return data;
}

// Noise in which no three consecutive bytes occur twice, so no encoder finds a single match.
inline std::vector<uint8_t> UniqueTripletBytes(std::size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<bool> used(1u << 24);
    std::vector<uint8_t> data;
    data.reserve(n);
    while (data.size() < n) {
        auto b = static_cast<uint8_t>(rng() >> 24);
        if (data.size() >= 2) {
            const uint32_t prefix = static_cast<uint32_t>(data[data.size() - 2]) << 16 | data.back() << 8;
            while (used[prefix | b])
                ++b;
            used[prefix | b] = true;
        }
        data.push_back(b);
    }
    return data;
}

// Drum and bass patterns as delta-time / status / note / velocity events: each bar repeats one of a few
// patterns with small velocity changes and the odd fill, as recorded accompaniment does.
inline std::vector<uint8_t> MidiLikeEvents(std::size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    static constexpr std::array<uint8_t, 8> kDrums = {36, 38, 42, 46, 49, 45, 48, 51};
    static constexpr std::array<uint8_t, 8> kBass = {28, 31, 33, 35, 36, 38, 40, 43};
    std::vector<uint8_t> data;
    data.reserve(n + 64);
    unsigned pattern = 0;
    while (data.size() < n) {
        if (rng() % 4 == 0)
            pattern = rng() % 3;
        const bool fill = rng() % 8 == 0;
        for (unsigned step = 0; step < 16; ++step) {
            const unsigned drum = fill ? rng() % 8 : (step * (pattern + 1) + pattern) % 4;
            const auto velocity = static_cast<uint8_t>(96 + (step % 4 == 0 ? 24 : 0) + rng() % 4);
            data.insert(data.end(), {0x60, 0x99, kDrums[drum], velocity, 0x00, 0x89, kDrums[drum], 0x40});
            if (step % 4 == pattern % 2) {
                const uint8_t note = kBass[(step / 4 + pattern * 2) % 8];
                data.insert(data.end(), {0x00, 0x92, note, 0x64, 0x81, 0x40, 0x82, note, 0x40});
            }
        }
    }
    data.resize(n);
    return data;
}

// Sentences of common words with capitals, commas, full stops and paragraph breaks.
inline std::vector<uint8_t> EnglishLikeText(std::size_t n, uint32_t seed)
{
    static constexpr std::string_view kWords[] = {
        "the",     "of",      "and",     "to",      "in",    "a",        "is",      "that",   "for",
        "it",      "as",      "was",     "with",    "be",    "by",       "on",      "not",    "he",
        "this",    "are",     "or",      "his",     "from",  "at",       "which",   "but",    "have",
        "an",      "had",     "they",    "you",     "were",  "their",    "one",     "all",    "we",
        "can",     "her",     "has",     "there",   "been",  "if",       "more",    "when",   "will",
        "would",   "who",     "so",      "no",      "music", "rhythm",   "style",   "bass",   "chord",
        "pattern", "tempo",   "player",  "drums",   "song",  "keyboard", "evening", "played", "slowly",
        "bright",  "morning", "between", "through", "again", "always",   "little"};
    std::mt19937 rng(seed);
    std::vector<uint8_t> data;
    data.reserve(n + 16);
    bool capital = true;
    while (data.size() < n) {
        // Frequent words dominate, as in real prose.
        const uint32_t r = rng();
        const std::size_t index = (r % 2 == 0) ? (r >> 8) % 16 : (r >> 8) % std::size(kWords);
        for (char ch : kWords[index]) {
            data.push_back(static_cast<uint8_t>(capital && ch >= 'a' ? ch - 'a' + 'A' : ch));
            capital = false;
        }
        const uint32_t mark = rng() % 24;
        if (mark == 0) {
            data.insert(data.end(), {'.', '\n', '\n'});
            capital = true;
        } else if (mark < 3) {
            data.insert(data.end(), {'.', ' '});
            capital = true;
        } else {
            if (mark < 5)
                data.push_back(',');
            data.push_back(' ');
        }
    }
    data.resize(n);
    return data;
}

} // namespace ocomp_corpus
