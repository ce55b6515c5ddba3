// The single diagnostic sink of the engine.
#include "events/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {
TraceListener& Listener()
{
    static TraceListener listener;
    return listener;
}
} // namespace

void Trace(const char* format, ...)
{
    TraceListener& listener = Listener();
    if (!listener)
        return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    listener(line);
}

TraceListener SetTraceListener(TraceListener listener)
{
    return std::exchange(Listener(), std::move(listener));
}

CTraceCapture::CTraceCapture()
    : previous(SetTraceListener([this](std::string_view line) { lines.emplace_back(line); }))
{
}

CTraceCapture::~CTraceCapture()
{
    SetTraceListener(std::move(previous));
}

bool CTraceCapture::Contains(std::string_view text) const
{
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}
