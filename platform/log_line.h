// The texts of one numbered log line as the progress window shows them.
#pragma once

#include <string>

namespace platform
{

// "%03d " of the line number.
std::string LogNumberText(unsigned number);
// "%02d:%02d:%02d" of the local wall-clock time now; a part that cannot be told shows -1.
std::string LogTimeText();

} // namespace platform
