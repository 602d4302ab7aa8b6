#pragma once

#include "quvix2_base.h"

#include <memory>
#include <vector>

// Opens the sensor with this serial as an object of its model (chosen by
// the model word of its info record) and puts it into calibration mode.
// The caller owns the result; deleting it closes the sensor. Null when the
// sensor is absent, in use, silent, or of an unknown model.
std::unique_ptr<quvix2_base> openSensor(const char* serial);

// Lists the attached sensors (see enumerateSensors).
void listSensors(std::vector<SensorListEntry>& list);
