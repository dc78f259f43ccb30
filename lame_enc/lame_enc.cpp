// The encoder library's entry points over libmp3lame. Streams live in a process-wide handle
// table; a closed stream keeps only its finished information tag until the tag call writes it.
#include "lame_enc/lame_enc.h"

#include "lame_enc/stream_table.h"

#include <lame/lame.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

// The engine resolves these names with dlsym; every other symbol stays hidden (the version
// script in CMakeLists.txt enforces the same list for each build variant).
#define LAME_ENC_API __attribute__((visibility("default")))
#if defined(LAME_ENC_INIT_ONLY)
#define LAME_ENC_API_STREAM
#else
#define LAME_ENC_API_STREAM LAME_ENC_API
#endif
#if defined(LAME_ENC_INIT_ONLY) || defined(LAME_ENC_WITHOUT_INFO_TAG)
#define LAME_ENC_API_INFO_TAG
#else
#define LAME_ENC_API_INFO_TAG LAME_ENC_API
#endif

namespace
{

using lame_enc::CStream;
using lame_enc::CStreamTable;

CStreamTable g_streamTable;

// libmp3lame does not promise that setting up streams on several threads at once is safe (its
// set-up may fill process-wide tables); one set-up at a time costs little next to encoding.
std::mutex g_lameSetupMutex;

// nMode values of the record, in order.
constexpr MPEG_mode g_aModes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};

// nVbrMethod values of the record: -1 none, 0 default, 1 old, 2 new, 3 mtrh, 4 abr.
constexpr int g_nVbrMethodNone = -1;
constexpr int g_nVbrMethodAbr = 4;

