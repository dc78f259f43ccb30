// A lock-free ring of samples between two pipeline stages.
//
// Thread contract: exactly one writer thread (Write, FreeSpace) and, per reader index, exactly
// one reader thread (Read, Available). Reset only while neither side is active. The ring never
// blocks and never allocates after construction; waiting for room or data is the caller's
// 1 ms polling loop. One slot always stays free so that full and empty differ by the indexes
// alone.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

template <typename T, unsigned Readers> class RingBuffer
{
    static_assert(Readers >= 1);
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit RingBuffer(uint32_t capacity)
        : m_pStorage(std::make_unique<T[]>(capacity)), m_nCapacity(capacity)
    {
        for (auto& r : m_readIndex)
            r.value.store(0, std::memory_order_relaxed);
    }
    RingBuffer(const RingBuffer&) = delete;
    RingBuffer& operator=(const RingBuffer&) = delete;
    virtual ~RingBuffer() = default;

    uint32_t Capacity() const { return m_nCapacity; }

    // Reader side: samples this reader may read now.
    uint32_t Available(unsigned reader = 0) const
    {
        // acquire: the samples up to writeIndex were stored before the writer published it.
        const uint32_t w = m_writeIndex.value.load(std::memory_order_acquire);
        // relaxed: only this reader changes its own index.
        const uint32_t r = m_readIndex[reader].value.load(std::memory_order_relaxed);
        return Distance(r, w);
    }

    // Writer side: samples that may be written now. Only reader 0 limits the writer.
    uint32_t FreeSpace() const
    {
        // acquire: the reader has finished copying out the slots before it published its index.
        const uint32_t r = m_readIndex[0].value.load(std::memory_order_acquire);
        // relaxed: only the writer changes writeIndex.
        const uint32_t w = m_writeIndex.value.load(std::memory_order_relaxed);
        return (r + m_nCapacity - w - 1) % m_nCapacity;
    }

    // Writer side: writes min(count, FreeSpace()) samples and returns that number.
    uint32_t Write(const T* source, uint32_t count)
    {
        const uint32_t n = std::min(count, FreeSpace());
        if (n == 0)
            return 0;
        const uint32_t w = m_writeIndex.value.load(std::memory_order_relaxed);
        const uint32_t tail = m_nCapacity - w;
        if (n <= tail)
        {
            std::memcpy(&m_pStorage[w], source, n * sizeof(T));
        }
        else
        {
            std::memcpy(&m_pStorage[w], source, tail * sizeof(T));
            std::memcpy(&m_pStorage[0], source + tail, (n - tail) * sizeof(T));
        }
        // release: publish the index only after the samples are stored.
        m_writeIndex.value.store(Advance(w, n), std::memory_order_release);
        return n;
    }

    // Reader side: reads min(count, Available()) samples; when fewer than count are there, the
    // rest of the destination's count slots is set to zero. Returns the number read.
    uint32_t Read(T* destination, uint32_t count, unsigned reader = 0)
    {
        const uint32_t a = Available(reader);
        if (a < count)
        {
            std::fill(destination + a, destination + count, T{});
            count = a;
        }
        if (count == 0)
            return 0;
        const uint32_t r = m_readIndex[reader].value.load(std::memory_order_relaxed);
        const uint32_t tail = m_nCapacity - r;
        if (count <= tail)
        {
            std::memcpy(destination, &m_pStorage[r], count * sizeof(T));
        }
        else
        {
            std::memcpy(destination, &m_pStorage[r], tail * sizeof(T));
            std::memcpy(destination + tail, &m_pStorage[0], (count - tail) * sizeof(T));
        }
        // release: the slots may be overwritten only after they were copied out.
        m_readIndex[reader].value.store(Advance(r, count), std::memory_order_release);
        return count;
    }

    // Empties the ring; the stored samples are left as they are.
    void Reset()
    {
        m_writeIndex.value.store(0, std::memory_order_release);
        m_readIndex[0].value.store(0, std::memory_order_release);
    }

private:
    uint32_t Distance(uint32_t from, uint32_t to) const
    {
        return to >= from ? to - from : m_nCapacity - from + to;
    }
    uint32_t Advance(uint32_t index, uint32_t n) const
    {
        // index < capacity and n < capacity, so the sum cannot overflow 32 bits for the
        // capacities used here (at most 2^31).
        return (index + n) % m_nCapacity;
    }

    // The two indexes live on separate cache lines so that the writer and the reader do not
    // invalidate each other's line on every update.
    struct alignas(64) Index
    {
        std::atomic<uint32_t> value{0};
    };

    std::unique_ptr<T[]> m_pStorage;
    Index m_writeIndex;
    Index m_readIndex[Readers];
    uint32_t m_nCapacity;
};

// The engine's two rings of 32-bit samples: reader -> processor, processor -> encoder.
using SampleRing = RingBuffer<int, 1>;
inline constexpr uint32_t SampleRingCapacity = 1u << 20;

extern SampleRing* DecodedRing;
extern SampleRing* ProcessedRing;

// Created by the main window when it starts (DecodedRing first) and destroyed when it
// closes; every run of the process uses the same two rings.
void CreateEngineRings();
void DestroyEngineRings();
