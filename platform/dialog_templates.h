// The program's dialog templates, one constant table per dialog.
#pragma once

#include "platform/dialog_template.h"

namespace platform
{

// The conversion progress window.
inline constexpr int IDD_CONV_PROG = 170;
extern const DialogTemplate g_tmplConvProg;

} // namespace platform
