// Built-in scenarios of the simulated phone, chosen by name through VANTREL_PHONE.
#include "testing/phone/presets.h"

#include <array>

namespace phone {
namespace {

// Later scenarios build on earlier ones through `include`: the first rule that matches a call
// answers it, so a scenario's own rules come before the include that fills in the rest.
// `adb devices` answers as adb does: the heading, one "serial\tstate" line per phone, an empty line.
constexpr std::array kPresets = {
    Preset{"none", R"sc(# No phone attached: adb lists only its heading, fastboot nothing; adb fails, other fastboot commands wait for ever.
on adb devices
  out "List of devices attached\n\n"
on adb **
  err "error: no devices/emulators found\n"
  exit 1
on fastboot devices
on fastboot **
  err "< waiting for any device >\n"
  hang
)sc"},

    Preset{"fastboot-xiaomi-unlocked", R"sc(# Xiaomi phone in fastboot mode, older (LK) bootloader, unlocked; flash, boot and reboot work.
on fastboot devices
  out "8a3c91f2\tfastboot\n"
on fastboot oem device-info
  err "(bootloader) \tDevice tampered: false\n"
  err "(bootloader) \tDevice unlocked: true\n"
  err "(bootloader) \tCharger screen enabled: false\n"
  okay 0.004
  finished 0.004
on fastboot oem **
  failed "remote: 'unknown command'"
  err "fastboot: error: Command failed\n"
  exit 1
# fastboot loads the first word; an unquoted path with spaces arrives as several words.
on fastboot flash recovery * **
  load {1}
  step "Sending 'recovery' ({kb} KB)" okay 1.577
  step "Writing 'recovery'" okay 0.393
  finished 2.009
on fastboot boot * **
  load {1}
  step "Sending 'boot.img' ({kb} KB)" okay 1.560
  step "Booting" okay 0.100
  finished 1.700
on fastboot reboot
  step "Rebooting" okay 0.000
  finished 0.000
on fastboot **
  err "fastboot: usage: unknown command {1}\n"
  exit 1
# In fastboot mode adb sees no phone.
include none
)sc"},

    Preset{"fastboot-xiaomi-locked", R"sc(# Xiaomi phone in fastboot mode, LK bootloader, locked ("Device unlocked: false"); flashing is refused.
on fastboot oem device-info
  err "(bootloader) \tDevice tampered: false\n"
  err "(bootloader) \tDevice unlocked: false\n"
  err "(bootloader) \tCharger screen enabled: false\n"
  okay 0.004
  finished 0.004
on fastboot boot * **
  load {1}
  step "Sending 'boot.img' ({kb} KB)" okay 1.560
  step "Booting" failed "remote: 'Command not allowed'"
  err "fastboot: error: Command failed\n"
  exit 1
include flash-refused
)sc"},

    Preset{"fastboot-xiaomi-abl-unlocked", R"sc(# Xiaomi phone in fastboot mode, newer (ABL) bootloader, unlocked; flash, boot and reboot work.
on fastboot oem device-info
  err "(bootloader) Verity mode: true\n"
  err "(bootloader) Device unlocked: true\n"
  err "(bootloader) Device critical unlocked: false\n"
  err "(bootloader) Charger screen enabled: true\n"
  okay 0.004
  finished 0.004
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"fastboot-xiaomi-abl-locked", R"sc(# Xiaomi phone in fastboot mode, ABL bootloader, locked ("Device unlocked: false"); flashing is refused.
on fastboot oem device-info
  err "(bootloader) Verity mode: true\n"
  err "(bootloader) Device unlocked: false\n"
  err "(bootloader) Device critical unlocked: false\n"
  err "(bootloader) Charger screen enabled: true\n"
  okay 0.004
  finished 0.004
include fastboot-xiaomi-locked
)sc"},

    Preset{"fastboot-huawei-unlocked", R"sc(# Huawei phone in fastboot mode, "oem get-bootinfo" says unlocked; flash works, boot is refused.
on fastboot devices
  out "7HX5T19B23000123\tfastboot\n"
on fastboot oem get-bootinfo
  err "(bootloader)  unlocked\n"
  okay 0.001
  finished 0.001
on fastboot oem **
  failed "remote: 'unknown command'"
  err "fastboot: error: Command failed\n"
  exit 1
include boot-refused
)sc"},

    Preset{"fastboot-huawei-locked", R"sc(# Huawei phone in fastboot mode, "oem get-bootinfo" says locked; flashing is refused.
on fastboot oem get-bootinfo
  err "(bootloader)  locked\n"
  okay 0.001
  finished 0.001
on fastboot flash recovery * **
  load {1}
  step "Sending 'recovery' ({kb} KB)" okay 0.003
  step "Writing 'recovery'" failed "remote: 'Command not allowed'"
  err "fastboot: error: Command failed\n"
  exit 1
include fastboot-huawei-unlocked
)sc"},

    Preset{"fastboot-old-format", R"sc(# Xiaomi phone, unlocked, answered by an old fastboot (27.0.1 and before): lower-case, one line per result.
on fastboot oem device-info
  err "(bootloader) \tDevice tampered: false\n"
  err "(bootloader) \tDevice unlocked: true\n"
  err "(bootloader) \tCharger screen enabled: false\n"
  err "OKAY [  0.004s]\n"
  err "finished. total time: 0.004s\n"
on fastboot flash recovery * **
  load {1}
  err "target reported max download size of 536870912 bytes\n"
  err "sending 'recovery' ({kb} KB)...\n"
  okay 1.675
  err "writing 'recovery'...\n"
  okay 0.897
  err "finished. total time: 2.573s\n"
on fastboot boot * **
  load {1}
  err "downloading 'boot.img'...\n"
  okay 1.709
  err "booting...\n"
  okay 0.517
  err "finished. total time: 2.225s\n"
on fastboot reboot
  err "rebooting...\n\nfinished. total time: 0.002s\n"
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"flash-refused", R"sc(# Xiaomi phone that reports unlocked but refuses the flash ('Flashing is not allowed in Lock State'): one OKAY.
on fastboot flash recovery * **
  load {1}
  step "Sending 'recovery' ({kb} KB)" okay 0.003
  step "Writing 'recovery'" failed "remote: 'Flashing is not allowed in Lock State'"
  err "fastboot: error: Command failed\n"
  exit 1
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"flash-sparse", R"sc(# Xiaomi phone, unlocked, that takes the image in two sparse pieces: four OKAY for one flash.
on fastboot flash recovery * **
  load {1}
  err "Invalid sparse file format at header magic\n"
  step "Sending sparse 'recovery' 1/2 (524284 KB)" okay 12.420
  step "Writing 'recovery'" okay 3.170
  step "Sending sparse 'recovery' 2/2 (111388 KB)" okay 2.650
  step "Writing 'recovery'" okay 0.690
  finished 18.930
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"boot-refused", R"sc(# Xiaomi phone, unlocked, flash works but "fastboot boot" is refused ('unknown command'): one OKAY.
on fastboot boot * **
  load {1}
  step "Sending 'boot.img' ({kb} KB)" okay 1.560
  step "Booting" failed "remote: 'unknown command'"
  err "fastboot: error: Command failed\n"
  exit 1
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"fastboot-lost-after-first-listing", R"sc(# Xiaomi phone in fastboot mode that is gone after the first "fastboot devices" (needs VANTREL_PHONE_STATE).
on fastboot devices times=1
  out "8a3c91f2\tfastboot\n"
include none
)sc"},

    Preset{"fastboot-hangs-after-listing", R"sc(# Xiaomi phone listed in fastboot mode, but every other fastboot command waits for ever.
on fastboot devices
  out "8a3c91f2\tfastboot\n"
include none
)sc"},

    Preset{"adb-device", R"sc(# Phone running Android with USB debugging allowed: adb lists it as "device"; adb reboots work.
on adb devices
  out "List of devices attached\n8a3c91f2\tdevice\n\n"
on adb reboot
on adb reboot *
on adb **
  err "adb: unknown command {1}\n"
  exit 1
include none
)sc"},

    Preset{"adb-recovery", R"sc(# Phone in recovery mode: adb lists it as "recovery"; adb reboots work; the first listing starts adb's server.
on adb devices times=1
  err "* daemon not running; starting now at tcp:5037\n"
  err "* daemon started successfully\n"
  out "List of devices attached\n8a3c91f2\trecovery\n\n"
on adb devices
  out "List of devices attached\n8a3c91f2\trecovery\n\n"
include adb-device
)sc"},

    Preset{"adb-unauthorized", R"sc(# Phone whose owner has not allowed this computer: adb lists it as "unauthorized" and refuses commands.
on adb devices
  out "List of devices attached\n8a3c91f2\tunauthorized\n\n"
on adb **
  err "error: device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not set\nTry 'adb kill-server' if that seems wrong.\nOtherwise check for a confirmation dialog on your device.\n"
  exit 1
include none
)sc"},

    Preset{"adb-offline", R"sc(# Phone that adb lists as "offline" and cannot reach.
on adb devices
  out "List of devices attached\n8a3c91f2\toffline\n\n"
on adb **
  err "error: device offline\n"
  exit 1
include none
)sc"},

    Preset{"adb-nopermissions", R"sc(# Linux without udev rules: adb lists the phone as "no permissions (...); see [.../device.html]".
on adb devices
  out "List of devices attached\n8a3c91f2\tno permissions (user in plugdev group; are your udev rules wrong?); see [http://developer.android.com/tools/device.html]\n\n"
on adb **
  err "error: insufficient permissions for device: user in plugdev group; are your udev rules wrong?\nSee [http://developer.android.com/tools/device.html] for more information\n"
  exit 1
include none
)sc"},

    Preset{"adb-heading-only", R"sc(# No phone: "adb devices" prints only its heading "List of devices attached" and an empty line (as `none`).
include none
)sc"},

    Preset{"adb-lost-after-first-listing", R"sc(# Phone listed by adb as "device" once, then gone (needs VANTREL_PHONE_STATE).
on adb devices times=1
  out "List of devices attached\n8a3c91f2\tdevice\n\n"
include none
)sc"},

    Preset{"adb-server-holds-pipe", R"sc(# Stock adb starting its server: the server lives on for 60 s holding stdout/stderr; phone listed as "device".
on adb devices times=1
  err "* daemon not running; starting now at tcp:5037\n"
  server 60
  err "* daemon started successfully\n"
  out "List of devices attached\n8a3c91f2\tdevice\n\n"
on adb devices
  out "List of devices attached\n8a3c91f2\tdevice\n\n"
include adb-device
)sc"},

    Preset{"chinese-crlf", R"sc(# Xiaomi phone in fastboot mode, unlocked, whose answers carry Chinese text and end lines with CRLF.
set crlf 1
on fastboot devices
  out "小米8a3c91f2\tfastboot\n"
on fastboot oem device-info
  err "(bootloader) 设备名称: 小米手机 (中文)\n"
  err "(bootloader) \tDevice unlocked: true\n"
  okay 0.004
  finished 0.004
on fastboot flash recovery * **
  load {1}
  err "正在发送 {1}\n"
  step "Sending 'recovery' ({kb} KB)" okay 1.577
  step "Writing 'recovery'" okay 0.393
  finished 2.009
include fastboot-xiaomi-unlocked
)sc"},

    Preset{"hang", R"sc(# Every command of both tools prints "< waiting for any device >" and never ends.
on * **
  err "< waiting for any device >\n"
  hang
)sc"},
};

}  // namespace

std::span<const Preset> Presets() { return kPresets; }

const Preset* FindPreset(std::string_view name) {
  for (const Preset& preset : kPresets) {
    if (preset.name == name) return &preset;
  }
  return nullptr;
}

std::string_view Description(const Preset& preset) {
  std::string_view text = preset.text;
  if (text.rfind("# ", 0) != 0) return {};
  return text.substr(2, text.find('\n') - 2);
}

std::optional<std::string> ResolvePreset(std::string_view name) {
  const Preset* preset = FindPreset(name);
  if (!preset) return std::nullopt;
  return std::string(preset->text);
}

}  // namespace phone
