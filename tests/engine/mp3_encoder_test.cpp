#include "engine/mp3_encoder.h"

#include <gtest/gtest.h>

namespace
{

TEST(EncoderInput, SamplesBecomeSixteenBitScaleFloats)
{
    EXPECT_EQ(SampleToFloat(2147483647), 32768.0f); // rounded to the nearest float
    EXPECT_EQ(SampleToFloat(INT32_MIN), -32768.0f);
    EXPECT_EQ(SampleToFloat(65536), 1.0f);
    EXPECT_EQ(SampleToFloat(0), 0.0f);
    EXPECT_EQ(SampleToFloat(-32768), -0.5f);
}

TEST(EncoderConfig, IsConstantBitRatePlainStereoOrMonoAtQualityNine)
{
    CConversionTask task;
    task.destRate = 22050;
    task.destChannels = 2;
    BE_CONFIG c = MakeEncoderConfig(task, 160);
    EXPECT_EQ(c.dwConfig, 256u);
    EXPECT_EQ(c.LHV1.dwStructVersion, 1u);
    EXPECT_EQ(c.LHV1.dwStructSize, 331u);
    EXPECT_EQ(c.LHV1.dwSampleRate, 22050u);
    EXPECT_EQ(c.LHV1.dwReSampleRate, 0u);
    EXPECT_EQ(c.LHV1.nMode, BE_MP3_MODE_STEREO);
    EXPECT_EQ(c.LHV1.dwBitrate, 160u);
    EXPECT_EQ(c.LHV1.nPreset, -1);
    EXPECT_EQ(c.LHV1.dwMpegVersion, 1u);
    EXPECT_EQ(c.LHV1.bWriteVBRHeader, 1);
    EXPECT_EQ(c.LHV1.bEnableVBR, 0);
    EXPECT_EQ(c.LHV1.bNoRes, 1);
    EXPECT_EQ(c.LHV1.nQuality, 0xF609);
    for (uint8_t b : c.LHV1.btReserved)
        ASSERT_EQ(b, 0);

    task.destChannels = 1;
    EXPECT_EQ(MakeEncoderConfig(task, 64).LHV1.nMode, BE_MP3_MODE_MONO);
}

} // namespace
