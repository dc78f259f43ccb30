// The processing stage: a libsox effects chain from DecodedRing to ProcessedRing that converts
// channels and sampling frequency and band-limits the signal.
#pragma once

#include "engine/conversion_task.h"

#include <sox.h>
#include <string>
#include <vector>

// Initialises libsox once per process. Must run before the first chain: without it the "rate"
// effect aborts the process. libsox is never shut down, since a chain may still run.
void InitAudioProcessing();

// Thread body of the processing stage. Returns 0.
int ProcessTask(CConversionTask& task);

// Builds the chain input, [channels], [rate], lowpass, highpass, output for a task. The names
// of the effects that libsox accepted are appended to accepted when it is given. The caller
// deletes the chain with sox_delete_effects_chain.
sox_effects_chain_t* BuildProcessingChain(const CConversionTask& task,
                                          std::vector<std::string>* accepted = nullptr);

// The chain's own two ends.
int InputDrain(sox_effect_t* effect, sox_sample_t* samples, size_t* count);
int OutputFlow(sox_effect_t* effect, const sox_sample_t* in, sox_sample_t* out, size_t* inCount,
               size_t* outCount);
