#pragma once

namespace kestrovane {

// Resource and control ids of the main dialog and the About box.
inline constexpr int kAboutDialogTemplate = 100;
inline constexpr int kAboutMenuStringId = 101;
inline constexpr int kUploadDialogTemplate = 102;
inline constexpr int kAppIconId = 128;

// System-menu command of the About entry.
inline constexpr int kAboutSystemCommand = 0x0010;

inline constexpr int kResetTimesButton = 1000;
inline constexpr int kUploadButton = 1001;
inline constexpr int kBinFileEdit = 1002;
inline constexpr int kBrowseButton = 1003;
inline constexpr int kUploadVerifyCheck = 1004;
inline constexpr int kBlockDelayEdit = 1005;
inline constexpr int kProgressBar = 1006;
inline constexpr int kVerifyOnlyCheck = 1008;
inline constexpr int kFinishCountText = 1009;
inline constexpr int kFileBinVersionText = 1010;
inline constexpr int kAutoUploadCheck = 1019;
inline constexpr int kStatusText = 1020;
inline constexpr int kAdvancedButton = 1021;
inline constexpr int kGetVersionButton = 1056;
inline constexpr int kDeviceBinVersionText = 1057;
inline constexpr int kHwVersionText = 1058;
inline constexpr int kForceEnableCheck = 1060;
inline constexpr int kForceKind8k16k32kRadio = 1061;
inline constexpr int kForceKind256BRadio = 1062;
inline constexpr int kNewBinWorksCheck = 1063;
inline constexpr int kEraseButton = 1070;
inline constexpr int kEepromTypeCombo = 1080;

inline constexpr int kCompletionTimerId = 0;
inline constexpr unsigned kCompletionTimerPeriodMs = 500;

}  // namespace kestrovane
