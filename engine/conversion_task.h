// The task record of one WAV-to-MP3 job and the shared state of one conversion run.
#pragma once

#include "engine/ring_buffer.h"
#include "platform/message_sink.h"
#include "platform/worker_thread.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// An atomic flag that can be copied with its record (copying loads the value).
struct CopyableFlag
{
    std::atomic<bool> value{false};

    CopyableFlag() = default;
    CopyableFlag(const CopyableFlag& other) : value(other.value.load()) {}
    CopyableFlag& operator=(const CopyableFlag& other)
    {
        value.store(other.value.load());
        return *this;
    }
};

inline constexpr int32_t FileTypeWav = 1;
inline constexpr int32_t FileTypeMp3 = 2;

class CConversionTask
{
public:
    std::string source;      // full path of the WAV file
    int32_t sourceType = -1; // FileTypeWav is the only type that is read
    uint32_t sourceRate = 0xFFFFFFFF;
    uint32_t sourceChannels = 0xFFFFFFFF;
    std::string destination; // full path of the MP3 file; may become a unique variant
    int32_t destType = -1;   // FileTypeMp3 is the only type that is encoded
    uint32_t destRate = 0xFFFFFFFF;
    uint32_t destChannels = 0xFFFFFFFF;
    uint64_t destSamples = 0; // expected output samples over all channels (an estimate)
    double rateRatio = 0;
    bool needsProcessing = false;
    // Each flag has one writer: the batch thread, the encoder thread, the processing thread.
    CopyableFlag readerBusy;
    CopyableFlag encoderBusy;
    CopyableFlag processorBusy;
    SampleRing* encoderInput = nullptr;

    // Flags whose writer has finished are stored with release order after its last samples;
    // loads use acquire so that a consumer seeing false also sees those samples.
    static bool Get(const CopyableFlag& f) { return f.value.load(std::memory_order_acquire); }
    static void Set(CopyableFlag& f, bool v) { f.value.store(v, std::memory_order_release); }
};

// (destRate x destChannels) / (sourceRate x sourceChannels); the numerator is a 32-bit product.
double ComputeRateRatio(uint32_t destRate, uint32_t destChannels, uint32_t sourceRate,
                        uint32_t sourceChannels);
// ratio x totalSamples truncated, then lowered to a multiple of destChannels.
uint64_t ComputeDestSamples(double rateRatio, uint64_t totalSamples, uint32_t destChannels);

// The state of one run, shared by the window's thread and the pipeline threads. No locks:
// flags and counters are atomics, each counter has one writer.
struct ConversionRunState
{
    std::atomic<bool> running{false};
    std::atomic<bool> paused{false};
    std::atomic<uint64_t> overallDone{0}; // encoder
    std::atomic<uint64_t> currentDone{0}; // encoder; reset by the runner between tasks
    uint64_t overallTotal = 0;            // set before the run starts
    std::atomic<float> overallSeconds{0}; // encoder
    std::atomic<float> currentSeconds{0}; // encoder; reset by the runner between tasks
    std::atomic<int32_t> taskIndex{0};
    platform::CWorkerThread batchThread;
    platform::CWorkerThread encoderThread;
    platform::CWorkerThread processorThread;
    std::vector<CConversionTask> tasks; // complete before the run starts
    std::atomic<uint32_t> taskStartTick{0};
    std::atomic<uint32_t> batchStartTick{0};

    bool IsRunning() const { return running.load(std::memory_order_acquire); }
    // Any stage may end the run; it never starts again.
    void Stop() { running.store(false, std::memory_order_release); }
};

// What the stages of a run reach: the run state and the window that shows it. The progress
// window is one; tests and the batch driver provide their own.
class CConvProgBase
{
public:
    explicit CConvProgBase(platform::IMessageSink& sink) : m_sink(sink) {}
    virtual ~CConvProgBase() = default;
    CConvProgBase(const CConvProgBase&) = delete;
    CConvProgBase& operator=(const CConvProgBase&) = delete;

    platform::IMessageSink& Sink() { return m_sink; }
    ConversionRunState m_run;

private:
    platform::IMessageSink& m_sink;
};

// The run whose window the stages report to, set when that window opens.
extern CConvProgBase* ActiveConvProg;
// The batch runner's copy of the task being converted, set by RunTask.
extern CConversionTask* CurrentTask;

// Posts one log line (WM_CONV_LOG) to the active run's window.
void PostLog(int level, std::string text);
// printf-style formatting into a std::string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
