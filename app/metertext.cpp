#include "app/metertext.h"

#include "scans/parameternames.h"

#include <cmath>

QString meterValueText(int parameterId, double first, double second)
{
    const QString unit = ParameterNames::shared().htmlUnit(parameterId);
    if (!isCompositeParameter(parameterId))
        return QStringLiteral("%1 %2").arg(first, 0, 'f', 2).arg(unit);
    if (!isComplexParameter(parameterId))
        return QStringLiteral("%1 %3 &ang;%2<b></b>").arg(first, 0, 'f', 2).arg(second, 0, 'f', 1).arg(unit);
    const QString pattern = second >= 0.0 ? QStringLiteral("%1 + %2j %3") : QStringLiteral("%1 - %2j %3");
    return pattern.arg(first, 0, 'f', 2).arg(std::fabs(second), 0, 'f', 2).arg(unit);
}
