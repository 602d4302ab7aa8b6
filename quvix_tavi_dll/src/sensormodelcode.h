#pragma once

// The model codes that getModel() gives.
enum SensorModelCode { SingleFrequencyModel = 1, MultiFrequencyModel = 3, KadroModel = 4 };

// The capability texts (static; never freed by the caller).
extern const char* const kSingleFrequencyCapabilities;
extern const char* const kMultiFrequencyCapabilities;
