#pragma once

namespace hvt {

// The form's controls by their numeric IDs. Logic names them; only the
// widget table knows their numbers' meaning as widgets.
enum class ControlId : int {
  // Conditions area.
  PolarityCombo = 1000,
  PolarityStopCombo = 1001,
  VoltageEdit = 1002,
  VoltageStopEdit = 1003,
  VoltageStepEdit = 1004,
  TriggerEdit = 1005,
  TriggerStopEdit = 1006,
  TriggerStepEdit = 1007,
  InjectionTimeEdit = 1008,
  IntervalTimeEdit = 1009,
  ProgramTimesEdit = 1010,
  VariableRadio = 1011,
  WidthCombo = 1012,
  PhaseRadio = 1013,
  WidthStopCombo = 1014,
  VoltageSpin = 1015,
  TriggerSpin = 1016,
  UnitNoRadio = 1017,
  PolaritySweepCheck = 1018,
  WidthSweepCheck = 1019,
  VoltageSweepCheck = 1020,
  TriggerSweepCheck = 1021,
  InjectionSweepCheck = 1022,
  ReturnSweepCheck = 1023,
  ReturnLineCombo = 1024,
  UnitNameRadio = 1025,
  VoltageStopSpin = 1029,
  TriggerStopSpin = 1030,
  VoltageStepSpin = 1034,
  TriggerStepSpin = 1038,
  ProgramList = 1041,
  UnitDownButton = 1042,
  InjectionLineCombo = 1043,
  InjectionTimeSpin = 1044,
  IntervalTimeSpin = 1045,
  UnitUpButton = 1046,
  UnitNumberEdit = 1047,
  ProgramDownButton = 1048,
  ProgramUpButton = 1049,
  ProgramNumberEdit = 1050,
  ProgramCheck = 1051,
  Start = 1052,
  Stop = 1053,
  Pause = 1054,
  InjectionStopCombo = 1055,
  Trigger = 1056,
  TestMemoButton = 1057,
  ProgramTimesSpin = 1062,
  Line = 1063,
  SequenceCombo0 = 1064,  // ... to 1069, outermost first
  UnitNameEditButton = 1070,
  SequenceValue0 = 1071,  // ... to 1076
  OneShotMode = 1077,
  ConditionTab = 1078,
  WidthStopUnit = 1079,
  ReturnStopCombo = 1080,
  VoltageStopUnit = 1081,
  VoltageStepUnit = 1082,
  TriggerStopUnit = 1083,
  TriggerStepUnit = 1084,
  WidthUnit = 1085,
  VoltageUnit = 1086,
  TriggerUnit = 1087,
  Lamp = 1088,
  TimesLeft = 1089,
  UnitOverview = 1090,
  IntervalTimeLabel = 1091,
  IntervalTimeUnit = 1092,
  ProgramTimesUnit = 1096,  // "times"
  ProgramTimesLabel = 1097,
  SweepHeader = 1102,
  StartHeader = 1099,
  StopHeader = 1100,
  StepHeader = 1101,
  ProgramMemoButton = 1103,
  ProgramNameEditButton = 1104,
  Update = 1112,
  UnitName = 1113,
  ProgramName = 1114,
  SequenceText0 = 1126,  // ... to 1131
  InjectionEndlessCheck = 1133,
  IntervalEndlessCheck = 1134,
  DemoLabel = 1136,
  PhaseLabel = 1137,
  VariableLabel = 1138,
  PulseLabel = 1142,
  LineOptionCheck = 1143,
  LineOptionLabel = 1147,
  PolarityLabel = 1151,
  WidthLabel = 1152,
  VoltageLabel = 1153,
  InjectionLabel = 1154,
  ReturnLabel = 1155,
  InjectionTimeUnit = 1156,
  ProgramNameLabel = 1157,
  UnitNameLabel = 1158,
  UnitNumberLabel = 1159,
  InjectionTimeLabel = 1168,
  Rule0 = 1160,         // ... to 1166
  ArrowBottom0 = 1176,  // 1176..1178: arrows of the bottom sequence row
  ArrowAbove0 = 1179,   // 1179..1181: arrows of the row above it
  TerminatorLabel = 1171,
  TerminatorCombo = 1172,
};

constexpr ControlId Offset(ControlId first, int k) {
  return static_cast<ControlId>(static_cast<int>(first) + k);
}

// Images shown on buttons and the lamp.
enum class Image : int {
  None = 0,
  StartNormal = 136,
  StartDark = 165,
  PauseNormal = 147,
  PauseDark = 164,
  LineOn = 171,
  LineOff = 172,
  LampLit = 132,
  LampDim = 158,
};

// Commands of the main menu, the tool bar and the unit context menu.
enum class CommandId : int {
  FileNew = 57600,
  FileOpen = 57601,
  FileSave = 57603,
  FileSaveAs = 57604,
  FilePrintSetup = 57606,
  FilePrint = 57607,
  FilePrintDirect = 57608,
  FilePrintPreview = 57609,
  FileRecent1 = 57616,  // ... to 57619, the four recent files
  FileRecent2 = 57617,
  FileRecent3 = 57618,
  FileRecent4 = 57619,
  AppAbout = 57664,
  AppExit = 57665,
  Rs232Setup = 32771,
  EquipmentName = 32773,
  TestConditions = 32774,
  // File menu: the report as a PDF file, also without a printer.
  ExportPdf = 32790,
  // File menu: the journal of the last run as a PDF.
  ExportRunRecord = 32791,
  // The unit context menu.
  PasteUnit = 32778,
  CopyUnit = 32779,
};

}  // namespace hvt
