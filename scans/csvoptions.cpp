#include "scans/csvoptions.h"

bool csvUseShortNames = false;
