#include "scans/processvalues.h"

QString applicationVersionString;
int newerFileState = NewerFileIdle;
const ParameterNames& parameterNames = ParameterNames::shared();

QString softwareIdentification(const QString& product, int major, int minor, int patch)
{
    return QStringLiteral("%1 %2.%3.%4").arg(product).arg(major).arg(minor).arg(patch);
}
