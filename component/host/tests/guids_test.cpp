#include <gtest/gtest.h>

#include <vector>

#include "component/host/guids.h"
#include "sdk/guids.h"

namespace {

struct named_guid {
    const char* name;
    GUID guid;
};

TEST(Guids, AllDistinct) {
    const std::vector<named_guid> all = {
        {"playback_control", sdk_guid::playback_control},
        {"playlist_manager", sdk_guid::playlist_manager},
        {"play_callback_manager", sdk_guid::play_callback_manager},
        {"main_thread_callback", sdk_guid::main_thread_callback},
        {"main_thread_callback_manager", sdk_guid::main_thread_callback_manager},
        {"componentversion", sdk_guid::componentversion},
        {"initquit", sdk_guid::initquit},
        {"preferences_page", sdk_guid::preferences_page},
        {"metadb_handle", sdk_guid::metadb_handle},
        {"cfg_enable", tavix_guid::cfg_enable},
        {"cfg_spare_int_1", tavix_guid::cfg_spare_int_1},
        {"cfg_spare_string_1", tavix_guid::cfg_spare_string_1},
        {"cfg_spare_string_2", tavix_guid::cfg_spare_string_2},
        {"cfg_spare_int_2", tavix_guid::cfg_spare_int_2},
        {"cfg_spare_int_3", tavix_guid::cfg_spare_int_3},
        {"cfg_spare_int_4", tavix_guid::cfg_spare_int_4},
        {"cfg_spare_int_5", tavix_guid::cfg_spare_int_5},
        {"cfg_spare_flag_1", tavix_guid::cfg_spare_flag_1},
        {"cfg_spare_flag_2", tavix_guid::cfg_spare_flag_2},
        {"cfg_code_length", tavix_guid::cfg_code_length},
        {"cfg_spare_int_6", tavix_guid::cfg_spare_int_6},
        {"cfg_repeat_delay", tavix_guid::cfg_repeat_delay},
        {"cfg_ircodes", tavix_guid::cfg_ircodes},
        {"page", tavix_guid::preferences_page},
        {"page parent", tavix_guid::preferences_page_parent},
    };
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(all[i].guid == all[j].guid) << all[i].name << " and " << all[j].name;
}

// A GUID written as fields is easy to mistype; check one against its text form.
TEST(Guids, FieldsLandWhereTheirTextSaysSo) {
    const GUID& g = tavix_guid::preferences_page_parent;  // {627C0767-0793-44F8-8087-BE4934311282}
    EXPECT_EQ(g.Data1, 0x627C0767u);
    EXPECT_EQ(g.Data2, 0x0793u);
    EXPECT_EQ(g.Data3, 0x44F8u);
    const unsigned char tail[8] = {0x80, 0x87, 0xBE, 0x49, 0x34, 0x31, 0x12, 0x82};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(g.Data4[i], tail[i]);
}

}  // namespace
