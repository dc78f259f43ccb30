// One way for code below the windows (settings store, encoder stage) to show a message box.
// The program installs a handler that shows a real box on the UI thread while the caller
// waits; without one the text goes to stderr and the box counts as answered with its default.
#pragma once

#include <functional>
#include <string>

namespace platform
{

// Buttons and icons, combined with |.
enum MessageBoxFlags : unsigned
{
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbYesNo = 0x4,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
};

// What the user pressed.
enum MessageBoxResult : int
{
    IdOk = 1,
    IdCancel = 2,
    IdYes = 6,
    IdNo = 7,
};

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

// The caption every box carries.
const std::string& ApplicationTitle();

// Shows a box with the application title as caption and returns the button pressed.
int ShowMessageBox(const std::string& text, unsigned flags);

// Replaces the handler; an empty handler restores the stderr fallback. Returns the old one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace platform
