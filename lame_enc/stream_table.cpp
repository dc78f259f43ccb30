#include "lame_enc/stream_table.h"

#include <lame/lame.h>

#include <algorithm>

namespace lame_enc
{

CStreamTable::~CStreamTable()
{
    // Unloading the library ends whatever callers left behind.
    for (auto& [hStream, pStream] : m_mapStreams)
    {
        if (pStream->m_pLame)
        {
            lame_close(pStream->m_pLame);
            pStream->m_pLame = nullptr;
        }
    }
}

HBE_STREAM CStreamTable::Add(std::shared_ptr<CStream> pStream)
{
    std::lock_guard lock(m_mutex);
    if (m_mapStreams.size() - m_dqClosed.size() >= kMaxOpen)
        return 0;
    const HBE_STREAM hStream = m_hNext++;
    m_mapStreams.emplace(hStream, std::move(pStream));
    return hStream;
}

std::shared_ptr<CStream> CStreamTable::Find(HBE_STREAM hStream)
{
    std::lock_guard lock(m_mutex);
    return FindLocked(hStream);
}

std::shared_ptr<CStream> CStreamTable::FindLocked(HBE_STREAM hStream) const
{
    const auto it = m_mapStreams.find(hStream);
    return it == m_mapStreams.end() ? nullptr : it->second;
}

void CStreamTable::MarkClosedLocked(HBE_STREAM hStream)
{
    m_dqClosed.push_back(hStream);
    if (m_dqClosed.size() > kMaxAwaiting)
    {
        // Only the tag bytes go; the stream itself was closed already.
        m_mapStreams.erase(m_dqClosed.front());
        m_dqClosed.pop_front();
    }
}

void CStreamTable::ReleaseLocked(HBE_STREAM hStream)
{
    if (m_mapStreams.erase(hStream) == 0)
        return;
    const auto it = std::find(m_dqClosed.begin(), m_dqClosed.end(), hStream);
    if (it != m_dqClosed.end())
        m_dqClosed.erase(it);
}

HBE_STREAM CStreamTable::LastClosedLocked() const
{
    return m_dqClosed.empty() ? 0 : m_dqClosed.back();
}

} // namespace lame_enc
