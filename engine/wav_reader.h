// The reading step of a task: the source WAV file into DecodedRing as masked 32-bit samples.
#pragma once

#include "engine/conversion_task.h"

#include <cstddef>
#include <cstdint>

// Only the sign and the next nine bits of every sample survive.
inline constexpr uint32_t SampleMask = 0xFFC00000u;
inline constexpr int ReadBlockFrames = 4096;

// Runs on the batch thread. Fails only when libsndfile cannot open the source; a run that is
// cancelled while reading still counts as success.
bool ReadWav(CConversionTask& task);

// Normalised doubles to 32-bit samples: x 2^31, clipped, rounded to nearest (ties to even);
// values below the range and NaN give the most negative sample.
void DoubleToSample(const double* values, int32_t* samples, size_t count);
