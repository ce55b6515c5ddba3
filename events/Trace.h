// The single diagnostic sink of the engine: "Class::Operation() - text" lines, silent by default.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// MinGW's "printf" checks against the old Windows runtime, which lacks %zu; the C library MinGW builds
// link formats as C99 does.
#ifdef __MINGW32__
#define RY7_TRACE_FORMAT gnu_printf
#else
#define RY7_TRACE_FORMAT printf
#endif

// Formats a diagnostic line printf-style and hands it to the current listener. With no listener set
// (the default) nothing is formatted and the call costs one branch. Diagnostics never change a result.
void Trace(const char* format, ...) __attribute__((format(RY7_TRACE_FORMAT, 1, 2)));

// Receives every formatted diagnostic line.
using TraceListener = std::function<void(std::string_view line)>;

// Installs `listener` (an empty one silences the sink) and returns the one it replaces.
TraceListener SetTraceListener(TraceListener listener);

// Collects every diagnostic emitted during its lifetime; restores the previous listener on destruction.
// Meant for tests that check which traces an operation gave.
class CTraceCapture {
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    const std::vector<std::string>& Lines() const { return lines; }
    // True when some captured line contains `text`.
    bool Contains(std::string_view text) const;
    void Clear() { lines.clear(); }

private:
    std::vector<std::string> lines;
    TraceListener previous;
};
