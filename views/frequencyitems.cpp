#include "views/frequencyitems.h"

#include "scans/basescan.h"

#include <mutex>

QStringList frequencyItemTexts(BaseScan& scan)
{
    QStringList texts;
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (!scan.dataSets.empty())
        for (const auto& record : scan.dataSets.front()->records)
            texts << QStringLiteral("F%1 MHz").arg(record->frequencyMHz, 0, 'g', 6);
    return texts;
}
