// Rules of the serial layer that need no Windows header: how a notification
// packs its word, which name the stored port settings live under, and how the
// flow-control, parity and read-mode choices map onto the port's settings.
// The Win32 classes in serial.h apply them; keeping them here lets them be
// tested natively.
#pragma once

#include <cstdint>

namespace tavix::serial {

// Event bits the layer itself uses (the Windows EV_ values).
constexpr uint32_t kEventReceived = 0x0001;      // EV_RXCHAR
constexpr uint32_t kEventFlagChar = 0x0002;      // EV_RXFLAG
constexpr uint32_t kEventBreak = 0x0040;         // EV_BREAK
constexpr uint32_t kEventLineError = 0x0080;     // EV_ERR
// Every opening listens for received bytes, breaks and line errors.
constexpr uint32_t kOpeningEventMask = kEventReceived | kEventBreak | kEventLineError;

// Values of the DCB's fDtrControl / fRtsControl fields.
constexpr uint8_t kLineControlDisable = 0;  // DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE
constexpr uint8_t kLineControlHandshake = 2;  // DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE

// wParam of a window notification: the low 16 bits of the events in the low
// word, the low 16 bits of the line-error flags in the high word.
uint32_t pack_notification(uint32_t events, uint32_t errors);

// The name under which the system keeps a port's stored settings: the port
// name without a leading "\\.\" (the stored-settings lookup does not take
// device-namespace names, which ports above COM9 must be opened by).
const wchar_t* stored_settings_name(const wchar_t* port_name);

// The DCB fields a flow-control mode sets.
struct FlowSettings {
    bool outx_cts_flow;
    bool outx_dsr_flow;
    uint8_t dtr_control;
    uint8_t rts_control;
    bool out_x;
    bool in_x;
};

// Modes 0 (none), 1 (hardware) and 2 (software); false for any other mode.
bool flow_settings_for(int mode, FlowSettings& settings);

// The flow-control mode that a DCB's fields amount to: hardware when both DTR
// and RTS are under handshake (whatever the CTS and DSR flags), else software
// when XON/XOFF runs both ways, else none.
int flow_mode_of(uint8_t dtr_control, uint8_t rts_control, bool out_x, bool in_x);

// The parity code a DCB reports: its Parity only while parity is enabled.
int reported_parity(bool parity_enabled, uint8_t parity);

// ReadIntervalTimeout for read modes 0 (non-blocking: MAXDWORD) and 1
// (blocking: 0); false for any other mode.
bool read_interval_for(int mode, uint32_t& interval);

}  // namespace tavix::serial
