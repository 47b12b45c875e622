// What the device operations say to adb and fastboot, and the words they look for in the answers.
#pragma once

// Argument texts, each put right after a quoted tool path.
inline constexpr wchar_t kArgDevices[] = L" devices";
inline constexpr wchar_t kArgOemGetBootinfo[] = L" oem get-bootinfo";  // Huawei
inline constexpr wchar_t kArgOemDeviceInfo[] = L" oem device-info";    // Xiaomi
inline constexpr wchar_t kArgFlashRecovery[] = L" flash recovery ";    // + quoted image path
inline constexpr wchar_t kArgBoot[] = L" boot ";                       // + quoted image path
inline constexpr wchar_t kArgReboot[] = L" reboot";
inline constexpr wchar_t kArgRebootRecovery[] = L" reboot recovery";

// Words searched in what the tools print (exact, case-sensitive).
inline constexpr wchar_t kHuaweiUnlocked[] = L"(bootloader)  unlocked";  // two spaces
inline constexpr wchar_t kXiaomiUnlocked[] = L"Device unlocked: true";
inline constexpr wchar_t kOkay[] = L"OKAY";
// fastboot says OKAY once for sending the image and once for writing or booting it.
inline constexpr int kOkayCountOfSuccess = 2;
