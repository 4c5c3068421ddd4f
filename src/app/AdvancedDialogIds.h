#pragma once

namespace kestrovane {

// Resource and control ids of the Advanced dialog (template 130).
inline constexpr int kAdvancedDialogTemplate = 130;

// "Bin file modify": the image file, its type and the picture parameters.
inline constexpr int kAdvEepromTypeCombo = 1081;
inline constexpr int kAdvBinFileEdit = 1002;
inline constexpr int kAdvBrowseButton = 1003;
inline constexpr int kOpenFileButton = 1023;
inline constexpr int kSaveFileButton = 1025;

inline constexpr int kBrightnessDefaultEdit = 1026;
inline constexpr int kContrastDefaultEdit = 1027;
inline constexpr int kHueDefaultEdit = 1028;
inline constexpr int kSaturationDefaultEdit = 1029;
inline constexpr int kSharpnessDefaultEdit = 1030;
inline constexpr int kGammaDefaultEdit = 1031;
inline constexpr int kFrequencyCombo = 1032;

inline constexpr int kBrightnessMinEdit = 1040;
inline constexpr int kBrightnessMaxEdit = 1041;
inline constexpr int kContrastMinEdit = 1042;
inline constexpr int kContrastMaxEdit = 1043;
inline constexpr int kHueMinEdit = 1044;
inline constexpr int kHueMaxEdit = 1045;
inline constexpr int kSaturationMinEdit = 1046;
inline constexpr int kSaturationMaxEdit = 1047;
inline constexpr int kSharpnessMinEdit = 1048;
inline constexpr int kSharpnessMaxEdit = 1049;
inline constexpr int kGammaMinEdit = 1050;
inline constexpr int kGammaMaxEdit = 1051;
inline constexpr int kFrequencyMinEdit = 1054;  // always disabled
inline constexpr int kFrequencyMaxEdit = 1055;  // always disabled

// Support indicators, one per row from Brightness to Frequency (disabled).
inline constexpr int kBrightnessSupportCheck = 1033;
inline constexpr int kContrastSupportCheck = 1034;
inline constexpr int kHueSupportCheck = 1035;
inline constexpr int kSaturationSupportCheck = 1036;
inline constexpr int kSharpnessSupportCheck = 1037;
inline constexpr int kGammaSupportCheck = 1038;
inline constexpr int kFrequencySupportCheck = 1039;

inline constexpr int kKv2ToKv4Radio = 1052;
inline constexpr int kKv5Radio = 1053;

inline constexpr int kHwVersionEdit = 1059;
inline constexpr int kBinVersionEdit = 1065;
inline constexpr int kUpsideDownCheck = 1071;
inline constexpr int kVendorIdEdit = 1072;
inline constexpr int kProductIdEdit = 1073;
inline constexpr int kDeviceDescriptionEdit = 1074;
inline constexpr int kIdsInUseCheck = 1075;          // indicator of identity bit 0 (disabled)
inline constexpr int kDescriptionInUseCheck = 1076;  // indicator of identity bit 2 (disabled)

// "Register": one chip or sensor register, and register files.
inline constexpr int kChipRegisterEdit = 1011;
inline constexpr int kChipValueEdit = 1012;
inline constexpr int kSensorRegisterEdit = 1013;
inline constexpr int kSensorValueEdit = 1014;
inline constexpr int kChipReadButton = 1015;
inline constexpr int kChipWriteButton = 1016;
inline constexpr int kSensorReadButton = 1017;
inline constexpr int kSensorWriteButton = 1018;
inline constexpr int kDumpChipButton = 1000;
inline constexpr int kLoadChipButton = 1077;
inline constexpr int kDumpSensorButton = 1078;
inline constexpr int kLoadSensorButton = 1079;

}  // namespace kestrovane
