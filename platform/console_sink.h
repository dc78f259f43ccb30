// A message sink for the command line: log lines go to stdout numbered and timed as the
// progress window shows them, message boxes to stderr.
#pragma once

#include "platform/message_sink.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform
{

class CConsoleSink : public IMessageSink
{
public:
    explicit CConsoleSink(std::FILE* out = stdout) : m_pOut(out) {}

    void PostMessage(WindowMessage message) override;
    void SendMessage(WindowMessage message) override;
    void SetWindowTitle(const std::string&) override {}
    void SetDlgItemText(int, const std::string&) override {}
    void SetTimer(int, unsigned) override {}
    int MessageBox(const std::string& text, unsigned flags) override;

    // True once WM_CONV_DONE has arrived: the run finished without failure.
    bool Finished() const { return m_bFinished.load(); }

private:
    std::FILE* m_pOut;
    std::mutex m_mutex; // keeps lines whole and numbered in arrival order
    unsigned m_nLines = 0;
    std::atomic<bool> m_bFinished{false};
};

} // namespace platform
