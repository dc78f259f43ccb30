#include "tests/lame_enc/lame_enc_support.h"

#include "engine/mp3_encoder.h"

#include <dlfcn.h>
#include <sndfile.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace lame_enc_test
{

CLameEncLibrary::CLameEncLibrary(const std::string& path)
{
    m_pHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_pHandle)
        return;
    LookUpEntryPoints(m_pHandle, *this);
}

CLameEncLibrary::~CLameEncLibrary()
{
    Unload();
}

bool CLameEncLibrary::Unload()
{
    if (!m_pHandle)
        return true;
    const bool bOk = dlclose(m_pHandle) == 0;
    m_pHandle = nullptr;
    static_cast<EncoderEntryPoints&>(*this) = {};
    return bOk;
}

BE_ERR CLameEncLibrary::Init(BE_CONFIG& config, uint32_t& samplesPerChunk,
                             uint32_t& outputBufferSize, HBE_STREAM& stream) const
{
    static const wchar_t* const pszEmpty = L"";
    return beInitStream(&config, &samplesPerChunk, &outputBufferSize, &stream, 0, 0, pszEmpty,
                        pszEmpty, pszEmpty, pszEmpty, pszEmpty, pszEmpty, pszEmpty, 0, 0, 30, 5,
                        16000, 2400);
}

CLameEncLibrary& MainLibrary()
{
    static CLameEncLibrary lib(LAME_ENC_PATH);
    if (!lib.IsLoaded())
        throw std::runtime_error(std::string("cannot load ") + LAME_ENC_PATH);
    return lib;
}

BE_CONFIG EngineConfig(uint32_t dwSampleRate, bool bMono, uint32_t dwBitrate)
{
    CConversionTask task;
    task.destRate = dwSampleRate;
    task.destChannels = bMono ? 1 : 2;
    return MakeEncoderConfig(task, static_cast<int>(dwBitrate));
}

Signal SineSignal(int nChannels, uint32_t dwSampleRate, double dSeconds, double dPeak)
{
    Signal signal;
    signal.nChannels = nChannels;
    signal.dwSampleRate = dwSampleRate;
    const auto nFrames = static_cast<size_t>(dSeconds * dwSampleRate);
    signal.vSamples.resize(nFrames * static_cast<size_t>(nChannels));
    for (size_t i = 0; i < nFrames; ++i)
    {
        for (int c = 0; c < nChannels; ++c)
        {
            const double dFreq = 440.0 * (1.0 + 0.5 * c);
            signal.vSamples[i * static_cast<size_t>(nChannels) + static_cast<size_t>(c)] =
                static_cast<float>(dPeak * std::sin(2.0 * std::numbers::pi * dFreq *
                                                    static_cast<double>(i) / dwSampleRate));
        }
    }
    return signal;
}

EncodeOutcome EncodeFile(const CLameEncLibrary& lib, BE_CONFIG config, const Signal& signal,
                         const std::filesystem::path& path)
{
    EncodeOutcome outcome;
    uint32_t dwSamplesPerChunk = 0;
    uint32_t dwBufferSize = 0;
    HBE_STREAM hStream = 0;
    outcome.errInit = lib.Init(config, dwSamplesPerChunk, dwBufferSize, hStream);
    if (outcome.errInit != BE_ERR_SUCCESSFUL)
        return outcome;

    FILE* pFile = std::fopen(path.c_str(), "wb");
    if (!pFile)
        throw std::runtime_error("cannot create " + path.string());
    std::vector<uint8_t> vOut(dwBufferSize);
    const auto nChannels = static_cast<size_t>(signal.nChannels);
    const size_t nChunkFrames = dwSamplesPerChunk / nChannels;
    std::vector<float> vLeft(nChunkFrames);
    std::vector<float> vRight(nChunkFrames);
    for (size_t nDone = 0; nDone < signal.Frames(); nDone += nChunkFrames)
    {
        const size_t nFrames = std::min(nChunkFrames, signal.Frames() - nDone);
        for (size_t i = 0; i < nFrames; ++i)
        {
            vLeft[i] = signal.vSamples[(nDone + i) * nChannels];
            vRight[i] = signal.vSamples[(nDone + i) * nChannels + nChannels - 1];
        }
        uint32_t dwBytes = 0;
        outcome.errEncode = lib.beEncodeChunkFloatS16NI(
            hStream, static_cast<uint32_t>(nFrames), vLeft.data(),
            nChannels > 1 ? vRight.data() : nullptr, vOut.data(), &dwBytes);
        if (outcome.errEncode != BE_ERR_SUCCESSFUL)
            break;
        std::fwrite(vOut.data(), 1, dwBytes, pFile);
    }
    if (outcome.errEncode == BE_ERR_SUCCESSFUL)
    {
        uint32_t dwBytes = 0;
        outcome.errDeinit = lib.beDeinitStream(hStream, vOut.data(), &dwBytes);
        if (outcome.errDeinit == BE_ERR_SUCCESSFUL)
            std::fwrite(vOut.data(), 1, dwBytes, pFile);
    }
    outcome.errClose = lib.beCloseStream(hStream);
    std::fclose(pFile);
    outcome.errTag = lib.beWriteInfoTag ? lib.beWriteInfoTag(hStream, path.c_str())
                                        : lib.beWriteVBRHeader(path.c_str());
    return outcome;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& vBytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(vBytes.data()),
              static_cast<std::streamsize>(vBytes.size()));
}

