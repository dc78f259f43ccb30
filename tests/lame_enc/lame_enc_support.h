// Test support for the encoder library: loads a build of it the way the engine does (dlopen by
// path, entry points by name), drives whole encodes, and inspects the MP3 files they leave.
#pragma once

#include "engine/mp3_encoder.h"
#include "lame_enc/lame_enc.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lame_enc_test
{

// One loaded copy of the library, its entry points looked up as the engine looks them up;
// those it lacks stay null.
class CLameEncLibrary : public EncoderEntryPoints
{
public:
    explicit CLameEncLibrary(const std::string& path);
    ~CLameEncLibrary();
    CLameEncLibrary(const CLameEncLibrary&) = delete;
    CLameEncLibrary& operator=(const CLameEncLibrary&) = delete;

    bool IsLoaded() const { return m_pHandle != nullptr; }
    // dlclose; false when the loader reports an error.
    bool Unload();

    // beInitStream with the fifteen trailing arguments the engine passes.
    BE_ERR Init(BE_CONFIG& config, uint32_t& samplesPerChunk, uint32_t& outputBufferSize,
                HBE_STREAM& stream) const;

private:
    void* m_pHandle = nullptr;
};

// The main build, loaded once per process.
CLameEncLibrary& MainLibrary();

// The record exactly as the engine fills it.
BE_CONFIG EngineConfig(uint32_t dwSampleRate, bool bMono, uint32_t dwBitrate);

// Interleaved samples at 16-bit scale.
struct Signal
{
    int nChannels = 2;
    uint32_t dwSampleRate = 44100;
    std::vector<float> vSamples;
    size_t Frames() const { return vSamples.size() / static_cast<size_t>(nChannels); }
};

// A sine per channel (440 Hz, then 660 Hz) of the given peak at 16-bit scale.
Signal SineSignal(int nChannels, uint32_t dwSampleRate, double dSeconds, double dPeak);

struct EncodeOutcome
{
    BE_ERR errInit = BE_ERR_SUCCESSFUL;
    BE_ERR errEncode = BE_ERR_SUCCESSFUL; // first failing chunk, if any
    BE_ERR errDeinit = BE_ERR_SUCCESSFUL;
    BE_ERR errClose = BE_ERR_SUCCESSFUL;
    BE_ERR errTag = BE_ERR_SUCCESSFUL;
    bool Ok() const
    {
        return errInit == 0 && errEncode == 0 && errDeinit == 0 && errClose == 0 && errTag == 0;
    }
};

// The engine's whole sequence: chunks of at most samplesPerChunk samples, flush, close, close
// the file, then the tag (beWriteInfoTag, or beWriteVBRHeader when the library lacks it).
EncodeOutcome EncodeFile(const CLameEncLibrary& lib, BE_CONFIG config, const Signal& signal,
                         const std::filesystem::path& path);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& vBytes);

// What the first MPEG audio frame of a file says about itself.
struct FirstFrame
{
    bool bValid = false;
    size_t nLength = 0;     // bytes, padding included
    size_t nTagOffset = 0;  // where a tag starts: after the header and side information
    std::string strTagName; // "Info", "Xing" or empty when the frame carries no tag
};
FirstFrame InspectFirstFrame(const std::vector<uint8_t>& vBytes);

struct Decoded
{
    bool bOpened = false;
    int nChannels = 0;
    int nSampleRate = 0;
    int64_t nFrames = 0;
    std::vector<float> vSamples; // interleaved, full scale 1.0
};
// Reads an MP3 back through libsndfile.
Decoded Decode(const std::filesystem::path& path);

} // namespace lame_enc_test
