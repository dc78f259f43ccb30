// The encoder-only limit for the benchmark: how fast libmp3lame alone turns a WAV's PCM, already
// in memory, into an MP3 with the engine's encoder settings. No pipeline, no rings, no effects, so
// the engine's time divided by this one is the cost of everything around the encoder.
//
// Usage: sonoria_encoder_only [--bitrate KBPS] IN.wav OUT.mp3
// Prints "encode_seconds=<s>" and a few facts about the input on stdout.

#include <lame/lame.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{

// The engine's encoder library hands out chunks of one MPEG-1 frame, so the encoder sees the
// same call pattern here.
constexpr int ChunkFrames = 1152;

// Worst-case MP3 bytes for n frames, as documented by libmp3lame.
constexpr size_t Mp3BufferBytes(size_t frames)
{
    return frames * 5 / 4 + 7200;
}

struct PlanarPcm
{
    int channels = 0;
    int rate = 0;
    std::vector<float> left;
    std::vector<float> right; // empty for mono
};

int Fail(const std::string& text)
{
    std::fprintf(stderr, "sonoria_encoder_only: %s\n", text.c_str());
    return 1;
}

// Same scaling as the engine's encoder stage: 32-bit samples times 2^-16, i.e. floats in the
// 16-bit range that lame_encode_buffer_float expects.
bool LoadPcm(const char* path, PlanarPcm& pcm, std::string& error)
{
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path, SFM_READ, &info), sf_close);
    if (!file)
    {
        error = std::string("cannot open ") + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels != 1 && info.channels != 2)
    {
        error = "only mono and stereo input is supported, got " + std::to_string(info.channels) +
                " channels";
        return false;
    }
    if (info.samplerate <= 0)
    {
        error = "invalid sample rate";
        return false;
    }
    pcm.channels = info.channels;
    pcm.rate = info.samplerate;
    if (info.frames > 0)
    {
        pcm.left.reserve(static_cast<size_t>(info.frames));
        if (pcm.channels == 2)
            pcm.right.reserve(static_cast<size_t>(info.frames));
    }

    // Read until the end rather than trusting the header's frame count.
    constexpr sf_count_t BlockFrames = 4096;
    std::vector<int32_t> block(static_cast<size_t>(BlockFrames * info.channels));
    constexpr float Scale = 1.0f / 65536.0f;
    for (;;)
    {
        const sf_count_t got = sf_readf_int(file.get(), block.data(), BlockFrames);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i)
        {
            if (pcm.channels == 2)
            {
                pcm.left.push_back(static_cast<float>(block[2 * i]) * Scale);
                pcm.right.push_back(static_cast<float>(block[2 * i + 1]) * Scale);
            }
            else
            {
                pcm.left.push_back(static_cast<float>(block[i]) * Scale);
            }
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
    {
        error = std::string("read error in ") + path + ": " + sf_strerror(file.get());
        return false;
    }
    if (pcm.left.empty())
    {
        error = std::string("no audio in ") + path;
        return false;
    }
    return true;
}

bool WriteAll(FILE* out, const unsigned char* data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, 1, bytes, out) == bytes;
}

// Encodes the whole PCM into outPath; everything here is inside the timed section.
bool Encode(const PlanarPcm& pcm, int kbps, const char* outPath, std::string& error)
{
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame)
    {
        error = "lame_init failed";
        return false;
    }
    lame_global_flags* gf = lame.get();
    lame_set_num_channels(gf, pcm.channels);
    lame_set_in_samplerate(gf, pcm.rate);
    lame_set_out_samplerate(gf, pcm.rate);
    lame_set_mode(gf, pcm.channels == 2 ? STEREO : MONO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
    lame_set_quality(gf, 9);
    lame_set_disable_reservoir(gf, 1);
    lame_set_bWriteVbrTag(gf, 1);
    if (lame_init_params(gf) < 0)
    {
        error = "lame_init_params rejected the settings";
        return false;
    }

    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(outPath, "w+b"), std::fclose);
    if (!out)
    {
        error = std::string("cannot create ") + outPath + ": " + std::strerror(errno);
        return false;
    }

    std::vector<unsigned char> mp3(Mp3BufferBytes(ChunkFrames));
    const size_t frames = pcm.left.size();
    for (size_t pos = 0; pos < frames; pos += ChunkFrames)
    {
        const int n = static_cast<int>(std::min<size_t>(ChunkFrames, frames - pos));
        const float* right = pcm.channels == 2 ? pcm.right.data() + pos : nullptr;
        const int bytes = lame_encode_buffer_float(gf, pcm.left.data() + pos, right, n, mp3.data(),
                                                   static_cast<int>(mp3.size()));
        if (bytes < 0)
        {
            error = "lame_encode_buffer_float failed (" + std::to_string(bytes) + ")";
            return false;
        }
        if (!WriteAll(out.get(), mp3.data(), static_cast<size_t>(bytes)))
        {
            error = "write error";
            return false;
        }
    }
    const int tail = lame_encode_flush(gf, mp3.data(), static_cast<int>(mp3.size()));
    if (tail < 0 || !WriteAll(out.get(), mp3.data(), static_cast<size_t>(tail)))
    {
        error = "flush failed";
        return false;
    }

    // The Info tag goes into the frame that the encoder left free at the start of the file.
    const size_t tagBytes = lame_get_lametag_frame(gf, mp3.data(), mp3.size());
    if (tagBytes == 0 || tagBytes > mp3.size())
    {
        error = "no Info tag produced";
        return false;
    }
    if (std::fseek(out.get(), 0, SEEK_SET) != 0 || !WriteAll(out.get(), mp3.data(), tagBytes))
    {
        error = "cannot write the Info tag";
        return false;
    }
    FILE* raw = out.release();
    if (std::fclose(raw) != 0)
    {
        error = std::string("closing ") + outPath + " failed: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ParseKbps(const char* text, int& kbps)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 8 || value > 320)
        return false;
    kbps = static_cast<int>(value);
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: sonoria_encoder_only [--bitrate KBPS] IN.wav OUT.mp3\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int kbps = 128;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--bitrate") == 0)
    {
        if (arg + 1 >= argc || !ParseKbps(argv[arg + 1], kbps))
            return Usage();
        arg += 2;
    }
    if (argc - arg != 2)
        return Usage();
    const char* inPath = argv[arg];
    const char* outPath = argv[arg + 1];

    PlanarPcm pcm;
    std::string error;
    if (!LoadPcm(inPath, pcm, error))
        return Fail(error);

    const auto start = std::chrono::steady_clock::now();
    if (!Encode(pcm, kbps, outPath, error))
        return Fail(error);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

    std::printf("input_rate=%d\nchannels=%d\nframes=%zu\nbitrate_kbps=%d\nencode_seconds=%.6f\n",
                pcm.rate, pcm.channels, pcm.left.size(), kbps, elapsed.count());
    return 0;
}
