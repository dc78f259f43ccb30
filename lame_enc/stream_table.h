// The encoder library's handle table: maps the handles given to callers onto streams, so that
// every entry point can refuse a handle it does not know instead of trusting a pointer.
#pragma once

#include "lame_enc/lame_enc.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

struct lame_global_struct;

namespace lame_enc
{

// One stream. Open -> Flushed (beDeinitStream) -> AwaitingTag (beCloseStream) -> released by
// the tag call. m_mutex guards everything below it.
struct CStream
{
    enum class EState
    {
        Open,
        Flushed,
        AwaitingTag
    };

    std::mutex m_mutex;
    EState m_eState = EState::Open;
    lame_global_struct* m_pLame = nullptr; // null once closed
    int m_nChannels = 0;
    uint32_t m_dwSamplesPerChunk = 0;
    uint32_t m_dwOutputBufferSize = 0;
    std::vector<uint8_t> m_vTag; // the finished tag frame, kept from close until the tag call
};

// Thread-safe. Handles are never reused, so a stale handle stays unknown for good. The table
// mutex may be held while taking a stream's mutex, never the other way round.
class CStreamTable
{
public:
    // Live encoders at once; each holds several hundred kilobytes inside LAME.
    static constexpr size_t kMaxOpen = 128;
    // Closed streams whose tag was never asked for; beyond this the oldest is dropped, which
    // bounds what a caller that never tags can leave behind.
    static constexpr size_t kMaxAwaiting = 256;

    CStreamTable() = default;
    CStreamTable(const CStreamTable&) = delete;
    CStreamTable& operator=(const CStreamTable&) = delete;
    ~CStreamTable();

    std::mutex& Mutex() { return m_mutex; }

    // New handle for an open stream, 0 when kMaxOpen streams are open already.
    HBE_STREAM Add(std::shared_ptr<CStream> pStream);
    std::shared_ptr<CStream> Find(HBE_STREAM hStream);

    // The *Locked calls expect Mutex() to be held.
    std::shared_ptr<CStream> FindLocked(HBE_STREAM hStream) const;
    void MarkClosedLocked(HBE_STREAM hStream);
    void ReleaseLocked(HBE_STREAM hStream);
    // The most recently closed stream still awaiting its tag, 0 when there is none.
    HBE_STREAM LastClosedLocked() const;

private:
    std::mutex m_mutex;
    std::unordered_map<HBE_STREAM, std::shared_ptr<CStream>> m_mapStreams;
    std::deque<HBE_STREAM> m_dqClosed; // awaiting their tag, oldest first
    HBE_STREAM m_hNext = 1;
};

} // namespace lame_enc
