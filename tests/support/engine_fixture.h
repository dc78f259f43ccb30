// Shared helpers for engine tests: a temporary folder, WAV fixtures written with libsndfile,
// a recorded run of the engine, and decoding of its MP3 output.
#pragma once

#include "app/audio_file.h"
#include "app/task_builder.h"
#include "engine/conversion_task.h"
#include "platform/recording_sink.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testing_support
{

struct WavSpec
{
    int rate = 44100;
    int channels = 2;
    int format = 0; // SF_FORMAT_WAV | subformat; 0 means 16-bit PCM
    double seconds = 1.0;
    double amplitude = 0.5; // peak of the generated tones (float files may exceed 1.0)
};

// Writes a WAV of tones (a different frequency per channel) and returns its frame count.
int64_t WriteWav(const std::string& path, const WavSpec& spec);
// Writes the given interleaved samples (as ints through sf_writef_int) in a 16-bit WAV file.
void WriteWavInt16(const std::string& path, int rate, int channels,
                   const std::vector<int16_t>& samples);
// Writes interleaved floats in a 32-bit float WAV file.
void WriteWavFloat(const std::string& path, int rate, int channels,
                   const std::vector<float>& samples);

struct DecodedInfo
{
    bool ok = false;
    int rate = 0;
    int channels = 0;
    int64_t frames = 0;
    double Seconds() const { return rate ? static_cast<double>(frames) / rate : 0.0; }
};
// Opens a file (an MP3 too) with libsndfile and reads all of it.
DecodedInfo Decode(const std::string& path);
// True when the first MP3 frame of the file is an information frame ("Info" or "Xing").
bool HasInfoTag(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Probes a file and builds its task with the given settings, as the convert command does.
CConversionTask TaskFor(const std::string& path, const AppSettingsRecord& settings);

// One run of the engine against a recording sink. The rings exist for the test's life.
class EngineRun
{
public:
    EngineRun();
    ~EngineRun();

    void Add(CConversionTask task);
    // Starts the run (no start delay) and returns at once.
    void Start();
    // Waits for the batch thread, at most timeoutMs; true when it ended.
    bool Wait(unsigned timeoutMs = 120000);
    // Start + Wait.
    bool Run();

    platform::CRecordingSink& Sink() { return m_sink; }
    ConversionRunState& State() { return m_prog.m_run; }
    std::vector<std::string> LogTexts() const;
    bool Finished() const { return m_sink.CountMessages(platform::WM_CONV_DONE) == 1; }

private:
    platform::CRecordingSink m_sink;
    CConvProgBase m_prog;
};

} // namespace testing_support
