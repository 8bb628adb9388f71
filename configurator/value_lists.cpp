#include "configurator/value_lists.h"

const std::array<const char*, 3> i2s_format_labels = {
    "PHILIPS", "RJ64-16bit", "RJ64-24bit",
};

const std::array<const char*, 8> mclk_labels = {
    "128Fs - 5.6448+6.144",   "192Fs - 8.4672+9.216",  "256Fs - 11.2896+12.288",
    "384Fs - 16.9344+18.432", "512Fs - 22.5792+24.576", "768Fs - 22.5792+24.576",
    "1024Fs - 45.1584+49.152", "int.MCLK",
};

const std::array<const char*, 12> control_signal_labels = {
    "NC",    "MUTE",  "RESET", "GEN44", "GEN48", "INT2x",
    "INT4x", "HiRes", "DAT",   "CLK",   "SEL",   "AUX",
};
