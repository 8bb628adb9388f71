// Devices of the ports setup class, made, removed and listed through SetupAPI.
// No Windows header here: callers see only wide strings.
#pragma once

#include <string>
#include <vector>

namespace tavix::plug {

struct PortDevice {
    std::wstring instance_id;
    std::vector<std::wstring> hardware_ids;   // empty when the property is missing
    bool has_port_name = false;
    std::wstring port_name;
};

// Registers a present device with the given hardware ids (none: no hardware
// id property) and "PortName" (empty: no such value).
bool add_port_device(const std::wstring& port_name, const std::vector<std::wstring>& hardware_ids,
                     std::wstring& instance_id, std::string& error);

// Removes every registered device whose "PortName" equals port_name, without
// regard to case.
bool remove_port_devices(const std::wstring& port_name, std::vector<std::wstring>& removed,
                         std::string& error);

// The present devices, as SetupDiGetClassDevsW(ports, DIGCF_PRESENT) gives them.
bool list_port_devices(std::vector<PortDevice>& devices, std::string& error);

}  // namespace tavix::plug
