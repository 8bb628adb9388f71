// Which control of the tavixcfg dialog holds which field of the settings form.
#pragma once

#include "configurator/resource_ids.h"
#include "configurator/settings_record.h"

#include <array>

// kbd_keys 0 to 5.
inline constexpr std::array<int, kbd_key_count> kbd_field_ids = {
    IDC_KBD_0, IDC_KBD_1, IDC_KBD_2, IDC_KBD_3, IDC_KBD_4, IDC_KBD_5};

// control_signals S0 to S5.
inline constexpr std::array<int, control_signal_count> signal_list_ids = {
    IDC_S0, IDC_S1, IDC_S2, IDC_S3, IDC_S4, IDC_S5};

// remote_codes in record order.
inline constexpr std::array<int, remote_code_count> code_field_ids = {
    IDC_CODE_PLAY_PAUSE, IDC_CODE_PREV,        IDC_CODE_NEXT,        IDC_CODE_STOP_ESCAPE,
    IDC_CODE_ENTER,      IDC_CODE_BACKWARD,    IDC_CODE_FORWARD,     IDC_CODE_AUX,
    IDC_CODE_TIME_MODE,  IDC_CODE_EXTRA_PLAY,  IDC_CODE_RANDOM_PLAY, IDC_CODE_VOLUME_UP,
    IDC_CODE_VOLUME_DOWN, IDC_CODE_MUTE,       IDC_CODE_HOST_DEVICE, IDC_CODE_SLEEP};

// The dialog reads a keyboard field with a 2-character buffer and a code
// field with a 12-character one, the terminating zero included.
inline constexpr int kbd_field_buffer = 2;
inline constexpr int code_field_buffer = 12;
