#include "component/host/settings.h"

#include "component/host/guids.h"

// Construction order is registration order: keep these in this sequence.
cfg_int_t<bool> cfg_enable(tavix_guid::cfg_enable, false);
cfg_int_t<int> cfg_spare_int_1(tavix_guid::cfg_spare_int_1, 9600);
cfg_string cfg_spare_string_1(tavix_guid::cfg_spare_string_1, "IR");
cfg_string cfg_spare_string_2(tavix_guid::cfg_spare_string_2, "COM1");
cfg_int_t<int> cfg_spare_int_2(tavix_guid::cfg_spare_int_2, 0);
cfg_int_t<int> cfg_spare_int_3(tavix_guid::cfg_spare_int_3, 8);
cfg_int_t<int> cfg_spare_int_4(tavix_guid::cfg_spare_int_4, 0);
cfg_int_t<int> cfg_spare_int_5(tavix_guid::cfg_spare_int_5, 0);
cfg_int_t<bool> cfg_spare_flag_1(tavix_guid::cfg_spare_flag_1, true);
cfg_int_t<bool> cfg_spare_flag_2(tavix_guid::cfg_spare_flag_2, true);
cfg_int_t<int> cfg_code_length(tavix_guid::cfg_code_length, 4);
cfg_int_t<int> cfg_spare_int_6(tavix_guid::cfg_spare_int_6, 50);
cfg_int_t<int> cfg_repeat_delay(tavix_guid::cfg_repeat_delay, 200);
cfg_struct_t<t_ircodes> cfg_ircodes(tavix_guid::cfg_ircodes, t_ircodes{});

void restore_default_settings() {
    cfg_enable.reset();
    cfg_spare_int_1.reset();
    cfg_spare_string_1.reset();
    cfg_spare_string_2.reset();
    cfg_spare_int_2.reset();
    cfg_spare_int_3.reset();
    cfg_spare_int_4.reset();
    cfg_spare_int_5.reset();
    cfg_spare_flag_1.reset();
    cfg_spare_flag_2.reset();
    cfg_code_length.reset();
    cfg_spare_int_6.reset();
    cfg_repeat_delay.reset();
    cfg_ircodes = t_ircodes{};
}

std::size_t effective_code_length() {
    int length = cfg_code_length;
    if (length < 1) return 1;
    if (length > static_cast<int>(ircode_slot_size)) return ircode_slot_size;
    return static_cast<std::size_t>(length);
}

std::uint32_t effective_repeat_delay() {
    int delay = cfg_repeat_delay;
    return delay < 0 ? 0u : static_cast<std::uint32_t>(delay);
}
