#include "engine/wav_reader.h"

#include "platform/worker_thread.h"

#include <algorithm>
#include <cmath>
#include <sndfile.h>
#include <vector>

void DoubleToSample(const double* values, int32_t* samples, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        const double x = values[i] * 2147483648.0;
        if (x >= 2147483647.0)
            samples[i] = 2147483647;
        else if (!(x >= -2147483648.0)) // also NaN
            samples[i] = INT32_MIN;
        else
            samples[i] = static_cast<int32_t>(std::nearbyint(x)); // default mode: ties to even
    }
}

namespace
{
struct SndFileCloser
{
    void operator()(SNDFILE* f) const { sf_close(f); }
};
} // namespace

bool ReadWav(CConversionTask& task)
{
    ConversionRunState& run = ActiveConvProg->m_run;

    SF_INFO info{};
    // Paths are UTF-8, which is this system's file-name encoding, so every name opens.
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(task.source.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0)
    {
        PostLog(platform::LogError,
                FormatText("Error : could not open file : %s", task.source.c_str()));
        return false;
    }

    const uint32_t channels = static_cast<uint32_t>(info.channels);
    // A block must fit the ring, or the wait for room below would never end: files with
    // hundreds of channels are read in fewer frames at a time.
    const uint32_t maxFrames = (DecodedRing->Capacity() - 1) / channels;
    const sf_count_t framesPerRead = std::min<uint32_t>(ReadBlockFrames, maxFrames);
    if (framesPerRead == 0)
    {
        PostLog(platform::LogError,
                FormatText("Error : could not open file : %s", task.source.c_str()));
        return false;
    }
    const uint32_t block = channels * static_cast<uint32_t>(framesPerRead);
    const int subFormat = info.format & SF_FORMAT_SUBMASK;
    const bool isFloat = subFormat == SF_FORMAT_FLOAT || subFormat == SF_FORMAT_DOUBLE;

    std::vector<double> doubles;
    double peak = 0;
    bool scale = false;
    if (isFloat)
    {
        doubles.resize(block);
        sf_command(file.get(), SFC_GET_SIGNAL_MAX, &peak, sizeof peak);
        // Sources louder than full scale are brought down to it rather than clipped.
        if (peak >= 1.0)
        {
            scale = true;
            sf_command(file.get(), SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
        }
    }
    std::vector<int32_t> samples(block);

    while (run.IsRunning())
    {
        if (DecodedRing->FreeSpace() < block)
        {
            platform::SleepMs(1);
            continue;
        }
        sf_count_t frames;
        if (isFloat)
        {
            frames = sf_readf_double(file.get(), doubles.data(), framesPerRead);
            const size_t n = static_cast<size_t>(frames) * channels;
            if (scale)
                for (size_t i = 0; i < n; ++i)
                    doubles[i] /= peak;
            DoubleToSample(doubles.data(), samples.data(), n);
        }
        else
        {
            frames = sf_readf_int(file.get(), samples.data(), framesPerRead);
        }
        if (frames < 0)
            frames = 0;
        const uint32_t n = static_cast<uint32_t>(frames) * channels;
        for (uint32_t i = 0; i < n; ++i)
            samples[i] = static_cast<int32_t>(static_cast<uint32_t>(samples[i]) & SampleMask);
        DecodedRing->Write(samples.data(), n);
        if (frames < framesPerRead)
            break;
    }
    return true;
}
