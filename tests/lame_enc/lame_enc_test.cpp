// The encoder library through its six entry points, loaded the way the engine loads it.
#include "tests/lame_enc/lame_enc_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <thread>

using namespace lame_enc_test;

namespace
{

constexpr uint32_t g_aBitrates[] = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                    96, 112, 128, 160, 192, 224, 256, 320};

// A stream driven by hand, its output kept in memory.
struct ManualStream
{
    HBE_STREAM hStream = 0;
    uint32_t dwSamplesPerChunk = 0;
    uint32_t dwBufferSize = 0;
    int nChannels = 2;
    std::vector<uint8_t> vFile;
};

ManualStream StartStream(BE_CONFIG config)
{
    ManualStream stream;
    stream.nChannels = config.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    const BE_ERR err =
        MainLibrary().Init(config, stream.dwSamplesPerChunk, stream.dwBufferSize, stream.hStream);
    if (err != BE_ERR_SUCCESSFUL)
        throw std::runtime_error("beInitStream failed: " + std::to_string(err));
    return stream;
}

// Encodes frames of the signal starting at nFirst in one call.
BE_ERR EncodeOnce(ManualStream& stream, const Signal& signal, size_t nFirst, size_t nFrames)
{
    std::vector<float> vLeft(nFrames);
    std::vector<float> vRight(nFrames);
    const auto nChannels = static_cast<size_t>(signal.nChannels);
    for (size_t i = 0; i < nFrames; ++i)
    {
        vLeft[i] = signal.vSamples[(nFirst + i) * nChannels];
        vRight[i] = signal.vSamples[(nFirst + i) * nChannels + nChannels - 1];
    }
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    const BE_ERR err =
        MainLibrary().beEncodeChunkFloatS16NI(stream.hStream, static_cast<uint32_t>(nFrames),
                                              vLeft.data(), vRight.data(), vOut.data(), &dwBytes);
    stream.vFile.insert(stream.vFile.end(), vOut.begin(), vOut.begin() + dwBytes);
    return err;
}

BE_ERR EncodeAll(ManualStream& stream, const Signal& signal)
{
    const size_t nChunk = stream.dwSamplesPerChunk / static_cast<size_t>(stream.nChannels);
    for (size_t nDone = 0; nDone < signal.Frames(); nDone += nChunk)
    {
        if (const BE_ERR err =
                EncodeOnce(stream, signal, nDone, std::min(nChunk, signal.Frames() - nDone));
            err != BE_ERR_SUCCESSFUL)
            return err;
    }
    return BE_ERR_SUCCESSFUL;
}

BE_ERR Flush(ManualStream& stream)
{
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    const BE_ERR err = MainLibrary().beDeinitStream(stream.hStream, vOut.data(), &dwBytes);
    stream.vFile.insert(stream.vFile.end(), vOut.begin(), vOut.begin() + dwBytes);
    return err;
}

// Deterministic full-band noise at 16-bit scale: the costliest input to encode.
Signal NoiseSignal(size_t nFrames)
{
    Signal signal;
    signal.vSamples.resize(nFrames * 2);
    uint32_t dwState = 12345;
    for (float& fSample : signal.vSamples)
    {
        dwState = dwState * 1664525u + 1013904223u;
        fSample = static_cast<float>(static_cast<int32_t>(dwState >> 16) - 32768) * 0.9f;
    }
    return signal;
}

class LameEnc : public ::testing::Test
{
protected:
    testing_support::TempDir m_dir;
};

// --- every setting the engine can choose -------------------------------------------------

struct ChannelMode
{
    const char* pszName;
    bool bMono;
    int nChannels;
};
constexpr ChannelMode g_aChannelModes[] = {
    {"Auto", false, 2}, {"Mono", true, 1}, {"Stereo", false, 2}};

// The last 44100 stands for the automatic frequency, which keeps the source's 44100 Hz.
constexpr uint32_t g_aFrequencies[] = {8000,  11025, 12000, 16000, 22050,
                                       24000, 32000, 44100, 44100};

using SettingsParam = std::tuple<size_t, size_t, uint32_t>;

class LameEncSettings : public ::testing::TestWithParam<SettingsParam>
{
protected:
    testing_support::TempDir m_dir;
};

TEST_P(LameEncSettings, ProducesTaggedMp3ThatDecodes)
{
    const auto [nFrequency, nMode, dwBitrate] = GetParam();
    const uint32_t dwRate = g_aFrequencies[nFrequency];
    const ChannelMode& mode = g_aChannelModes[nMode];
    constexpr double dSeconds = 0.25;
    const Signal signal = SineSignal(mode.nChannels, dwRate, dSeconds, 8000.0);
    const auto path = m_dir / "out.mp3";

    const EncodeOutcome outcome =
        EncodeFile(MainLibrary(), EngineConfig(dwRate, mode.bMono, dwBitrate), signal, path);
    ASSERT_TRUE(outcome.Ok()) << outcome.errInit << outcome.errEncode << outcome.errDeinit
                              << outcome.errClose << outcome.errTag;

    const FirstFrame frame = InspectFirstFrame(ReadBytes(path));
    ASSERT_TRUE(frame.bValid);
    // LAME leaves the tag out when a frame at the stream's bit rate cannot hold its 156 bytes
    // (the lowest rates); otherwise it must be there.
    const bool bTagFits = frame.nLength >= frame.nTagOffset + 156;
    EXPECT_EQ(frame.strTagName, bTagFits ? "Info" : "") << "first frame " << frame.nLength;

    const Decoded decoded = Decode(path);
    ASSERT_TRUE(decoded.bOpened);
    EXPECT_EQ(decoded.nChannels, mode.nChannels);
    // LAME may lower the output frequency for a small bit rate, never raise it.
    EXPECT_LE(decoded.nSampleRate, static_cast<int>(dwRate));
    const double dExpected = dSeconds * decoded.nSampleRate;
    const auto dFrames = static_cast<double>(decoded.nFrames);
    if (bTagFits)
    {
        // The tag's delay and padding let the decoder trim to the source length.
        EXPECT_NEAR(dFrames, dExpected, 1152.0);
    }
    else
    {
        // Untrimmed: the encoder delay and the last frame's padding stay in.
        EXPECT_GE(dFrames, dExpected);
        EXPECT_LE(dFrames, dExpected + 3 * 1152.0);
    }
}

