#include "serial/comm_rules.h"

namespace tavix::serial {

uint32_t pack_notification(uint32_t events, uint32_t errors)
{
    return ((errors & 0xFFFFu) << 16) | (events & 0xFFFFu);
}

const wchar_t* stored_settings_name(const wchar_t* port_name)
{
    if (port_name && port_name[0] == L'\\' && port_name[1] == L'\\' && port_name[2] == L'.' &&
        port_name[3] == L'\\')
        return port_name + 4;
    return port_name;
}

bool flow_settings_for(int mode, FlowSettings& settings)
{
    switch (mode) {
    case 0:
        settings = {false, false, kLineControlDisable, kLineControlDisable, false, false};
        return true;
    case 1:
        settings = {true, true, kLineControlHandshake, kLineControlHandshake, false, false};
        return true;
    case 2:
        settings = {false, false, kLineControlDisable, kLineControlDisable, true, true};
        return true;
    default:
        return false;
    }
}

int flow_mode_of(uint8_t dtr_control, uint8_t rts_control, bool out_x, bool in_x)
{
    if (dtr_control == kLineControlHandshake && rts_control == kLineControlHandshake)
        return 1;
    if (out_x && in_x)
        return 2;
    return 0;
}

int reported_parity(bool parity_enabled, uint8_t parity)
{
    return parity_enabled ? parity : 0;
}

bool read_interval_for(int mode, uint32_t& interval)
{
    switch (mode) {
    case 0:
        interval = 0xFFFFFFFFu;
        return true;
    case 1:
        interval = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace tavix::serial
