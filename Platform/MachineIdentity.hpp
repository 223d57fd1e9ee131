#pragma once
// The machine's identity in place of the platform UUID: the systemd machine id, validated as 32
// hex digits and shown as an upper-case 8-4-4-4-12 UUID; and the hardware model's name.

#include <optional>
#include <string>
#include <vector>

namespace amberloom::platform {

// Names the file that stands for the machine id instead of the system's; so that a second home on
// one machine can be another Mac (children inherit it).
inline constexpr const char* kMachineIDFileVariable = "AMBERLOOM_MACHINE_ID_FILE";

// The files the machine id is read from: the one named by AMBERLOOM_MACHINE_ID_FILE when that is
// set and not empty, else /etc/machine-id and /var/lib/dbus/machine-id.
std::vector<std::string> machineIDFiles();

// The UUID read from the first of `candidates` holding a valid machine id, or none.
std::optional<std::string> machineUUID(const std::vector<std::string>& candidates = machineIDFiles());

// The UUID that names this machine's by-host preference files. Read once; a machine without a
// machine id uses the all-zero UUID so that by-host values still have one stable home.
const std::string& hostUUID();

// The hardware model as the firmware names it: the file's text up to the first zero byte or line
// break, bytes as they are; "unknown" when the file cannot be read or is empty. Never throws.
std::string hardwareModel(const std::string& productNamePath = "/sys/class/dmi/id/product_name") noexcept;

}  // namespace amberloom::platform
