// The component's persisted settings, read and written directly by the code
// that needs them (all of it on the player's main thread).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/cfg_var.h"

constexpr std::size_t ircode_slot_count = 11;
constexpr std::size_t ircode_slot_size = 8;

// Code slots in table order.
enum ircode_slot : std::size_t {
    ircode_play = 0,
    ircode_pause = 1,
    ircode_stop = 2,
    ircode_next = 3,
    ircode_previous = 4,
    ircode_next_random = 5,
    ircode_seek_backward = 6,
    ircode_seek_forward = 7,
    ircode_volume_up = 8,
    ircode_volume_down = 9,
    ircode_mute = 10,
};

// The learned remote codes: 11 slots of 8 bytes, no header. Only the first
// code-length bytes of a slot count; a slot never learned holds zeros.
struct t_ircodes {
    std::uint8_t codes[ircode_slot_count][ircode_slot_size];
};
static_assert(sizeof(t_ircodes) == 88, "the code table is stored as its 88 raw bytes");

// In the order they are constructed and registered.
extern cfg_int_t<bool> cfg_enable;          // whether the link to the device is wanted
extern cfg_int_t<int> cfg_spare_int_1;
extern cfg_string cfg_spare_string_1;
extern cfg_string cfg_spare_string_2;
extern cfg_int_t<int> cfg_spare_int_2;
extern cfg_int_t<int> cfg_spare_int_3;
extern cfg_int_t<int> cfg_spare_int_4;
extern cfg_int_t<int> cfg_spare_int_5;
extern cfg_int_t<bool> cfg_spare_flag_1;
extern cfg_int_t<bool> cfg_spare_flag_2;
extern cfg_int_t<int> cfg_code_length;      // bytes per remote code; meant to be 1..8
extern cfg_int_t<int> cfg_spare_int_6;
extern cfg_int_t<int> cfg_repeat_delay;     // milliseconds
extern cfg_struct_t<t_ircodes> cfg_ircodes;

// Every setting back to its default; the code table all zeros.
void restore_default_settings();

// The code length as matching and learning use it: clamped to 1..8, since a
// stored value comes from outside and a slot holds 8 bytes.
std::size_t effective_code_length();
// The repeat delay as the receiver compares it; a negative stored value counts as 0.
std::uint32_t effective_repeat_delay();
