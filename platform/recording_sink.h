// A message sink that remembers everything it is given, for tests that run the engine
// without a window. Thread-safe: the engine's threads call it concurrently.
#pragma once

#include "platform/message_sink.h"

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace platform
{

class CRecordingSink : public IMessageSink
{
public:
    struct Record
    {
        enum Kind
        {
            Posted,
            Sent,
            Title,
            ControlText,
            Timer,
            Box
        } kind;
        WindowMessage message; // Posted, Sent
        int id = 0;            // ControlText: control; Timer: timer; Box: flags
        std::string text;      // Title, ControlText, Box
        unsigned period = 0;   // Timer
    };

    void PostMessage(WindowMessage message) override;
    void SendMessage(WindowMessage message) override;
    void SetWindowTitle(const std::string& title) override;
    void SetDlgItemText(int controlId, const std::string& text) override;
    void SetTimer(int timerId, unsigned periodMs) override;
    int MessageBox(const std::string& text, unsigned flags) override;

    // Called (outside the lock) for every posted or sent message, on the sender's thread.
    void SetObserver(std::function<void(const WindowMessage&)> observer);

    std::vector<Record> Records() const;
    // The WM_CONV_LOG lines in order, as (level, text).
    std::vector<std::pair<int, std::string>> LogLines() const;
    std::vector<WindowMessage> Messages(unsigned id) const;
    int CountMessages(unsigned id) const;
    std::vector<std::string> BoxTexts() const;

private:
    void Add(Record record);

    mutable std::mutex m_mutex;
    std::vector<Record> m_records;
    std::function<void(const WindowMessage&)> m_observer;
};

} // namespace platform
