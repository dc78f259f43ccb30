#include "engine/ring_buffer.h"

SampleRing* DecodedRing = nullptr;
SampleRing* ProcessedRing = nullptr;

void CreateEngineRings()
{
    if (!DecodedRing)
        DecodedRing = new SampleRing(SampleRingCapacity);
    if (!ProcessedRing)
        ProcessedRing = new SampleRing(SampleRingCapacity);
}

void DestroyEngineRings()
{
    delete ProcessedRing;
    ProcessedRing = nullptr;
    delete DecodedRing;
    DecodedRing = nullptr;
}