std::string SettingsName(const ::testing::TestParamInfo<SettingsParam>& info)
{
    const auto [nFrequency, nMode, dwBitrate] = info.param;
    return (nFrequency == std::size(g_aFrequencies) - 1
                ? std::string("Automatic")
                : std::to_string(g_aFrequencies[nFrequency])) +
           g_aChannelModes[nMode].pszName + std::to_string(dwBitrate) + "kbps";
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, LameEncSettings,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(g_aFrequencies)),
                                            ::testing::Range<size_t>(0, std::size(g_aChannelModes)),
                                            ::testing::ValuesIn(g_aBitrates)),
                         SettingsName);

// --- the configuration record ------------------------------------------------------------

struct ConfigCase
{
    const char* pszName;
    std::function<void(BE_CONFIG&)> fnChange;
    BE_ERR errExpected;
};

TEST_F(LameEnc, InitRefusesBadRecords)
{
    const ConfigCase aCases[] = {
        {"short MP3 form", [](BE_CONFIG& c) { c.dwConfig = BE_CONFIG_MP3; }, BE_ERR_INVALID_FORMAT},
        {"unknown form", [](BE_CONFIG& c) { c.dwConfig = 257; }, BE_ERR_INVALID_FORMAT},
        {"version 0", [](BE_CONFIG& c) { c.LHV1.dwStructVersion = 0; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"size 0", [](BE_CONFIG& c) { c.LHV1.dwStructSize = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"size one short", [](BE_CONFIG& c) { c.LHV1.dwStructSize = sizeof(BE_CONFIG) - 1; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"size huge", [](BE_CONFIG& c) { c.LHV1.dwStructSize = 0xFFFFFFFF; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"mode -1", [](BE_CONFIG& c) { c.LHV1.nMode = -1; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"mode 4", [](BE_CONFIG& c) { c.LHV1.nMode = 4; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"rate 0", [](BE_CONFIG& c) { c.LHV1.dwSampleRate = 0; }, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"rate beyond int", [](BE_CONFIG& c) { c.LHV1.dwSampleRate = 0x80000000u; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"emphasis 4", [](BE_CONFIG& c) { c.LHV1.dwEmphasis = 4; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        {"VBR method 5",
         [](BE_CONFIG& c)
         {
             c.LHV1.bEnableVBR = 1;
             c.LHV1.nVbrMethod = 5;
         },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
        // Accepted by the record's checks, refused by lame_init_params.
        {"output rate 12345", [](BE_CONFIG& c) { c.LHV1.dwReSampleRate = 12345; },
         BE_ERR_INVALID_FORMAT_PARAMETERS},
    };
    for (const ConfigCase& test : aCases)
    {
        BE_CONFIG config = EngineConfig(44100, false, 128);
        test.fnChange(config);
        uint32_t dwSamples = 7;
        uint32_t dwBuffer = 7;
        HBE_STREAM hStream = 7;
        EXPECT_EQ(MainLibrary().Init(config, dwSamples, dwBuffer, hStream), test.errExpected)
            << test.pszName;
        EXPECT_EQ(dwSamples, 7u) << test.pszName;
        EXPECT_EQ(hStream, 7u) << test.pszName;
    }
}

TEST_F(LameEnc, InitRefusesNullPointers)
{
    BE_CONFIG config = EngineConfig(44100, false, 128);
    uint32_t dwSamples = 0;
    uint32_t dwBuffer = 0;
    HBE_STREAM hStream = 0;
    const wchar_t* pszEmpty = L"";
    const auto init =
        [&](BE_CONFIG* pConfig, uint32_t* pSamples, uint32_t* pBuffer, HBE_STREAM* pStream)
    {
        return MainLibrary().beInitStream(pConfig, pSamples, pBuffer, pStream, 0, 0, pszEmpty,
                                          pszEmpty, pszEmpty, pszEmpty, pszEmpty, pszEmpty,
                                          pszEmpty, 0, 0, 30, 5, 16000, 2400);
    };
    EXPECT_EQ(init(nullptr, &dwSamples, &dwBuffer, &hStream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(init(&config, nullptr, &dwBuffer, &hStream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(init(&config, &dwSamples, nullptr, &hStream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(init(&config, &dwSamples, &dwBuffer, nullptr), BE_ERR_INVALID_FORMAT_PARAMETERS);
}

// Settings the engine does not use, each seen in the frame header or the tag it produces.
struct HeaderCase
{
    const char* pszName;
    std::function<void(BE_CONFIG&)> fnChange;
    std::function<bool(const std::vector<uint8_t>&)> fnCheck;
    const char* pszTag;
};

TEST_F(LameEnc, RecordFieldsReachTheStream)
{
    const auto modeBits = [](const std::vector<uint8_t>& v) { return v[3] >> 6; };
    const HeaderCase aCases[] = {
        {"engine defaults", [](BE_CONFIG&) {},
         [&](const std::vector<uint8_t>& v)
         { return modeBits(v) == 0 && (v[1] & 1) == 1 && (v[3] & 0x0F) == 0; },
         "Info"},
        {"joint stereo", [](BE_CONFIG& c) { c.LHV1.nMode = BE_MP3_MODE_JSTEREO; },
         [&](const std::vector<uint8_t>& v) { return modeBits(v) == 1; }, "Info"},
        {"dual channel", [](BE_CONFIG& c) { c.LHV1.nMode = BE_MP3_MODE_DUALCHANNEL; },
         [&](const std::vector<uint8_t>& v) { return modeBits(v) == 2; }, "Info"},
        {"CRC", [](BE_CONFIG& c) { c.LHV1.bCRC = 1; },
         [](const std::vector<uint8_t>& v) { return (v[1] & 1) == 0; }, "Info"},
        {"copyright", [](BE_CONFIG& c) { c.LHV1.bCopyright = 1; },
         [](const std::vector<uint8_t>& v) { return (v[3] & 0x08) != 0; }, "Info"},
        {"original", [](BE_CONFIG& c) { c.LHV1.bOriginal = 1; },
         [](const std::vector<uint8_t>& v) { return (v[3] & 0x04) != 0; }, "Info"},
        {"private", [](BE_CONFIG& c) { c.LHV1.bPrivate = 1; },
         [](const std::vector<uint8_t>& v) { return (v[2] & 0x01) != 0; }, "Info"},
        {"emphasis", [](BE_CONFIG& c) { c.LHV1.dwEmphasis = 1; },
         [](const std::vector<uint8_t>& v) { return (v[3] & 0x03) == 1; }, "Info"},
        {"bit rate too high for the frequency",
         [](BE_CONFIG& c)
         {
             c.LHV1.dwSampleRate = 8000;
             c.LHV1.dwBitrate = 320;
         },
         [](const std::vector<uint8_t>& v) { return (v[1] >> 3 & 3) == 0; }, "Info"},
        {"explicit output rate", [](BE_CONFIG& c) { c.LHV1.dwReSampleRate = 32000; },
         [](const std::vector<uint8_t>& v) { return (v[1] >> 3 & 3) == 3 && (v[2] >> 2 & 3) == 2; },
         "Info"},
        {"no tag", [](BE_CONFIG& c) { c.LHV1.bWriteVBRHeader = 0; },
         [](const std::vector<uint8_t>&) { return true; }, ""},
        {"VBR",
         [](BE_CONFIG& c)
         {
             c.LHV1.bEnableVBR = 1;
             c.LHV1.nVbrMethod = 3;
             c.LHV1.nVBRQuality = 4;
         },
         [](const std::vector<uint8_t>&) { return true; }, "Xing"},
        {"ABR",
         [](BE_CONFIG& c)
         {
             c.LHV1.bEnableVBR = 1;
             c.LHV1.nVbrMethod = 4;
             c.LHV1.dwVbrAbr_bps = 96000;
         },
         [](const std::vector<uint8_t>&) { return true; }, "Xing"},
    };
    const Signal signal = SineSignal(2, 44100, 0.3, 8000.0);
    for (const HeaderCase& test : aCases)
    {
        BE_CONFIG config = EngineConfig(44100, false, 128);
        test.fnChange(config);
        const auto path = m_dir / "out.mp3";
        ASSERT_TRUE(EncodeFile(MainLibrary(), config, signal, path).Ok()) << test.pszName;
        const std::vector<uint8_t> vBytes = ReadBytes(path);
        const FirstFrame frame = InspectFirstFrame(vBytes);
        ASSERT_TRUE(frame.bValid) << test.pszName;
        EXPECT_TRUE(test.fnCheck(vBytes)) << test.pszName;
        EXPECT_EQ(frame.strTagName, test.pszTag) << test.pszName;
        const Decoded decoded = Decode(path);
        EXPECT_TRUE(decoded.bOpened) << test.pszName;
        EXPECT_EQ(decoded.nChannels, 2) << test.pszName;
    }
}

// --- handles ---------------------------------------------------------------------------

enum class EStage
{
    Zero,
    NeverIssued,
    Flushed,
    Closed,
    Tagged
};
enum class ECall
{
    Encode,
    Deinit,
    Close,
    WriteInfoTag
};

struct HandleCase
{
    EStage eStage;
    ECall eCall;
};

TEST_F(LameEnc, CallsOnUnknownOrFinishedStreamsReturnInvalidHandleAndTouchNothing)
{
    const HandleCase aCases[] = {
        {EStage::Zero, ECall::Encode},         {EStage::Zero, ECall::Deinit},
        {EStage::Zero, ECall::Close},          {EStage::Zero, ECall::WriteInfoTag},
        {EStage::NeverIssued, ECall::Encode},  {EStage::NeverIssued, ECall::Deinit},
        {EStage::NeverIssued, ECall::Close},   {EStage::NeverIssued, ECall::WriteInfoTag},
        {EStage::Flushed, ECall::Encode},      {EStage::Flushed, ECall::Deinit},
        {EStage::Closed, ECall::Encode},       {EStage::Closed, ECall::Deinit},
        {EStage::Closed, ECall::Close},        {EStage::Tagged, ECall::Encode},
        {EStage::Tagged, ECall::Deinit},       {EStage::Tagged, ECall::Close},
        {EStage::Tagged, ECall::WriteInfoTag},
    };
    const CLameEncLibrary& lib = MainLibrary();
    const Signal signal = SineSignal(2, 44100, 0.1, 8000.0);
    const auto ownPath = m_dir / "own.mp3";
    const auto victimPath = m_dir / "victim.mp3";
    for (const HandleCase& test : aCases)
    {
        const std::string strCase = "stage " + std::to_string(static_cast<int>(test.eStage)) +
                                    " call " + std::to_string(static_cast<int>(test.eCall));
        ManualStream stream = StartStream(EngineConfig(44100, false, 128));
        ASSERT_EQ(EncodeAll(stream, signal), BE_ERR_SUCCESSFUL);
        ASSERT_EQ(Flush(stream), BE_ERR_SUCCESSFUL);
        // An untagged file a wrongly accepted tag call could overwrite.
        WriteBytes(victimPath, stream.vFile);
        WriteBytes(ownPath, stream.vFile);
        HBE_STREAM hCall = stream.hStream;
        switch (test.eStage)
        {
        case EStage::Zero:
            hCall = 0;
            break;
        case EStage::NeverIssued:
            hCall = stream.hStream + 1000000;
            break;
        case EStage::Flushed:
            break;
        case EStage::Closed:
            ASSERT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
            break;
        case EStage::Tagged:
            ASSERT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
            ASSERT_EQ(lib.beWriteInfoTag(stream.hStream, ownPath.c_str()), BE_ERR_SUCCESSFUL);
            break;
        }

        std::vector<uint8_t> vOut(stream.dwBufferSize, 0xAB);
        uint32_t dwBytes = 0xFFFF;
        const std::vector<float> vPcm(100, 1000.0f);
        BE_ERR err = BE_ERR_SUCCESSFUL;
        switch (test.eCall)
        {
        case ECall::Encode:
            err = lib.beEncodeChunkFloatS16NI(hCall, 100, vPcm.data(), vPcm.data(), vOut.data(),
                                              &dwBytes);
            break;
        case ECall::Deinit:
            err = lib.beDeinitStream(hCall, vOut.data(), &dwBytes);
            break;
        case ECall::Close:
            err = lib.beCloseStream(hCall);
            break;
        case ECall::WriteInfoTag:
            err = lib.beWriteInfoTag(hCall, victimPath.c_str());
            break;
        }
        EXPECT_EQ(err, BE_ERR_INVALID_HANDLE) << strCase;
        EXPECT_EQ(dwBytes, 0xFFFFu) << strCase;
        EXPECT_TRUE(std::all_of(vOut.begin(), vOut.end(), [](uint8_t b) { return b == 0xAB; }))
            << strCase;
        EXPECT_EQ(ReadBytes(victimPath), stream.vFile) << strCase;

        // Whatever stage the stream reached, it ends normally.
        lib.beCloseStream(stream.hStream);
        lib.beWriteInfoTag(stream.hStream, ownPath.c_str());
    }
}

TEST_F(LameEnc, NullPointersOnALiveStreamAreRefusedAndTheStreamGoesOn)
{
    const CLameEncLibrary& lib = MainLibrary();
    ManualStream stream = StartStream(EngineConfig(44100, false, 128));
    const HBE_STREAM h = stream.hStream;
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    const std::vector<float> vPcm(1152, 1000.0f);
    constexpr BE_ERR errParam = BE_ERR_INVALID_FORMAT_PARAMETERS;
    EXPECT_EQ(lib.beEncodeChunkFloatS16NI(h, 1152, vPcm.data(), vPcm.data(), nullptr, &dwBytes),
              errParam);
    EXPECT_EQ(lib.beEncodeChunkFloatS16NI(h, 1152, vPcm.data(), vPcm.data(), vOut.data(), nullptr),
              errParam);
    EXPECT_EQ(lib.beEncodeChunkFloatS16NI(h, 1152, nullptr, vPcm.data(), vOut.data(), &dwBytes),
              errParam);
    // A stereo stream needs its right channel.
    EXPECT_EQ(lib.beEncodeChunkFloatS16NI(h, 1152, vPcm.data(), nullptr, vOut.data(), &dwBytes),
              errParam);
    EXPECT_EQ(lib.beDeinitStream(h, nullptr, &dwBytes), errParam);
    EXPECT_EQ(lib.beDeinitStream(h, vOut.data(), nullptr), errParam);

    const Signal signal = SineSignal(2, 44100, 0.1, 8000.0);
    ASSERT_EQ(EncodeAll(stream, signal), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(Flush(stream), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beCloseStream(h), BE_ERR_SUCCESSFUL);
    const auto path = m_dir / "out.mp3";
    WriteBytes(path, stream.vFile);
    EXPECT_EQ(lib.beWriteInfoTag(h, nullptr), errParam);
    EXPECT_EQ(lib.beWriteVBRHeader(nullptr), errParam);
    EXPECT_EQ(lib.beWriteInfoTag(h, path.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(InspectFirstFrame(ReadBytes(path)).strTagName, "Info");
}

TEST_F(LameEnc, TooManyOpenStreamsReturnNoMoreHandlesUntilOneCloses)
{
    const CLameEncLibrary& lib = MainLibrary();
    std::vector<HBE_STREAM> vOpen;
    BE_ERR err = BE_ERR_SUCCESSFUL;
    while (vOpen.size() < 4096)
    {
        BE_CONFIG config = EngineConfig(22050, true, 64);
        uint32_t dwSamples = 0;
        uint32_t dwBuffer = 0;
        HBE_STREAM h = 0;
        err = lib.Init(config, dwSamples, dwBuffer, h);
        if (err != BE_ERR_SUCCESSFUL)
            break;
        vOpen.push_back(h);
    }
    EXPECT_EQ(err, BE_ERR_NO_MORE_HANDLES);
    EXPECT_GE(vOpen.size(), 16u);

    // A closed stream awaiting its tag no longer counts as open.
    ASSERT_EQ(lib.beCloseStream(vOpen.back()), BE_ERR_SUCCESSFUL);
    ManualStream again = StartStream(EngineConfig(22050, true, 64));
    vOpen.push_back(again.hStream);

    const auto path = m_dir / "never-written.mp3";
    for (HBE_STREAM h : vOpen)
    {
        lib.beCloseStream(h);
        // Nothing was encoded, so LAME has no tag and the file is never opened.
        EXPECT_EQ(lib.beWriteInfoTag(h, path.c_str()), BE_ERR_SUCCESSFUL);
        EXPECT_EQ(lib.beWriteInfoTag(h, path.c_str()), BE_ERR_INVALID_HANDLE);
    }
}

// --- chunks ------------------------------------------------------------------------------

TEST_F(LameEnc, ChunkLargerThanTheChunkSizeIsEncodedWhenItFits)
{
    ManualStream stream = StartStream(EngineConfig(44100, false, 128));
    const Signal signal = SineSignal(2, 44100, 0.5, 8000.0);
    ASSERT_GT(signal.Frames(), 8 * stream.dwSamplesPerChunk / 2);
    ASSERT_EQ(EncodeOnce(stream, signal, 0, signal.Frames()), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(Flush(stream), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(MainLibrary().beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
    const auto path = m_dir / "out.mp3";
    WriteBytes(path, stream.vFile);
    ASSERT_EQ(MainLibrary().beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_SUCCESSFUL);
    const Decoded decoded = Decode(path);
    ASSERT_TRUE(decoded.bOpened);
    EXPECT_NEAR(static_cast<double>(decoded.nFrames), 0.5 * decoded.nSampleRate, 1152.0);
}

// The engine's sequence after a chunk fails: the stream stays awaiting its tag until the tag
// call, and the calls in between are refused without harm.
TEST_F(LameEnc, FailedChunkSequenceEndsCleanlyAndTagsWhatWasWritten)
{
    const CLameEncLibrary& lib = MainLibrary();
    ManualStream stream = StartStream(EngineConfig(44100, false, 320));
    ASSERT_EQ(EncodeAll(stream, SineSignal(2, 44100, 0.2, 8000.0)), BE_ERR_SUCCESSFUL);
    const std::vector<uint8_t> vBefore = stream.vFile;
    ASSERT_FALSE(vBefore.empty());

    // Forty frames of noise at 320 kbps cannot fit the buffer of one chunk.
    const Signal noise = NoiseSignal(40 * 1152);
    EXPECT_EQ(EncodeOnce(stream, noise, 0, noise.Frames()), BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(stream.vFile, vBefore);

    EXPECT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    EXPECT_EQ(lib.beDeinitStream(stream.hStream, vOut.data(), &dwBytes), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_INVALID_HANDLE);
    const auto path = m_dir / "failed.mp3";
    WriteBytes(path, vBefore);
    EXPECT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_INVALID_HANDLE);

    // Only the placeholder frame changed.
    const std::vector<uint8_t> vAfter = ReadBytes(path);
    ASSERT_EQ(vAfter.size(), vBefore.size());
    const FirstFrame frame = InspectFirstFrame(vAfter);
    EXPECT_EQ(frame.strTagName, "Info");
    EXPECT_TRUE(std::equal(vAfter.begin() + static_cast<long>(frame.nLength), vAfter.end(),
                           vBefore.begin() + static_cast<long>(frame.nLength)));
    EXPECT_TRUE(Decode(path).bOpened);
}

TEST_F(LameEnc, FailedFirstChunkLeavesAnEmptyFileAlone)
{
    const CLameEncLibrary& lib = MainLibrary();
    ManualStream stream = StartStream(EngineConfig(44100, false, 320));
    const Signal noise = NoiseSignal(40 * 1152);
    ASSERT_EQ(EncodeOnce(stream, noise, 0, noise.Frames()), BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    EXPECT_EQ(lib.beDeinitStream(stream.hStream, vOut.data(), &dwBytes), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_INVALID_HANDLE);
    const auto path = m_dir / "empty.mp3";
    WriteBytes(path, stream.vFile);
    ASSERT_TRUE(stream.vFile.empty());
    // No placeholder to overwrite: refused, the file stays empty and the stream is gone.
    EXPECT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_TRUE(ReadBytes(path).empty());
    EXPECT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_INVALID_HANDLE);
}

TEST_F(LameEnc, StreamWithoutSamplesHoldsFlushOutputAndTag)
{
    const CLameEncLibrary& lib = MainLibrary();
    ManualStream stream = StartStream(EngineConfig(44100, false, 128));
    std::vector<uint8_t> vOut(stream.dwBufferSize);
    uint32_t dwBytes = 0;
    // The engine's last chunk may hold no frames at all.
    ASSERT_EQ(
        lib.beEncodeChunkFloatS16NI(stream.hStream, 0, nullptr, nullptr, vOut.data(), &dwBytes),
        BE_ERR_SUCCESSFUL);
    EXPECT_EQ(dwBytes, 0u);
    ASSERT_EQ(Flush(stream), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
    const auto path = m_dir / "silent.mp3";
    WriteBytes(path, stream.vFile);
    ASSERT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), BE_ERR_SUCCESSFUL);

    const std::vector<uint8_t> vBytes = ReadBytes(path);
    const FirstFrame frame = InspectFirstFrame(vBytes);
    ASSERT_TRUE(frame.bValid);
    EXPECT_EQ(frame.strTagName, "Info");
    EXPECT_EQ(vBytes.size() % frame.nLength, 0u);
    const Decoded decoded = Decode(path);
    ASSERT_TRUE(decoded.bOpened);
    EXPECT_EQ(decoded.nFrames, 0);
}

// --- the tag after closing ---------------------------------------------------------------

TEST_F(LameEnc, EveryClosedStreamKeepsItsOwnTagUntilAsked)
{
    const CLameEncLibrary& lib = MainLibrary();
    const Signal signalA = SineSignal(2, 44100, 0.3, 8000.0);
    const Signal signalB = SineSignal(2, 44100, 0.6, 4000.0);
    const BE_CONFIG config = EngineConfig(44100, false, 128);
    ASSERT_TRUE(EncodeFile(lib, config, signalA, m_dir / "refA.mp3").Ok());
    ASSERT_TRUE(EncodeFile(lib, config, signalB, m_dir / "refB.mp3").Ok());

    // Two workers close their streams before either writes its tag.
    ManualStream a = StartStream(config);
    ManualStream b = StartStream(config);
    ASSERT_EQ(EncodeAll(a, signalA), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(EncodeAll(b, signalB), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(Flush(a), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(Flush(b), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beCloseStream(a.hStream), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beCloseStream(b.hStream), BE_ERR_SUCCESSFUL);
    WriteBytes(m_dir / "a.mp3", a.vFile);
    WriteBytes(m_dir / "b.mp3", b.vFile);
    EXPECT_EQ(lib.beWriteInfoTag(a.hStream, (m_dir / "a.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(lib.beWriteInfoTag(b.hStream, (m_dir / "b.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(ReadBytes(m_dir / "a.mp3"), ReadBytes(m_dir / "refA.mp3"));
    EXPECT_EQ(ReadBytes(m_dir / "b.mp3"), ReadBytes(m_dir / "refB.mp3"));
}

// The tag goes over this stream's placeholder frame, after an ID3v2 tag if there is one, and
// never into a file that does not start with that frame.
TEST_F(LameEnc, TagIsWrittenOnlyOverThePlaceholderFrame)
{
    const CLameEncLibrary& lib = MainLibrary();
    const Signal signal = SineSignal(2, 44100, 0.2, 8000.0);
    ManualStream other = StartStream(EngineConfig(22050, false, 64));
    ASSERT_EQ(EncodeAll(other, SineSignal(2, 22050, 0.2, 8000.0)), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(Flush(other), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beCloseStream(other.hStream), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(lib.beWriteInfoTag(other.hStream, (m_dir / "other.mp3").c_str()),
              BE_ERR_INVALID_FORMAT_PARAMETERS);

    // ID3v2.4 header, 20 bytes of tag (sizes are 7 bits a byte), then 20 bytes of padding.
    std::vector<uint8_t> vId3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    vId3.resize(30, 0);
    const std::vector<uint8_t> vText = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'M', 'P', '3'};

    const struct
    {
        const char* pszName;
        std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> fnFile;
        BE_ERR errExpected;
        size_t nFrameAt;
    } aCases[] = {
        {"plain", [](const std::vector<uint8_t>& v) { return v; }, BE_ERR_SUCCESSFUL, 0},
        {"after ID3v2",
         [&](const std::vector<uint8_t>& v)
         {
             std::vector<uint8_t> vFile = vId3;
             vFile.insert(vFile.end(), v.begin(), v.end());
             return vFile;
         },
         BE_ERR_SUCCESSFUL, vId3.size()},
        {"not an MP3", [&](const std::vector<uint8_t>&) { return vText; },
         BE_ERR_INVALID_FORMAT_PARAMETERS, 0},
        {"another stream's file", [&](const std::vector<uint8_t>&) { return other.vFile; },
         BE_ERR_INVALID_FORMAT_PARAMETERS, 0},
    };
    for (const auto& test : aCases)
    {
        ManualStream stream = StartStream(EngineConfig(44100, false, 128));
        ASSERT_EQ(EncodeAll(stream, signal), BE_ERR_SUCCESSFUL);
        ASSERT_EQ(Flush(stream), BE_ERR_SUCCESSFUL);
        ASSERT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
        const auto path = m_dir / "file.mp3";
        const std::vector<uint8_t> vFile = test.fnFile(stream.vFile);
        WriteBytes(path, vFile);

        EXPECT_EQ(lib.beWriteInfoTag(stream.hStream, path.c_str()), test.errExpected)
            << test.pszName;
        const std::vector<uint8_t> vAfter = ReadBytes(path);
        ASSERT_EQ(vAfter.size(), vFile.size()) << test.pszName;
        if (test.errExpected != BE_ERR_SUCCESSFUL)
        {
            EXPECT_EQ(vAfter, vFile) << test.pszName;
            continue;
        }
        const std::vector<uint8_t> vFrames(vAfter.begin() + static_cast<long>(test.nFrameAt),
                                           vAfter.end());
        EXPECT_EQ(InspectFirstFrame(vFrames).strTagName, "Info") << test.pszName;
        EXPECT_TRUE(std::equal(vAfter.begin(), vAfter.begin() + static_cast<long>(test.nFrameAt),
                               vFile.begin()))
            << test.pszName;
    }
}

TEST_F(LameEnc, ClosedStreamsNeverTaggedAreDroppedOldestFirst)
{
    const CLameEncLibrary& lib = MainLibrary();
    std::vector<HBE_STREAM> vClosed;
    for (int i = 0; i < 400; ++i)
    {
        ManualStream stream = StartStream(EngineConfig(8000, true, 8));
        ASSERT_EQ(lib.beCloseStream(stream.hStream), BE_ERR_SUCCESSFUL);
        vClosed.push_back(stream.hStream);
    }
    // A caller that never asks for its tags leaves a bounded number of closed streams.
    const auto path = m_dir / "unused.mp3";
    EXPECT_EQ(lib.beWriteInfoTag(vClosed.front(), path.c_str()), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(lib.beWriteInfoTag(vClosed.back(), path.c_str()), BE_ERR_SUCCESSFUL);
    size_t nKept = 1;
    for (size_t i = 1; i + 1 < vClosed.size(); ++i)
        nKept += lib.beWriteInfoTag(vClosed[i], path.c_str()) == BE_ERR_SUCCESSFUL ? 1 : 0;
    EXPECT_LT(nKept, vClosed.size());
    EXPECT_GE(nKept, 16u);
}

TEST_F(LameEnc, WithoutWriteInfoTagTheVbrHeaderCallTagsTheLastClosedStream)
{
    CLameEncLibrary notag(LAME_ENC_NOTAG_PATH);
    ASSERT_TRUE(notag.IsLoaded());
    EXPECT_EQ(notag.beWriteInfoTag, nullptr);
    ASSERT_NE(notag.beInitStream, nullptr);
    ASSERT_NE(notag.beEncodeChunkFloatS16NI, nullptr);
    ASSERT_NE(notag.beDeinitStream, nullptr);
    ASSERT_NE(notag.beCloseStream, nullptr);
    ASSERT_NE(notag.beWriteVBRHeader, nullptr);

    const Signal signalA = SineSignal(1, 22050, 0.3, 8000.0);
    const Signal signalB = SineSignal(1, 22050, 0.5, 6000.0);
    const BE_CONFIG config = EngineConfig(22050, true, 64);
    // The full build's beWriteInfoTag gives the reference files.
    ASSERT_TRUE(EncodeFile(MainLibrary(), config, signalA, m_dir / "refA.mp3").Ok());
    ASSERT_TRUE(EncodeFile(MainLibrary(), config, signalB, m_dir / "refB.mp3").Ok());

    ASSERT_TRUE(EncodeFile(notag, config, signalA, m_dir / "a.mp3").Ok());
    EXPECT_EQ(ReadBytes(m_dir / "a.mp3"), ReadBytes(m_dir / "refA.mp3"));
    EXPECT_EQ(notag.beWriteVBRHeader((m_dir / "a.mp3").c_str()), BE_ERR_INVALID_HANDLE);

    // Two streams closed in turn: each call takes the most recent one still waiting.
    const auto encodeUntagged = [&](const Signal& signal, const std::filesystem::path& path)
    {
        BE_CONFIG c = config;
        uint32_t dwSamples = 0;
        uint32_t dwBuffer = 0;
        HBE_STREAM h = 0;
        ASSERT_EQ(notag.Init(c, dwSamples, dwBuffer, h), BE_ERR_SUCCESSFUL);
        std::vector<uint8_t> vFile;
        std::vector<uint8_t> vOut(dwBuffer);
        uint32_t dwBytes = 0;
        for (size_t n = 0; n < signal.Frames(); n += dwSamples)
        {
            const auto nFrames =
                static_cast<uint32_t>(std::min<size_t>(dwSamples, signal.Frames() - n));
            ASSERT_EQ(notag.beEncodeChunkFloatS16NI(h, nFrames, signal.vSamples.data() + n, nullptr,
                                                    vOut.data(), &dwBytes),
                      BE_ERR_SUCCESSFUL);
            vFile.insert(vFile.end(), vOut.begin(), vOut.begin() + dwBytes);
        }
        ASSERT_EQ(notag.beDeinitStream(h, vOut.data(), &dwBytes), BE_ERR_SUCCESSFUL);
        vFile.insert(vFile.end(), vOut.begin(), vOut.begin() + dwBytes);
        ASSERT_EQ(notag.beCloseStream(h), BE_ERR_SUCCESSFUL);
        WriteBytes(path, vFile);
    };
    encodeUntagged(signalA, m_dir / "a2.mp3");
    encodeUntagged(signalB, m_dir / "b2.mp3");
    EXPECT_EQ(notag.beWriteVBRHeader((m_dir / "b2.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(notag.beWriteVBRHeader((m_dir / "a2.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(notag.beWriteVBRHeader((m_dir / "a2.mp3").c_str()), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(ReadBytes(m_dir / "a2.mp3"), ReadBytes(m_dir / "refA.mp3"));
    EXPECT_EQ(ReadBytes(m_dir / "b2.mp3"), ReadBytes(m_dir / "refB.mp3"));
}

TEST(LameEncVariants, BrokenBuildExportsOnlyInit)
{
    CLameEncLibrary broken(LAME_ENC_BROKEN_PATH);
    ASSERT_TRUE(broken.IsLoaded());
    EXPECT_NE(broken.beInitStream, nullptr);
    EXPECT_EQ(broken.beEncodeChunkFloatS16NI, nullptr);
    EXPECT_EQ(broken.beDeinitStream, nullptr);
    EXPECT_EQ(broken.beCloseStream, nullptr);
    EXPECT_EQ(broken.beWriteInfoTag, nullptr);
    EXPECT_EQ(broken.beWriteVBRHeader, nullptr);
}

// --- the samples -------------------------------------------------------------------------

TEST_F(LameEnc, SameInputGivesTheSameFile)
{
    const BE_CONFIG config = EngineConfig(32000, false, 96);
    const Signal signal = SineSignal(2, 32000, 0.4, 10000.0);
    ASSERT_TRUE(EncodeFile(MainLibrary(), config, signal, m_dir / "1.mp3").Ok());
    ASSERT_TRUE(EncodeFile(MainLibrary(), config, signal, m_dir / "2.mp3").Ok());
    EXPECT_EQ(ReadBytes(m_dir / "1.mp3"), ReadBytes(m_dir / "2.mp3"));
}

TEST_F(LameEnc, SamplesAreReadAtSixteenBitScale)
{
    // Full scale decodes to about 1.0 and half scale to about 0.5: the level is kept, not
    // clipped or shrunk.
    const struct
    {
        double dPeakIn;
        double dPeakOut;
    } aCases[] = {{32767.0, 1.0}, {16384.0, 0.5}, {3277.0, 0.1}};
    for (const auto& test : aCases)
    {
        const Signal signal = SineSignal(2, 44100, 0.4, test.dPeakIn);
        const auto path = m_dir / "level.mp3";
        ASSERT_TRUE(EncodeFile(MainLibrary(), EngineConfig(44100, false, 320), signal, path).Ok());
        const Decoded decoded = Decode(path);
        ASSERT_TRUE(decoded.bOpened);
        float fPeak = 0.0f;
        for (float f : decoded.vSamples)
            fPeak = std::max(fPeak, std::fabs(f));
        EXPECT_NEAR(fPeak, test.dPeakOut, 0.08 * test.dPeakOut) << test.dPeakIn;
    }
}

// --- threads and unloading ---------------------------------------------------------------

TEST_F(LameEnc, StreamsOnSeveralThreadsAtOnceDoNotDisturbEachOther)
{
    struct Job
    {
        BE_CONFIG config;
        Signal signal;
    };
    const std::vector<Job> vJobs = {
        {EngineConfig(44100, false, 128), SineSignal(2, 44100, 0.2, 8000.0)},
        {EngineConfig(22050, true, 64), SineSignal(1, 22050, 0.3, 12000.0)},
        {EngineConfig(8000, true, 16), SineSignal(1, 8000, 0.5, 20000.0)},
        {EngineConfig(32000, false, 320), SineSignal(2, 32000, 0.2, 3000.0)},
    };
    std::vector<std::vector<uint8_t>> vReference;
    for (size_t i = 0; i < vJobs.size(); ++i)
    {
        const auto path = m_dir / ("ref" + std::to_string(i) + ".mp3");
        ASSERT_TRUE(EncodeFile(MainLibrary(), vJobs[i].config, vJobs[i].signal, path).Ok());
        vReference.push_back(ReadBytes(path));
    }

    constexpr int nRounds = 4;
    std::vector<int> vMatches(vJobs.size(), 0);
    std::vector<std::thread> vThreads;
    for (size_t i = 0; i < vJobs.size(); ++i)
    {
        vThreads.emplace_back(
            [&, i]
            {
                const auto path = m_dir / ("thread" + std::to_string(i) + ".mp3");
                for (int n = 0; n < nRounds; ++n)
                {
                    if (EncodeFile(MainLibrary(), vJobs[i].config, vJobs[i].signal, path).Ok() &&
                        ReadBytes(path) == vReference[i])
                        ++vMatches[i];
                }
            });
    }
    for (std::thread& thread : vThreads)
        thread.join();
    for (size_t i = 0; i < vJobs.size(); ++i)
        EXPECT_EQ(vMatches[i], nRounds) << "job " << i;
}

TEST_F(LameEnc, UnloadingEndsStreamsLeftBehind)
{
    // A private copy, so this test alone holds it and dlclose really unloads it.
    const auto copyPath = m_dir / "liblame_enc_copy.so";
    std::filesystem::copy_file(LAME_ENC_PATH, copyPath);
    HBE_STREAM hOpen = 0;
    {
        CLameEncLibrary lib(copyPath);
        ASSERT_TRUE(lib.IsLoaded());
        BE_CONFIG config = EngineConfig(44100, false, 128);
        uint32_t dwSamples = 0;
        uint32_t dwBuffer = 0;
        HBE_STREAM hClosed = 0;
        ASSERT_EQ(lib.Init(config, dwSamples, dwBuffer, hOpen), BE_ERR_SUCCESSFUL);
        ASSERT_EQ(lib.Init(config, dwSamples, dwBuffer, hClosed), BE_ERR_SUCCESSFUL);
        ASSERT_EQ(lib.beCloseStream(hClosed), BE_ERR_SUCCESSFUL);
        // Under AddressSanitizer, whatever the unload fails to free is reported as a leak.
        ASSERT_TRUE(lib.Unload());
    }
    CLameEncLibrary reloaded(copyPath);
    ASSERT_TRUE(reloaded.IsLoaded());
    // A fresh table: the stream left open before the unload is gone.
    EXPECT_EQ(reloaded.beCloseStream(hOpen), BE_ERR_INVALID_HANDLE);
}

} // namespace
