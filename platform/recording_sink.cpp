#include "platform/recording_sink.h"

namespace platform
{

void CRecordingSink::Add(Record record)
{
    std::function<void(const WindowMessage&)> observer;
    {
        std::lock_guard lock(m_mutex);
        m_records.push_back(record);
        observer = m_observer;
    }
    if (observer && (record.kind == Record::Posted || record.kind == Record::Sent))
        observer(record.message);
}

void CRecordingSink::PostMessage(WindowMessage message)
{
    Add({Record::Posted, std::move(message), 0, {}, 0});
}

void CRecordingSink::SendMessage(WindowMessage message)
{
    Add({Record::Sent, std::move(message), 0, {}, 0});
}

void CRecordingSink::SetWindowTitle(const std::string& title)
{
    Add({Record::Title, {}, 0, title, 0});
}

void CRecordingSink::SetDlgItemText(int controlId, const std::string& text)
{
    Add({Record::ControlText, {}, controlId, text, 0});
}

void CRecordingSink::SetTimer(int timerId, unsigned periodMs)
{
    Add({Record::Timer, {}, timerId, {}, periodMs});
}

int CRecordingSink::MessageBox(const std::string& text, unsigned flags)
{
    Add({Record::Box, {}, static_cast<int>(flags), text, 0});
    return 1; // OK
}

void CRecordingSink::SetObserver(std::function<void(const WindowMessage&)> observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

std::vector<CRecordingSink::Record> CRecordingSink::Records() const
{
    std::lock_guard lock(m_mutex);
    return m_records;
}

std::vector<std::pair<int, std::string>> CRecordingSink::LogLines() const
{
    std::vector<std::pair<int, std::string>> lines;
    for (const auto& m : Messages(WM_CONV_LOG))
        lines.emplace_back(m.level, m.text);
    return lines;
}

std::vector<WindowMessage> CRecordingSink::Messages(unsigned id) const
{
    std::lock_guard lock(m_mutex);
    std::vector<WindowMessage> out;
    for (const auto& r : m_records)
        if ((r.kind == Record::Posted || r.kind == Record::Sent) && r.message.id == id)
            out.push_back(r.message);
    return out;
}

int CRecordingSink::CountMessages(unsigned id) const
{
    return static_cast<int>(Messages(id).size());
}

std::vector<std::string> CRecordingSink::BoxTexts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& r : m_records)
        if (r.kind == Record::Box)
            out.push_back(r.text);
    return out;
}

} // namespace platform
