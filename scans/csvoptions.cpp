#include "scans/csvoptions.h"

QString csvDelimiter;
bool csvUseShortNames = false;
bool csvUseFullTimestamp = false;
