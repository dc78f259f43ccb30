// The encoder stage: samples from the task's encoderInput ring into a tagged constant-bit-rate
// MP3 file, through the encoder library loaded at run time. The only source of progress.
#pragma once

#include "engine/conversion_task.h"
#include "lame_enc/lame_enc.h"

#include <string>

// The entry points looked up by name; all but beWriteInfoTag are required.
struct EncoderEntryPoints
{
    BeInitStreamFn beInitStream = nullptr;
    BeEncodeChunkFloatS16NIFn beEncodeChunkFloatS16NI = nullptr;
    BeDeinitStreamFn beDeinitStream = nullptr;
    BeCloseStreamFn beCloseStream = nullptr;
    BeWriteVBRHeaderFn beWriteVBRHeader = nullptr;
    BeWriteInfoTagFn beWriteInfoTag = nullptr;
};

inline constexpr const char* DefaultEncoderLibraryName = "liblame_enc.so";

// The library's file name, looked for beside the executable first, then on the system's
// library path. A name with a "/" is used as it stands. Tests point it elsewhere.
void SetEncoderLibraryName(const std::string& name);
std::string EncoderLibraryName();

// Loads the library (it stays loaded for the rest of the process); null when it cannot.
void* LoadEncoderLibrary();
// False when a required entry point is missing.
bool LookUpEntryPoints(void* library, EncoderEntryPoints& entries);

// The configuration record for a task: CBR at the settings' bit rate, plain stereo or mono,
// quality 9, no bit reservoir, with the information tag.
BE_CONFIG MakeEncoderConfig(const CConversionTask& task, int bitRateKbps);

// 32-bit samples to the encoder's 16-bit-scale floats: sample x 2^-16.
inline float SampleToFloat(int32_t sample)
{
    return static_cast<float>(static_cast<double>(sample) * (1.0 / 65536.0));
}

// Thread body of the encoder stage. Returns 0.
int EncodeTask(CConversionTask& task);

// Reports the two percentages to the run's window: posted, or sent when wait is true.
void PostProgress(float currentPercent, float overallPercent, bool wait);
