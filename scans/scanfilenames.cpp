#include "scans/scanfilenames.h"

#include <QFileInfo>

namespace {

const QString datEnding = QStringLiteral(".dat");
const QString csvEnding = QStringLiteral(".csv");

} // namespace

QString ScanFileNames::scanFile(const QString& typed)
{
    return typed.endsWith(datEnding, Qt::CaseInsensitive) ? typed : typed + datEnding;
}

QString ScanFileNames::companionOf(const QString& scanFile)
{
    if (!scanFile.endsWith(datEnding, Qt::CaseInsensitive))
        return scanFile + csvEnding;
    const QString stem = scanFile.left(scanFile.size() - datEnding.size());
    return stem.endsWith(csvEnding, Qt::CaseInsensitive) ? stem : stem + csvEnding;
}

QString ScanFileNames::exportFile(const QString& typed)
{
    if (typed.isEmpty() || QFileInfo(typed).fileName().contains(QLatin1Char('.')))
        return typed;
    return typed + csvEnding;
}
