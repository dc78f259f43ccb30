// How the conversion engine's threads reach the window that shows a run: queued ("posted")
// and synchronous ("sent") window messages with owned payloads, and the few direct window
// changes the batch runner makes. The progress window implements it over Qt events; tests
// record, the batch driver prints.
#pragma once

#include <string>

namespace platform
{

// Private window messages of the conversion engine (WM_USER + 100, + 101, + 105).
inline constexpr unsigned WM_CONV_PROGRESS = 0x464;
inline constexpr unsigned WM_CONV_LOG = 0x465;
inline constexpr unsigned WM_CONV_DONE = 0x469;

// Control ids of the progress window that the batch runner writes to.
inline constexpr int IDC_CONV_SOURCE = 1092;
inline constexpr int IDC_CONV_DESTINATION = 1093;
inline constexpr int IDT_CONV_REFIT = 1;

// Log levels.
inline constexpr int LogInfo = 0;
inline constexpr int LogError = 2;

// One message and its payload, carried by value: a message that is dropped frees itself.
struct WindowMessage
{
    unsigned id = 0;
    std::string text;  // WM_CONV_LOG: the line
    int level = 0;     // WM_CONV_LOG: LogInfo or LogError
    float current = 0; // WM_CONV_PROGRESS: current task percentage
    float overall = 0; // WM_CONV_PROGRESS: whole run percentage
};

class IMessageSink
{
public:
    virtual ~IMessageSink() = default;

    // Queued: returns at once.
    virtual void PostMessage(WindowMessage message) = 0;
    // Synchronous: returns once the window has handled the message.
    virtual void SendMessage(WindowMessage message) = 0;

    virtual void SetWindowTitle(const std::string& title) = 0;
    virtual void SetDlgItemText(int controlId, const std::string& text) = 0;
    virtual void SetTimer(int timerId, unsigned periodMs) = 0;
    // Shows a box owned by the window and waits until the user closes it.
    virtual int MessageBox(const std::string& text, unsigned flags) = 0;
};

} // namespace platform
