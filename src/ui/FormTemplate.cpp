#include "ui/FormTemplate.h"

#include <array>

namespace hvt {

namespace {

using K = ControlKind;

// Rows of the conditions area, top to bottom, inside the tab control.
constexpr int kHeaderY = 46;
constexpr int kPolarityY = 58;
constexpr int kWidthY = 76;
constexpr int kVoltageY = 94;
constexpr int kTriggerY = 116;
constexpr int kInjectionY = 142;
constexpr int kReturnY = 160;
constexpr int kTimeY = 180;
constexpr int kIntervalY = 194;
// Columns: sweep check, label, start, stop, step.
constexpr int kSweepX = 206;
constexpr int kLabelX = 222;
constexpr int kStartX = 286;
constexpr int kStopX = 358;
constexpr int kStepX = 428;
// The sequence rows, top to bottom.
constexpr int SeqY(int k) { return 46 + k * 27; }

constexpr ControlTemplate kForm[] = {
    // Unit strip.
    {1159, K::Static, "Unit No.", 12, 9, 34, 8},
    {1047, K::ReadOnlyEdit, "", 48, 7, 22, 12},
    {1042, K::IconButton, "", 71, 7, 10, 12},
    {1046, K::IconButton, "", 82, 7, 10, 12},
    {1158, K::Static, "Unit Name", 100, 9, 38, 8},
    {1113, K::Static, "", 140, 6, 110, 14},
    {1070, K::IconButton, "", 254, 6, 14, 14},
    {1057, K::IconButton, "", 270, 6, 14, 14},
    {1136, K::Static, "DEMO", 300, 3, 64, 20},
    {1142, K::Static, "FIRE", 380, 5, 100, 17},
    {1088, K::Bitmap, "", 500, 3, 22, 20},

    // Sequence panel.
    {0, K::Group, "Sequence", 15, 31, 153, 178},
    {1064, K::Combo, "", 22, SeqY(0), 68, 80},
    {1065, K::Combo, "", 22, SeqY(1), 68, 80},
    {1066, K::Combo, "", 22, SeqY(2), 68, 80},
    {1067, K::Combo, "", 22, SeqY(3), 68, 80},
    {1068, K::Combo, "", 22, SeqY(4), 68, 80},
    {1069, K::Combo, "", 22, SeqY(5), 68, 80},
    {1126, K::Static, "", 22, SeqY(0), 68, 12},
    {1127, K::Static, "", 22, SeqY(1), 68, 12},
    {1128, K::Static, "", 22, SeqY(2), 68, 12},
    {1129, K::Static, "", 22, SeqY(3), 68, 12},
    {1130, K::Static, "", 22, SeqY(4), 68, 12},
    {1131, K::Static, "", 22, SeqY(5), 68, 12},
    {1071, K::ValueDisplay, "Injection", 98, SeqY(0) - 1, 64, 14},
    {1072, K::ValueDisplay, "Return", 98, SeqY(1) - 1, 64, 14},
    {1073, K::ValueDisplay, "Polarity", 98, SeqY(2) - 1, 64, 14},
    {1074, K::ValueDisplay, "Width", 98, SeqY(3) - 1, 64, 14},
    {1075, K::ValueDisplay, "Voltage", 98, SeqY(4) - 1, 64, 14},
    {1076, K::ValueDisplay, "Trigger", 98, SeqY(5) - 1, 64, 14},
    // The nesting arrows of the two bottom rows: a bracket from the row's
    // value back to the row above.
    // The right arrow's stubs end at its upright: past it they showed as
    // dots on the panel's edge.
    {1176, K::Rule, "", 164, SeqY(5) + 6, 2, 1},
    {1177, K::Rule, "", 166, SeqY(4) + 6, 1, 28},
    {1178, K::Rule, "", 164, SeqY(4) + 6, 2, 1},
    {1179, K::Rule, "", 92, SeqY(4) + 6, 4, 1},
    {1180, K::Rule, "", 92, SeqY(3) + 6, 1, 28},
    {1181, K::Rule, "", 92, SeqY(3) + 6, 4, 1},

    // Conditions area.
    {1078, K::Tab, "Tab1", 196, 29, 304, 181},
    {1102, K::Static, "Sweep", kSweepX - 4, kHeaderY, 26, 8},
    {1099, K::Static, "Start", kStartX, kHeaderY, 30, 8},
    {1100, K::Static, "Stop", kStopX, kHeaderY, 30, 8},
    {1101, K::Static, "Step", kStepX, kHeaderY, 30, 8},
    {1160, K::Rule, "", 200, kPolarityY - 3, 296, 1},
    {1018, K::Check, "", kSweepX, kPolarityY + 1, 10, 10, true},
    {1151, K::Static, "Polarity", kLabelX, kPolarityY + 2, 60, 8},
    {1000, K::Combo, "", kStartX, kPolarityY, 50, 60},
    {1001, K::Combo, "", kStopX, kPolarityY, 50, 60, true},
    {1161, K::Rule, "", 200, kWidthY - 3, 296, 1},
    {1019, K::Check, "", kSweepX, kWidthY + 1, 10, 10, true},
    {1152, K::Static, "Pulse Width", kLabelX, kWidthY + 2, 60, 8},
    {1012, K::Combo, "", kStartX, kWidthY, 50, 60},
    {1085, K::Static, "ns", kStartX + 53, kWidthY + 2, 14, 8},
    {1014, K::Combo, "", kStopX, kWidthY, 50, 60, true},
    {1079, K::Static, "ns", kStopX + 53, kWidthY + 2, 14, 8, true},
    {1162, K::Rule, "", 200, kVoltageY - 3, 296, 1},
    {1020, K::Check, "", kSweepX, kVoltageY + 1, 10, 10},
    {1153, K::Static, "Voltage", kLabelX, kVoltageY + 2, 60, 8},
    {1002, K::Edit, "", kStartX, kVoltageY, 36, 12},
    {1015, K::Spin, "", kStartX + 36, kVoltageY, 9, 12},
    {1086, K::Static, "kV", kStartX + 48, kVoltageY + 2, 14, 8},
    {1003, K::Edit, "", kStopX, kVoltageY, 36, 12},
    {1029, K::Spin, "", kStopX + 36, kVoltageY, 9, 12},
    {1081, K::Static, "kV", kStopX + 48, kVoltageY + 2, 14, 8},
    {1004, K::Edit, "", kStepX, kVoltageY, 36, 12},
    {1034, K::Spin, "", kStepX + 36, kVoltageY, 9, 12},
    {1082, K::Static, "kV", kStepX + 48, kVoltageY + 2, 14, 8},
    {1163, K::Rule, "", 200, kTriggerY - 7, 296, 1},
    {1021, K::Check, "", kSweepX, kTriggerY + 1, 10, 10},
    {1013, K::Radio, "", kLabelX, kTriggerY - 4, 10, 10},
    {1137, K::Static, "Phase", kLabelX + 12, kTriggerY - 3, 40, 8},
    {1011, K::Radio, "", kLabelX, kTriggerY + 8, 10, 10},
    {1138, K::Static, "Variable", kLabelX + 12, kTriggerY + 9, 40, 8},
    {1005, K::Edit, "", kStartX, kTriggerY, 36, 12},
    {1016, K::Spin, "", kStartX + 36, kTriggerY, 9, 12},
    {1087, K::Static, "deg", kStartX + 48, kTriggerY + 2, 18, 8},
    {1006, K::Edit, "", kStopX, kTriggerY, 36, 12},
    {1030, K::Spin, "", kStopX + 36, kTriggerY, 9, 12},
    {1083, K::Static, "deg", kStopX + 48, kTriggerY + 2, 18, 8},
    {1007, K::Edit, "", kStepX, kTriggerY, 36, 12},
    {1038, K::Spin, "", kStepX + 36, kTriggerY, 9, 12},
    {1084, K::Static, "deg", kStepX + 48, kTriggerY + 2, 18, 8},
    {1164, K::Rule, "", 200, kInjectionY - 5, 296, 1},
    {1022, K::Check, "", kSweepX, kInjectionY + 1, 10, 10, true},
    {1154, K::Static, "Injection", kLabelX, kInjectionY + 2, 60, 8},
    {1043, K::Combo, "", kStartX, kInjectionY, 50, 80},
    {1055, K::Combo, "", kStopX, kInjectionY, 50, 80, true},
    {1023, K::Check, "", kSweepX, kReturnY + 1, 10, 10, true},
    {1155, K::Static, "Retrun", kLabelX, kReturnY + 2, 60, 8},
    {1024, K::Combo, "", kStartX, kReturnY, 50, 80},
    {1080, K::Combo, "", kStopX, kReturnY, 50, 80, true},
    {1165, K::Rule, "", 200, kTimeY - 5, 296, 1},
    {1168, K::Static, "Pulse Injection Time", 204, kTimeY + 2, 76, 8},
    {1008, K::Edit, "", 282, kTimeY, 30, 12},
    {1044, K::Spin, "", 312, kTimeY, 9, 12},
    {1156, K::Static, "s", 324, kTimeY + 2, 9, 8},
    {1133, K::Check, "Endless", 334, kTimeY + 1, 40, 10},
    {1091, K::Static, "Interval Time", 204, kIntervalY + 2, 76, 8},
    {1009, K::Edit, "", 282, kIntervalY, 30, 12},
    {1045, K::Spin, "", 312, kIntervalY, 9, 12},
    {1092, K::Static, "s", 324, kIntervalY + 2, 9, 8},
    {1134, K::Check, "Endless", 334, kIntervalY + 1, 40, 10},
    {1166, K::Rule, "", 376, kTimeY - 2, 1, 28},
    {1143, K::Check, "", 382, kTimeY + 1, 10, 10},
    {1147, K::Static, "Line", 393, kTimeY + 2, 22, 8},
    {1112, K::PushButton, "UPDATE", 440, kTimeY - 1, 54, 13},
    {1171, K::Static, "Terminator", 382, kIntervalY + 2, 40, 8},
    {1172, K::Combo, "", 424, kIntervalY, 70, 60},
    // Shown instead of the conditions during a program run.
    {1090, K::UnitTable, "List1", 176, 34, 345, 136, true},

    // Program area.
    {0, K::Group, "", 12, 218, 300, 118},
    {1051, K::Check, "Program", 20, 213, 60, 10},
    {1041, K::StepList, "List2", 20, 230, 190, 58},
    {1157, K::Static, "Program Name", 218, 232, 56, 8},
    {1104, K::IconButton, "", 276, 229, 14, 14},
    {1103, K::IconButton, "", 292, 229, 14, 14},
    {1114, K::Static, "", 218, 245, 88, 14},
    {1050, K::ReadOnlyEdit, "", 218, 266, 22, 12},
    {1048, K::IconButton, "", 241, 266, 10, 12},
    {1049, K::IconButton, "", 252, 266, 10, 12},
    {1025, K::Radio, "Unit Name", 218, 284, 60, 10},
    {1017, K::Radio, "Unit No", 218, 297, 60, 10},
    {1097, K::Static, "Program Times", 20, 298, 56, 8},
    {1010, K::Edit, "", 78, 296, 28, 12},
    {1062, K::Spin, "", 106, 296, 9, 12},
    {1096, K::Static, "times", 118, 298, 20, 8},
    {0, K::Static, "x", 142, 298, 6, 8},
    {1089, K::Static, "", 150, 298, 30, 8},

    // Run controls.
    {0, K::Group, "Control", 320, 218, 200, 118},
    {1052, K::IconButton, "", 330, 232, 56, 42},
    {1053, K::IconButton, "", 392, 232, 56, 42},
    {1054, K::IconButton, "", 454, 232, 56, 42},
    {1063, K::PushCheck, "", 330, 282, 56, 42},
    {1077, K::PushCheck, "", 392, 282, 56, 42},
    {1056, K::IconButton, "", 454, 282, 56, 42},
};

}  // namespace

std::span<const ControlTemplate> FormTemplate() { return kForm; }

}  // namespace hvt
