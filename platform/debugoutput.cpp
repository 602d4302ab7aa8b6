#include "platform/debugoutput.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& sinkLock()
{
    static std::mutex lock;
    return lock;
}

DebugOutput::Sink& currentSink()
{
    static DebugOutput::Sink sink;
    return sink;
}

} // namespace

void DebugOutput::write(const char* text)
{
    const std::string line = text ? text : "";
    std::lock_guard<std::mutex> guard(sinkLock());
    if (currentSink()) {
        currentSink()(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

DebugOutput::Sink DebugOutput::setSink(Sink sink)
{
    std::lock_guard<std::mutex> guard(sinkLock());
    Sink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}
