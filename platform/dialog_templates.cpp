#include "platform/dialog_templates.h"

namespace platform
{
namespace
{

using enum ControlKind;

constexpr DialogControl g_aConvProgControls[] = {
    {1071, GroupBox, "Current Progress", 7, 4, 354, 48, CsNone},
    {1073, SmoothProgress, "", 14, 20, 339, 10, CsNone},
    {1076, Label, "Done:", 24, 36, 20, 10, CsNone},
    {1080, RightText, "0.00%", 48, 36, 30, 10, CsNone},
    {1078, Label, "Speed:", 106, 36, 26, 10, CsNone},
    {1082, RightText, "0.00x", 134, 36, 27, 10, CsNone},
    {1085, Label, "Elapsed:", 191, 36, 28, 10, CsNone},
    {1087, RightText, "00:00:00", 222, 37, 33, 10, CsNone},
    {1090, Label, "ETA:", 283, 36, 17, 10, CsNone},
    {1088, RightText, "00:00:00", 302, 37, 33, 10, CsNone},
    {1072, GroupBox, "Overall Progress", 7, 56, 354, 48, CsNone},
    {1074, SmoothProgress, "", 13, 72, 339, 10, CsNone},
    {1077, Label, "Done:", 24, 88, 20, 10, CsNone},
    {1081, RightText, "0.00%", 48, 88, 30, 10, CsNone},
    {1079, Label, "Speed:", 106, 88, 26, 10, CsNone},
    {1083, RightText, "0.00x", 134, 88, 27, 10, CsNone},
    {1084, Label, "Elapsed:", 191, 88, 28, 10, CsNone},
    {1086, RightText, "00:00:00", 222, 89, 33, 10, CsNone},
    {1089, Label, "ETA:", 283, 88, 17, 10, CsNone},
    {1091, RightText, "00:00:00", 302, 89, 33, 10, CsNone},
    {1094, Label, "Source:", 9, 110, 34, 10, CsNone},
    {1092, Label, "", 62, 110, 298, 10, CsNone},
    {1095, Label, "Destination:", 9, 127, 43, 10, CsNone},
    {1093, Label, "", 62, 127, 298, 10, CsNone},
    {1003, ReportList, "", 3, 144, 362, 105, CsShowSelAlways | CsNoSortHeader},
    {1096, PushButton, "Clear", 75, 255, 48, 13, CsNone},
    {1075, PushButton, "Pause", 159, 255, 48, 13, CsNone},
    {2, PushButton, "Cancel", 243, 255, 48, 13, CsNone},
};

} // namespace

const DialogTemplate g_tmplConvProg = {
    IDD_CONV_PROG,       "", 367, 273, "Tahoma", 8, DsResizable | DsMinimizeBox | DsMaximizeBox,
    g_aConvProgControls,
};

} // namespace platform