struct LameCloser
{
    void operator()(lame_global_flags* pLame) const { lame_close(pLame); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

bool ApplyVbr(lame_global_flags* pLame, const decltype(BE_CONFIG::LHV1)& cfg)
{
    const int nMethod = cfg.nVbrMethod;
    if (nMethod < g_nVbrMethodNone || nMethod > g_nVbrMethodAbr)
        return false;
    static constexpr vbr_mode aModes[] = {vbr_default, vbr_default, vbr_rh,
                                          vbr_mtrh,    vbr_mtrh,    vbr_abr};
    if (lame_set_VBR(pLame, aModes[nMethod + 1]) != 0)
        return false;
    lame_set_VBR_q(pLame, std::clamp<int32_t>(cfg.nVBRQuality, 0, 9));
    if (cfg.dwBitrate != 0)
        lame_set_VBR_min_bitrate_kbps(pLame,
                                      static_cast<int>(std::min<uint32_t>(cfg.dwBitrate, 640)));
    if (cfg.dwMaxBitrate != 0)
        lame_set_VBR_max_bitrate_kbps(pLame,
                                      static_cast<int>(std::min<uint32_t>(cfg.dwMaxBitrate, 640)));
    if (nMethod == g_nVbrMethodAbr && cfg.dwVbrAbr_bps != 0)
        lame_set_VBR_mean_bitrate_kbps(
            pLame, static_cast<int>(std::min<uint32_t>((cfg.dwVbrAbr_bps + 500) / 1000, 640)));
    return true;
}

// Maps the record onto LAME's settings; false when a value is out of every sane range.
bool ApplyConfig(lame_global_flags* pLame, const decltype(BE_CONFIG::LHV1)& cfg)
{
    const bool bMono = cfg.nMode == BE_MP3_MODE_MONO;
    bool bOk = lame_set_in_samplerate(pLame, static_cast<int>(cfg.dwSampleRate)) == 0 &&
               lame_set_out_samplerate(pLame, static_cast<int>(cfg.dwReSampleRate)) == 0 &&
               lame_set_num_channels(pLame, bMono ? 1 : 2) == 0 &&
               lame_set_mode(pLame, g_aModes[cfg.nMode]) == 0 &&
               lame_set_emphasis(pLame, static_cast<int>(cfg.dwEmphasis)) == 0;
    if (!bOk)
        return false;

    if (cfg.bEnableVBR)
    {
        if (!ApplyVbr(pLame, cfg))
            return false;
    }
    else
    {
        // An illegal rate for the output frequency is left to LAME, which picks the nearest.
        lame_set_VBR(pLame, vbr_off);
        lame_set_brate(pLame, static_cast<int>(std::min<uint32_t>(cfg.dwBitrate, 640)));
    }

    // The quality is only trusted when its high byte guards it, so a stray value keeps LAME's
    // default.
    const uint16_t wQuality = cfg.nQuality;
    const unsigned nLow = wQuality & 0xFFu;
    const unsigned nHigh = wQuality >> 8;
    if (nHigh == (~nLow & 0xFFu))
        lame_set_quality(pLame, static_cast<int>(std::min(nLow, 9u)));

    lame_set_disable_reservoir(pLame, cfg.bNoRes ? 1 : 0);
    lame_set_bWriteVbrTag(pLame, cfg.bWriteVBRHeader ? 1 : 0);
    lame_set_error_protection(pLame, cfg.bCRC ? 1 : 0);
    lame_set_copyright(pLame, cfg.bCopyright ? 1 : 0);
    lame_set_original(pLame, cfg.bOriginal ? 1 : 0);
    lame_set_extension(pLame, cfg.bPrivate ? 1 : 0);
    lame_set_strict_ISO(pLame, cfg.bStrictIso ? 1 : 0);
    return true;
}

BE_ERR ValidateConfig(const BE_CONFIG& config)
{
    if (config.dwConfig != BE_CONFIG_LAME)
        return BE_ERR_INVALID_FORMAT;
    const auto& cfg = config.LHV1;
    if (cfg.dwStructVersion < 1 || cfg.dwStructSize != sizeof(BE_CONFIG))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (cfg.nMode < BE_MP3_MODE_STEREO || cfg.nMode > BE_MP3_MODE_MONO)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (cfg.dwSampleRate == 0 || cfg.dwSampleRate > INT_MAX || cfg.dwReSampleRate > INT_MAX)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return BE_ERR_SUCCESSFUL;
}

// LAME encodes up to 1.25 bytes per sample plus 7200 bytes of frames held back in one call;
// doubling that covers every chunk of samplesPerChunk and the flush with room to spare.
uint32_t OutputBufferSize(uint32_t dwSamplesPerChunk)
{
    return 2 * (dwSamplesPerChunk + dwSamplesPerChunk / 4 + 1 + 7200);
}

// Reads the finished tag frame; empty when the stream writes none.
std::vector<uint8_t> TakeTagFrame(const lame_global_flags* pLame)
{
    std::vector<uint8_t> vTag(2048);
    size_t nSize = lame_get_lametag_frame(pLame, vTag.data(), vTag.size());
    if (nSize > vTag.size())
    {
        vTag.resize(nSize);
        nSize = lame_get_lametag_frame(pLame, vTag.data(), vTag.size());
        if (nSize > vTag.size())
            nSize = 0;
    }
    vTag.resize(nSize);
    return vTag;
}

// Size of an ID3v2 tag at the start of the file (0 when there is none): the placeholder
// frame follows it.
long Id3v2Size(const uint8_t* pHeader, size_t nBytes)
{
    if (nBytes < 10 || std::memcmp(pHeader, "ID3", 3) != 0)
        return 0;
    long nSize = 0;
    for (int i = 6; i < 10; ++i)
        nSize = (nSize << 7) | (pHeader[i] & 0x7F);
    const bool bFooter = (pHeader[5] & 0x10) != 0;
    return 10 + nSize + (bFooter ? 10 : 0);
}

// Same frame sync, MPEG version, layer, CRC flag and frequency: the file starts with this
// stream's placeholder, not with something a wrong path leads to.
bool SameFrameKind(const uint8_t* pA, const uint8_t* pB)
{
    return pA[0] == 0xFF && pA[0] == pB[0] && pA[1] == pB[1] && (pA[2] & 0x0C) == (pB[2] & 0x0C);
}

BE_ERR WriteTagFrame(const std::vector<uint8_t>& vTag, const char* path)
{
    if (vTag.empty())
        return BE_ERR_SUCCESSFUL;
    FILE* pFile = std::fopen(path, "rb+");
    if (!pFile)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    uint8_t aHeader[10] = {};
    const size_t nHeader = std::fread(aHeader, 1, sizeof(aHeader), pFile);
    const long nOffset = Id3v2Size(aHeader, nHeader);
    std::vector<uint8_t> vPlaceholder(vTag.size());
    bool bOk =
        std::fseek(pFile, nOffset, SEEK_SET) == 0 &&
        std::fread(vPlaceholder.data(), 1, vPlaceholder.size(), pFile) == vPlaceholder.size() &&
        SameFrameKind(vPlaceholder.data(), vTag.data());
    bOk = bOk && std::fseek(pFile, nOffset, SEEK_SET) == 0 &&
          std::fwrite(vTag.data(), 1, vTag.size(), pFile) == vTag.size();
    bOk = std::fclose(pFile) == 0 && bOk;
    return bOk ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_FORMAT_PARAMETERS;
}

// Ends a live stream: its tag frame is taken before LAME's state goes.
void FinishStream(CStream& stream)
{
    stream.m_vTag = TakeTagFrame(stream.m_pLame);
    lame_close(stream.m_pLame);
    stream.m_pLame = nullptr;
    stream.m_eState = CStream::EState::AwaitingTag;
}

// Releases a stream (closing it first if it is still live) and writes its tag to path.
BE_ERR TagAndRelease(HBE_STREAM hStream, const char* path)
{
    std::vector<uint8_t> vTag;
    {
        std::lock_guard tableLock(g_streamTable.Mutex());
        std::shared_ptr<CStream> pStream = g_streamTable.FindLocked(hStream);
        if (!pStream)
            return BE_ERR_INVALID_HANDLE;
        if (!path)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;
        std::lock_guard streamLock(pStream->m_mutex);
        if (pStream->m_eState != CStream::EState::AwaitingTag)
            FinishStream(*pStream);
        vTag = std::move(pStream->m_vTag);
        g_streamTable.ReleaseLocked(hStream);
    }
    // File work happens outside the table lock so other streams are never held up by I/O.
    return WriteTagFrame(vTag, path);
}

// An open stream, locked for the length of one call.
struct CLockedStream
{
    std::shared_ptr<CStream> pStream; // null: unknown handle, or the stream is not open any more
    std::unique_lock<std::mutex> lock;
};

CLockedStream LockOpenStream(HBE_STREAM hStream)
{
    CLockedStream locked{g_streamTable.Find(hStream), {}};
    if (!locked.pStream)
        return locked;
    locked.lock = std::unique_lock(locked.pStream->m_mutex);
    if (locked.pStream->m_eState != CStream::EState::Open)
    {
        locked.lock.unlock();
        locked.pStream.reset();
    }
    return locked;
}

// LAME's byte count (negative for an error) as an error number and output size.
BE_ERR ByteCountResult(int nBytes, uint32_t* outputBytes)
{
    if (nBytes == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (nBytes < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = static_cast<uint32_t>(nBytes);
    return BE_ERR_SUCCESSFUL;
}

} // namespace

extern "C"
{

    LAME_ENC_API BE_ERR beInitStream(BE_CONFIG* config, uint32_t* samplesPerChunk,
                                     uint32_t* outputBufferSize, HBE_STREAM* stream, int32_t,
                                     int32_t, const wchar_t*, const wchar_t*, const wchar_t*,
                                     const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                                     int32_t, int32_t, int32_t, int32_t, int32_t, int32_t)
    {
        if (!config || !samplesPerChunk || !outputBufferSize || !stream)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;
        if (const BE_ERR err = ValidateConfig(*config); err != BE_ERR_SUCCESSFUL)
            return err;

        auto pStream = std::make_shared<CStream>();
        {
            std::lock_guard setupLock(g_lameSetupMutex);
            LamePtr pLame(lame_init());
            if (!pLame)
                return BE_ERR_NO_MORE_HANDLES;
            if (!ApplyConfig(pLame.get(), config->LHV1) || lame_init_params(pLame.get()) < 0)
                return BE_ERR_INVALID_FORMAT_PARAMETERS;
            pStream->m_pLame = pLame.release();
        }
        pStream->m_nChannels = lame_get_num_channels(pStream->m_pLame);
        pStream->m_dwSamplesPerChunk =
            static_cast<uint32_t>(lame_get_framesize(pStream->m_pLame) * pStream->m_nChannels);
        pStream->m_dwOutputBufferSize = OutputBufferSize(pStream->m_dwSamplesPerChunk);

        const uint32_t dwSamples = pStream->m_dwSamplesPerChunk;
        const uint32_t dwBuffer = pStream->m_dwOutputBufferSize;
        const HBE_STREAM hStream = g_streamTable.Add(pStream);
        if (hStream == 0)
        {
            lame_close(pStream->m_pLame);
            pStream->m_pLame = nullptr;
            return BE_ERR_NO_MORE_HANDLES;
        }
        *samplesPerChunk = dwSamples;
        *outputBufferSize = dwBuffer;
        *stream = hStream;
        return BE_ERR_SUCCESSFUL;
    }

    LAME_ENC_API_STREAM BE_ERR beEncodeChunkFloatS16NI(HBE_STREAM stream, uint32_t frames,
                                                       const float* left, const float* right,
                                                       uint8_t* output, uint32_t* outputBytes)
    {
        const CLockedStream locked = LockOpenStream(stream);
        if (!locked.pStream)
            return BE_ERR_INVALID_HANDLE;
        CStream* const pStream = locked.pStream.get();
        if (!output || !outputBytes || frames > INT_MAX)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;
        if (frames > 0 && (!left || (pStream->m_nChannels > 1 && !right)))
            return BE_ERR_INVALID_FORMAT_PARAMETERS;

        *outputBytes = 0;
        if (frames == 0)
            return BE_ERR_SUCCESSFUL;
        const int nBytes = lame_encode_buffer_float(
            pStream->m_pLame, left, right ? right : left, static_cast<int>(frames), output,
            static_cast<int>(pStream->m_dwOutputBufferSize));
        return ByteCountResult(nBytes, outputBytes);
    }

    LAME_ENC_API_STREAM BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output,
                                              uint32_t* outputBytes)
    {
        const CLockedStream locked = LockOpenStream(stream);
        if (!locked.pStream)
            return BE_ERR_INVALID_HANDLE;
        CStream* const pStream = locked.pStream.get();
        if (!output || !outputBytes)
            return BE_ERR_INVALID_FORMAT_PARAMETERS;

        *outputBytes = 0;
        const int nBytes = lame_encode_flush(pStream->m_pLame, output,
                                             static_cast<int>(pStream->m_dwOutputBufferSize));
        const BE_ERR result = ByteCountResult(nBytes, outputBytes);
        // A second flush would append padding frames to a finished file.
        if (result == BE_ERR_SUCCESSFUL)
            pStream->m_eState = CStream::EState::Flushed;
        return result;
    }

    LAME_ENC_API_STREAM BE_ERR beCloseStream(HBE_STREAM stream)
    {
        std::lock_guard tableLock(g_streamTable.Mutex());
        const std::shared_ptr<CStream> pStream = g_streamTable.FindLocked(stream);
        if (!pStream)
            return BE_ERR_INVALID_HANDLE;
        std::lock_guard streamLock(pStream->m_mutex);
        if (pStream->m_eState == CStream::EState::AwaitingTag)
            return BE_ERR_INVALID_HANDLE;
        FinishStream(*pStream);
        g_streamTable.MarkClosedLocked(stream);
        return BE_ERR_SUCCESSFUL;
    }

    LAME_ENC_API_INFO_TAG BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path)
    {
        return TagAndRelease(stream, path);
    }

    LAME_ENC_API_STREAM BE_ERR beWriteVBRHeader(const char* path)
    {
        HBE_STREAM hLast = 0;
        {
            std::lock_guard tableLock(g_streamTable.Mutex());
            hLast = g_streamTable.LastClosedLocked();
        }
        if (hLast == 0)
            return BE_ERR_INVALID_HANDLE;
        // Another thread may tag the same stream in between; then this call finds it gone (4).
        return TagAndRelease(hLast, path);
    }

} // extern "C"
