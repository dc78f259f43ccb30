// Writes the seed corpus of the read-path fuzz target: small WAV files of every encoding
// libsndfile writes into WAV, so that fuzzing starts from real headers.
#include <cmath>
#include <cstdio>
#include <sndfile.h>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: wav_fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const struct
    {
        const char* name;
        int format;
        int channels;
        int rate;
        int frames;
    } seeds[] = {
        {"pcm16_stereo", SF_FORMAT_PCM_16, 2, 44100, 300},
        {"pcm24_mono", SF_FORMAT_PCM_24, 1, 48000, 200},
        {"pcm32_six", SF_FORMAT_PCM_32, 6, 22050, 100},
        {"u8_mono", SF_FORMAT_PCM_U8, 1, 8000, 300},
        {"float_stereo", SF_FORMAT_FLOAT, 2, 44100, 200},
        {"double_mono", SF_FORMAT_DOUBLE, 1, 32000, 100},
        {"ulaw", SF_FORMAT_ULAW, 1, 8000, 300},
        {"alaw", SF_FORMAT_ALAW, 2, 8000, 300},
        {"ima_adpcm", SF_FORMAT_IMA_ADPCM, 2, 22050, 1100},
        {"ms_adpcm", SF_FORMAT_MS_ADPCM, 1, 22050, 1100},
        {"gsm610", SF_FORMAT_GSM610, 1, 8000, 640},
        {"empty", SF_FORMAT_PCM_16, 2, 44100, 0},
    };
    std::vector<double> buf;
    for (const auto& s : seeds)
    {
        SF_INFO info{};
        info.samplerate = s.rate;
        info.channels = s.channels;
        info.format = SF_FORMAT_WAV | s.format;
        const std::string path = dir + "/" + s.name + ".wav";
        SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!f)
        {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
            return 1;
        }
        buf.assign(static_cast<size_t>(s.frames) * s.channels, 0.0);
        for (size_t i = 0; i < buf.size(); ++i)
            buf[i] = 0.8 * std::sin(0.05 * static_cast<double>(i));
        sf_writef_double(f, buf.data(), s.frames);
        sf_close(f);
    }
    return 0;
}
