// Fuzz target of the read path: any bytes saved as a .wav file are probed as the file list
// probes them and, when the probe accepts them, read into the ring as a task would be.
#include "app/audio_file.h"
#include "engine/conversion_task.h"
#include "engine/wav_reader.h"
#include "platform/recording_sink.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
std::string TempWavPath()
{
    static const std::string path = "/tmp/sonoria-wav-fuzz-" + std::to_string(getpid()) + ".wav";
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static platform::CRecordingSink* sink = new platform::CRecordingSink;
    static CConvProgBase* prog = new CConvProgBase(*sink);
    CreateEngineRings();
    DecodedRing->Reset();
    ActiveConvProg = prog;

    const std::string path = TempWavPath();
    if (std::FILE* f = std::fopen(path.c_str(), "wb"))
    {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }

    AudioFileEntry entry;
    if (ProbeAudioFile(path, "fuzz.wav", DefaultFileTypeTable(), entry) == ProbeResult::Ok)
    {
        CConversionTask task;
        task.source = path;
        task.sourceType = entry.type;
        prog->m_run.running = true;
        // A consumer, as the processing stage is, so that a long stream never waits forever.
        std::atomic<bool> readerDone{false};
        std::thread consumer(
            [&]
            {
                std::vector<int> block(65536);
                while (!readerDone.load() || DecodedRing->Available() > 0)
                    if (DecodedRing->Read(block.data(), 65536) == 0)
                        std::this_thread::yield();
            });
        ReadWav(task);
        readerDone = true;
        consumer.join();
        prog->m_run.running = false;
    }
    std::remove(path.c_str());
    ActiveConvProg = nullptr;
    return 0;
}
