// The encoder library's interface: a stream-oriented MP3 encoder configured by one packed
// record. The engine loads the library at run time and looks these entry points up by name.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C"
{

    using BE_ERR = uint32_t;
    using HBE_STREAM = uintptr_t;

    // Error numbers returned by every entry point.
    constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
    constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
    constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
    constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
    constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
    constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

    constexpr uint32_t BE_CONFIG_MP3 = 0;
    constexpr uint32_t BE_CONFIG_LAME = 256;

    constexpr int32_t BE_MP3_MODE_STEREO = 0;
    constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
    constexpr int32_t BE_MP3_MODE_DUALCHANNEL = 2;
    constexpr int32_t BE_MP3_MODE_MONO = 3;

    constexpr uint32_t MPEG1 = 1;
    constexpr uint32_t MPEG2 = 0;

    constexpr int32_t LQP_NOPRESET = -1;

#pragma pack(push, 1)
    // The configuration record in its LHV1 form. Peers fill it byte for byte, so the layout and
    // size must never change.
    struct BE_CONFIG
    {
        uint32_t dwConfig;
        struct
        {
            uint32_t dwStructVersion;
            uint32_t dwStructSize;
            uint32_t dwSampleRate;
            uint32_t dwReSampleRate;
            int32_t nMode;
            uint32_t dwBitrate;
            uint32_t dwMaxBitrate;
            int32_t nPreset;
            uint32_t dwMpegVersion;
            uint32_t dwPsyModel;
            uint32_t dwEmphasis;
            int32_t bPrivate;
            int32_t bCRC;
            int32_t bCopyright;
            int32_t bOriginal;
            int32_t bWriteVBRHeader;
            int32_t bEnableVBR;
            int32_t nVBRQuality;
            uint32_t dwVbrAbr_bps;
            int32_t nVbrMethod;
            int32_t bNoRes;
            int32_t bStrictIso;
            uint16_t nQuality;
            uint8_t btReserved[237];
        } LHV1;
    };
#pragma pack(pop)

    static_assert(sizeof(BE_CONFIG) == 331, "BE_CONFIG must stay 331 bytes");
    static_assert(offsetof(BE_CONFIG, LHV1) == 4);

    // The full form of beInitStream: the configuration, the chunk size in samples over all
    // channels, the output buffer size in bytes and the new stream, then fifteen build-specific
    // arguments that this library accepts and ignores.
    using BeInitStreamFn = BE_ERR (*)(BE_CONFIG* config, uint32_t* samplesPerChunk,
                                      uint32_t* outputBufferSize, HBE_STREAM* stream, int32_t,
                                      int32_t, const wchar_t*, const wchar_t*, const wchar_t*,
                                      const wchar_t*, const wchar_t*, const wchar_t*,
                                      const wchar_t*, int32_t, int32_t, int32_t, int32_t, int32_t,
                                      int32_t);
    // frames per channel; right may be null for a mono stream.
    using BeEncodeChunkFloatS16NIFn = BE_ERR (*)(HBE_STREAM stream, uint32_t frames,
                                                 const float* left, const float* right,
                                                 uint8_t* output, uint32_t* outputBytes);
    using BeDeinitStreamFn = BE_ERR (*)(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);
    using BeCloseStreamFn = BE_ERR (*)(HBE_STREAM stream);
    using BeWriteInfoTagFn = BE_ERR (*)(HBE_STREAM stream, const char* path);
    using BeWriteVBRHeaderFn = BE_ERR (*)(const char* path);

    BE_ERR beInitStream(BE_CONFIG* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                        HBE_STREAM* stream, int32_t, int32_t, const wchar_t*, const wchar_t*,
                        const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                        const wchar_t*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    BE_ERR beEncodeChunkFloatS16NI(HBE_STREAM stream, uint32_t frames, const float* left,
                                   const float* right, uint8_t* output, uint32_t* outputBytes);
    BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);
    BE_ERR beCloseStream(HBE_STREAM stream);
    BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* path);
    BE_ERR beWriteVBRHeader(const char* path);
}