FirstFrame InspectFirstFrame(const std::vector<uint8_t>& vBytes)
{
    FirstFrame frame;
    if (vBytes.size() < 4 || vBytes[0] != 0xFF || (vBytes[1] & 0xE0) != 0xE0)
        return frame;
    const int nVersion = (vBytes[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int nLayer = (vBytes[1] >> 1) & 3;   // 1: layer III
    const int nBitrateIndex = vBytes[2] >> 4;
    const int nRateIndex = (vBytes[2] >> 2) & 3;
    const int nPadding = (vBytes[2] >> 1) & 1;
    const bool bMono = (vBytes[3] >> 6) == 3;
    if (nVersion == 1 || nLayer != 1 || nBitrateIndex == 0 || nBitrateIndex == 15 ||
        nRateIndex == 3)
        return frame;

    static constexpr int aBitrates1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                         112, 128, 160, 192, 224, 256, 320};
    static constexpr int aBitrates2[] = {0,  8,  16, 24,  32,  40,  48, 56,
                                         64, 80, 96, 112, 128, 144, 160};
    static constexpr int aRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    const bool bMpeg1 = nVersion == 3;
    const int nKbps = bMpeg1 ? aBitrates1[nBitrateIndex] : aBitrates2[nBitrateIndex];
    const int nRate = aRates[nVersion][nRateIndex];
    frame.nLength = static_cast<size_t>((bMpeg1 ? 144000 : 72000) * nKbps / nRate + nPadding);
    frame.bValid = true;

    const size_t nSideInfo = bMpeg1 ? (bMono ? 17 : 32) : (bMono ? 9 : 17);
    // LAME places its tag right after the side information's nominal place, CRC or not.
    const size_t nTagAt = 4 + nSideInfo;
    frame.nTagOffset = nTagAt;
    if (vBytes.size() >= nTagAt + 4 && frame.nLength >= nTagAt + 4)
    {
        const std::string strName(reinterpret_cast<const char*>(vBytes.data() + nTagAt), 4);
        if (strName == "Info" || strName == "Xing")
            frame.strTagName = strName;
    }
    return frame;
}

Decoded Decode(const std::filesystem::path& path)
{
    Decoded decoded;
    SF_INFO info{};
    SNDFILE* pFile = sf_open(path.c_str(), SFM_READ, &info);
    if (!pFile)
        return decoded;
    decoded.bOpened = true;
    decoded.nChannels = info.channels;
    decoded.nSampleRate = info.samplerate;
    std::vector<float> vBlock(4096 * static_cast<size_t>(std::max(info.channels, 1)));
    sf_count_t nRead = 0;
    while ((nRead = sf_readf_float(pFile, vBlock.data(), 4096)) > 0)
    {
        decoded.nFrames += nRead;
        decoded.vSamples.insert(decoded.vSamples.end(), vBlock.begin(),
                                vBlock.begin() + nRead * info.channels);
    }
    sf_close(pFile);
    return decoded;
}

} // namespace lame_enc_test
