#include "engine/mp3_encoder.h"

#include "platform/message_box.h"
#include "platform/tick.h"
#include "platform/worker_thread.h"
#include "settings/app_settings.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

using platform::LogError;

namespace
{
std::mutex g_libraryNameMutex;
std::string g_libraryName = DefaultEncoderLibraryName;

std::string ExecutableFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = '\0';
    std::string path(buf);
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

float Percent(uint64_t done, uint64_t total)
{
    // Nothing to do counts as all done, rather than a quotient that is not a number.
    if (total == 0)
        return 100.0f;
    return static_cast<float>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
}

void ReportProgress(const CConversionTask& task, const ConversionRunState& run, bool wait)
{
    PostProgress(Percent(run.currentDone.load(), task.destSamples),
                 Percent(run.overallDone.load(), run.overallTotal), wait);
}

// Adds to a counter that only this thread writes.
template <typename T> void Add(std::atomic<T>& counter, T amount)
{
    counter.store(counter.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

// Logs a stage failure and ends the run.
void Fail(ConversionRunState& run, std::string line)
{
    PostLog(LogError, std::move(line));
    run.Stop();
}

// After a failed chunk or flush the stream is closed and the run ends; nothing of the call's
// output is written. Returns the number of bytes to write.
uint32_t BytesOrFail(BE_ERR error, uint32_t bytes, const char* call, const EncoderEntryPoints& lib,
                     HBE_STREAM stream, ConversionRunState& run)
{
    if (error == BE_ERR_SUCCESSFUL)
        return bytes;
    lib.beCloseStream(stream);
    Fail(run, FormatText("%s failed (%lu)", call, static_cast<unsigned long>(error)));
    return 0;
}

void WriteOrFail(std::FILE* file, const std::vector<uint8_t>& output, uint32_t bytes,
                 ConversionRunState& run)
{
    if (bytes != 0 && std::fwrite(output.data(), 1, bytes, file) != bytes)
        Fail(run, "Output file write error");
}

void Encode(CConversionTask& task, ConversionRunState& run, platform::IMessageSink& sink)
{
    void* library = LoadEncoderLibrary();
    if (!library)
    {
        PostLog(LogError, "Error loading lame_enc.dll");
        sink.MessageBox("Error Loading Lame_enc.dll", platform::MbOk | platform::MbIconError);
        run.Stop();
        return;
    }
    EncoderEntryPoints lib;
    if (!LookUpEntryPoints(library, lib))
    {
        PostLog(LogError, "Unable to get LAME interfaces");
        sink.MessageBox("Unable to Get LAME Interfaces", platform::MbOk | platform::MbIconError);
        run.Stop();
        return;
    }

    BE_CONFIG config = MakeEncoderConfig(task, AppSettings.BitRateKbps());

    // Created exclusively: a file that appeared since the runner chose the name is never
    // overwritten.
    std::FILE* file = std::fopen(task.destination.c_str(), "w+bx");
    if (!file)
    {
        PostLog(LogError, FormatText("Error creating file %s", task.destination.c_str()));
        run.Stop();
        return;
    }

    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
    HBE_STREAM stream = 0;
    static const wchar_t empty[] = L"";
    const BE_ERR initError =
        lib.beInitStream(&config, &samplesPerChunk, &outputBufferSize, &stream, 0, 0, empty, empty,
                         empty, empty, empty, empty, empty, 0, 0, 30, 5, 16000, 2400);
    if (initError != BE_ERR_SUCCESSFUL)
    {
        PostLog(LogError, FormatText("Error opening encoding stream (%lu)",
                                     static_cast<unsigned long>(initError)));
        run.Stop();
        lib.beCloseStream(stream);
        std::fclose(file);
        return;
    }

    const bool mono = task.destChannels == 1;
    std::vector<int32_t> input(samplesPerChunk);
    std::vector<float> left(mono ? samplesPerChunk : samplesPerChunk / 2);
    std::vector<float> right(mono ? 0 : samplesPerChunk / 2);
    std::vector<uint8_t> output(outputBufferSize);
    uint32_t want = samplesPerChunk;
    uint32_t lastReport = platform::GetTickCount32();
    const float channelRate =
        static_cast<float>(task.destChannels) * static_cast<float>(task.destRate);

    while (run.IsRunning())
    {
        if (run.paused.load(std::memory_order_acquire))
        {
            platform::SleepMs(100);
            continue;
        }
        const uint32_t now = platform::GetTickCount32();
        if (platform::TickDiff(now, lastReport) > 100)
        {
            lastReport = now;
            ReportProgress(task, run, false);
        }

        // The producers' flags are read before the ring is measured, so samples written
        // before a flag turned false are always encoded.
        const bool readerBusy = CConversionTask::Get(task.readerBusy);
        const bool processorBusy = CConversionTask::Get(task.processorBusy);
        const uint32_t available = task.encoderInput->Available();
        uint32_t n;
        if (available >= want)
        {
            n = want;
        }
        else if (readerBusy || processorBusy)
        {
            platform::SleepMs(1);
            continue;
        }
        else
        {
            n = available;
            want = 0;
        }
        task.encoderInput->Read(input.data(), n);

        uint32_t frames;
        if (mono)
        {
            frames = n;
            for (uint32_t i = 0; i < n; ++i)
                left[i] = SampleToFloat(input[i]);
        }
        else
        {
            frames = n / 2; // an odd last sample is not encoded
            for (uint32_t i = 0; i < frames; ++i)
            {
                left[i] = SampleToFloat(input[2 * i]);
                right[i] = SampleToFloat(input[2 * i + 1]);
            }
        }
        uint32_t bytes = 0;
        const BE_ERR error = lib.beEncodeChunkFloatS16NI(
            stream, frames, left.data(), mono ? nullptr : right.data(), output.data(), &bytes);
        WriteOrFail(file, output, BytesOrFail(error, bytes, "beEncodeChunk()", lib, stream, run),
                    run);
        Add(run.currentDone, static_cast<uint64_t>(n));
        Add(run.overallDone, static_cast<uint64_t>(n));
        const float seconds = static_cast<float>(n) / channelRate;
        Add(run.overallSeconds, seconds);
        Add(run.currentSeconds, seconds);
        if (want == 0)
            break;
    }

    // These steps also run after a failure or cancellation: a begun file is always flushed,
    // closed and tagged.
    uint32_t bytes = 0;
    const BE_ERR flushError = lib.beDeinitStream(stream, output.data(), &bytes);
    WriteOrFail(file, output, BytesOrFail(flushError, bytes, "beExitStream", lib, stream, run),
                run);
    lib.beCloseStream(stream);
    // Buffered bytes reach the disk only here; a failure here is a write error too.
    if (std::fclose(file) != 0)
        Fail(run, "Output file write error");
    if (lib.beWriteInfoTag)
        lib.beWriteInfoTag(stream, task.destination.c_str());
    else
        lib.beWriteVBRHeader(task.destination.c_str());
    ReportProgress(task, run, true);
}
} // namespace

void SetEncoderLibraryName(const std::string& name)
{
    std::lock_guard lock(g_libraryNameMutex);
    g_libraryName = name;
}

std::string EncoderLibraryName()
{
    std::lock_guard lock(g_libraryNameMutex);
    return g_libraryName;
}

void* LoadEncoderLibrary()
{
    const std::string name = EncoderLibraryName();
    if (name.find('/') == std::string::npos)
    {
        const std::string beside = ExecutableFolder() + "/" + name;
        if (void* library = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

bool LookUpEntryPoints(void* library, EncoderEntryPoints& entries)
{
    entries.beInitStream = reinterpret_cast<BeInitStreamFn>(dlsym(library, "beInitStream"));
    entries.beEncodeChunkFloatS16NI =
        reinterpret_cast<BeEncodeChunkFloatS16NIFn>(dlsym(library, "beEncodeChunkFloatS16NI"));
    entries.beDeinitStream = reinterpret_cast<BeDeinitStreamFn>(dlsym(library, "beDeinitStream"));
    entries.beCloseStream = reinterpret_cast<BeCloseStreamFn>(dlsym(library, "beCloseStream"));
    entries.beWriteVBRHeader =
        reinterpret_cast<BeWriteVBRHeaderFn>(dlsym(library, "beWriteVBRHeader"));
    entries.beWriteInfoTag = reinterpret_cast<BeWriteInfoTagFn>(dlsym(library, "beWriteInfoTag"));
    return entries.beInitStream && entries.beEncodeChunkFloatS16NI && entries.beDeinitStream &&
           entries.beCloseStream && entries.beWriteVBRHeader;
}

BE_CONFIG MakeEncoderConfig(const CConversionTask& task, int bitRateKbps)
{
    BE_CONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwConfig = BE_CONFIG_LAME;
    config.LHV1.dwStructVersion = 1;
    config.LHV1.dwStructSize = sizeof(BE_CONFIG);
    config.LHV1.dwSampleRate = task.destRate;
    config.LHV1.dwReSampleRate = 0;
    config.LHV1.nMode = task.destChannels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_STEREO;
    config.LHV1.dwBitrate = static_cast<uint32_t>(bitRateKbps);
    config.LHV1.dwMaxBitrate = 0;
    config.LHV1.nPreset = LQP_NOPRESET;
    config.LHV1.dwMpegVersion = MPEG1;
    config.LHV1.bWriteVBRHeader = 1;
    config.LHV1.bEnableVBR = 0;
    config.LHV1.bNoRes = 1;
    config.LHV1.bStrictIso = 0;
    config.LHV1.nQuality = 0xF609; // quality 9, its complement in the high byte
    return config;
}

int EncodeTask(CConversionTask& task)
{
    ConversionRunState& run = ActiveConvProg->m_run;
    CConversionTask::Set(task.encoderBusy, true);
    if (task.destType == FileTypeMp3)
    {
        try
        {
            Encode(task, run, ActiveConvProg->Sink());
        }
        catch (...)
        {
            run.Stop();
            PostLog(LogError,
                    FormatText("An error occurred while encoding %s", task.destination.c_str()));
        }
    }
    CConversionTask::Set(task.encoderBusy, false);
    return 0;
}

void PostProgress(float currentPercent, float overallPercent, bool wait)
{
    platform::WindowMessage message{
        platform::WM_CONV_PROGRESS, {}, 0, currentPercent, overallPercent};
    if (wait)
        ActiveConvProg->Sink().SendMessage(std::move(message));
    else
        ActiveConvProg->Sink().PostMessage(std::move(message));
}
