#include "tests/support/engine_fixture.h"

#include "engine/batch_runner.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <stdexcept>

namespace testing_support
{

namespace
{
SNDFILE* OpenForWrite(const std::string& path, int rate, int channels, int format)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    return file;
}
} // namespace

int64_t WriteWav(const std::string& path, const WavSpec& spec)
{
    const int format = spec.format ? spec.format : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    SNDFILE* file = OpenForWrite(path, spec.rate, spec.channels, format);
    const int64_t frames = static_cast<int64_t>(std::llround(spec.seconds * spec.rate));
    const int block = 4096;
    std::vector<double> buf(static_cast<size_t>(block) * spec.channels);
    for (int64_t start = 0; start < frames; start += block)
    {
        const int64_t n = std::min<int64_t>(block, frames - start);
        for (int64_t i = 0; i < n; ++i)
            for (int c = 0; c < spec.channels; ++c)
            {
                const double t = static_cast<double>(start + i) / spec.rate;
                buf[static_cast<size_t>(i * spec.channels + c)] =
                    spec.amplitude * std::sin(2 * M_PI * (220.0 * (c + 1)) * t);
            }
        sf_writef_double(file, buf.data(), n);
    }
    sf_close(file);
    return frames;
}

void WriteWavInt16(const std::string& path, int rate, int channels,
                   const std::vector<int16_t>& samples)
{
    SNDFILE* file = OpenForWrite(path, rate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
    sf_close(file);
}

void WriteWavFloat(const std::string& path, int rate, int channels,
                   const std::vector<float>& samples)
{
    SNDFILE* file = OpenForWrite(path, rate, channels, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // Keep values above full scale as they are.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_FALSE);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels));
    sf_close(file);
}

DecodedInfo Decode(const std::string& path)
{
    DecodedInfo out;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return out;
    out.rate = info.samplerate;
    out.channels = info.channels;
    std::vector<float> buf(4096 * static_cast<size_t>(info.channels));
    sf_count_t n;
    while ((n = sf_readf_float(file, buf.data(), 4096)) > 0)
        out.frames += n;
    sf_close(file);
    out.ok = true;
    return out;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HasInfoTag(const std::string& path)
{
    const auto bytes = ReadBytes(path);
    if (bytes.size() < 200 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0)
        return false;
    // The tag sits after the frame's side information, whose size depends on the version
    // and channel mode; look within the first frame's first 200 bytes.
    for (size_t i = 4; i + 4 <= 200; ++i)
        if ((bytes[i] == 'I' && bytes[i + 1] == 'n' && bytes[i + 2] == 'f' &&
             bytes[i + 3] == 'o') ||
            (bytes[i] == 'X' && bytes[i + 1] == 'i' && bytes[i + 2] == 'n' && bytes[i + 3] == 'g'))
            return true;
    return false;
}

CConversionTask TaskFor(const std::string& path, const AppSettingsRecord& settings)
{
    const std::filesystem::path p(path);
    AudioFileEntry entry;
    ProbeAudioFile(path, p.filename().string(), DefaultFileTypeTable(), entry);
    return BuildConversionTask(p.parent_path().string() + "/", p.filename().string(), entry,
                               settings);
}

EngineRun::EngineRun() : m_prog(m_sink)
{
    CreateEngineRings();
}

EngineRun::~EngineRun()
{
    // Never leave a thread behind, whatever the test did.
    m_prog.m_run.running = false;
    m_prog.m_run.batchThread.Join();
    if (ActiveConvProg == &m_prog)
        ActiveConvProg = nullptr;
}

void EngineRun::Add(CConversionTask task)
{
    m_prog.m_run.overallTotal += task.destSamples;
    m_prog.m_run.tasks.push_back(std::move(task));
}

void EngineRun::Start()
{
    if (!StartRun(m_prog, 0))
        throw std::runtime_error("cannot start the batch thread");
}

bool EngineRun::Wait(unsigned timeoutMs)
{
    return m_prog.m_run.batchThread.Wait(timeoutMs);
}

bool EngineRun::Run()
{
    Start();
    return Wait();
}

std::vector<std::string> EngineRun::LogTexts() const
{
    std::vector<std::string> texts;
    for (const auto& [level, text] : m_sink.LogLines())
        texts.push_back(text);
    return texts;
}

} // namespace testing_support
