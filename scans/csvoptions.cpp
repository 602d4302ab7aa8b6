#include "scans/csvoptions.h"

#include <mutex>
#include <thread>

thread_local QString csvDelimiter;
thread_local bool csvUseShortNames = false;
thread_local bool csvUseFullTimestamp = false;

namespace {

thread_local std::array<bool, csvOptionIndexCount> columnsInView{};

// The applied set and the thread that applied it, guarded by appliedLock.
std::mutex appliedLock;
CsvOptionSet appliedSet;
std::thread::id applyingThread;

void takeIntoView(const CsvOptionSet& options)
{
    csvDelimiter = options.delimiter;
    csvUseShortNames = options.useShortNames;
    csvUseFullTimestamp = options.useFullTimestamp;
    columnsInView = options.columns;
}

} // namespace

CsvOptionSet csvOptionsInView()
{
    CsvOptionSet options;
    options.delimiter = csvDelimiter;
    options.useShortNames = csvUseShortNames;
    options.useFullTimestamp = csvUseFullTimestamp;
    options.columns = columnsInView;
    return options;
}

void applyCsvOptions(const CsvOptionSet& options)
{
    takeIntoView(options);
    std::lock_guard<std::mutex> lock(appliedLock);
    appliedSet = options;
    applyingThread = std::this_thread::get_id();
}

bool csvColumnEnabled(int optionIndex)
{
    if (optionIndex < 0 || optionIndex >= csvOptionIndexCount)
        return false;
    return columnsInView[static_cast<size_t>(optionIndex)];
}

void pinAppliedCsvOptions()
{
    CsvOptionSet copy;
    {
        std::lock_guard<std::mutex> lock(appliedLock);
        if (applyingThread == std::thread::id() || applyingThread == std::this_thread::get_id())
            return;
        copy = appliedSet;
    }
    takeIntoView(copy);
}
