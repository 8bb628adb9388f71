#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/cfg_var.h"
#include "sdk/component_client.h"
#include "sdk/console.h"
#include "sdk/core_api.h"
#include "sdk/metadb_handle.h"
#include "sdk/player/client_api.h"
#include "sdk/testing/fake_host.h"

namespace {

TEST(Client, VersionPathAndServiceSwitch) {
    fake_host host;
    client_api& client = host.client();
    EXPECT_EQ(client.get_version(), 77u);
    EXPECT_STREQ(core_api::get_my_file_name(), "");
    client.set_library_path("C:\\player\\components\\foo_tavix.dll", "foo_tavix");
    EXPECT_STREQ(core_api::get_my_full_path(), "C:\\player\\components\\foo_tavix.dll");
    EXPECT_STREQ(core_api::get_my_file_name(), "foo_tavix");
    EXPECT_TRUE(core_api::are_services_available());
    client.services_init(false);
    EXPECT_FALSE(core_api::are_services_available());
}

TEST(Client, AttachRemembersTheInstanceAndDetachForgetsAll) {
    fake_host host;
    int module = 0;
    client_api* client = component_client_attach(&host, &module);
    EXPECT_EQ(client, &host.client());
    EXPECT_EQ(core_api::get_my_instance(), &module);
    client->set_library_path("x", "y");
    component_client_detach();
    EXPECT_EQ(core_api::get_my_instance(), nullptr);
    EXPECT_STREQ(core_api::get_my_file_name(), "");
    EXPECT_FALSE(core_api::are_services_available());
    console::print("goes nowhere");
    EXPECT_TRUE(host.console_lines.empty());
}

TEST(Client, SavesAndRestoresPersistedVariablesByGuid) {
    fake_host host;
    const GUID g1 = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const GUID g2 = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 12}};
    cfg_int_t<int> number(g1, 5);
    cfg_string text(g2, "abc");

    struct sink final : config_sink {
        std::vector<std::string> seen;
        void put(const GUID& guid, const void* data, std::size_t size) override {
            seen.push_back(std::to_string(guid.Data4[7]) + ":" + std::string(static_cast<const char*>(data), size));
        }
    } out;
    host.client().get_config(out);
    EXPECT_EQ(out.seen, (std::vector<std::string>{std::string("11:\x05\0\0\0", 7), "12:abc"}));

    const unsigned char stored[] = {0x10, 0, 0, 0};
    EXPECT_TRUE(host.client().set_config_item(g1, stored, sizeof stored));
    EXPECT_EQ(number, 16);
    EXPECT_FALSE(host.client().set_config_item(g1, stored, 3));
    EXPECT_EQ(number, 16);
}

TEST(Console, PlainAndErrorLines) {
    fake_host host;
    console::print("foo_tavix: OK received");
    console::error("foo_tavix: can't open port COM3");
    console::printf("tavix device found on %s", "COM3");
    console::errorf("foo_tavix: can't register wndclass (%d)", 1410);
    EXPECT_EQ(host.console_lines, (std::vector<std::string>{
                                      "foo_tavix: OK received",
                                      "Error: foo_tavix: can't open port COM3",
                                      "tavix device found on COM3",
                                      "Error: foo_tavix: can't register wndclass (1410)",
                                  }));
}

TEST(Console, OverlongFormattedLinesAreCut) {
    fake_host host;
    std::string long_text(3000, 'x');
    console::printf("%s", long_text.c_str());
    console::errorf("%s", long_text.c_str());
    ASSERT_EQ(host.console_lines.size(), 2u);
    EXPECT_EQ(host.console_lines[0], std::string(1023, 'x'));
    EXPECT_EQ(host.console_lines[1], "Error: " + std::string(1016, 'x'));
}

TEST(FileInfo, FirstValueOfANamedFieldOrNone) {
    file_info_impl info;
    info.meta_add("TITLE", "Song");
    info.meta_add("artist", "A");
    info.meta_add("Title", "Second");
    EXPECT_STREQ(info.meta_get("title", 0), "Song");
    EXPECT_STREQ(info.meta_get("title", 1), "Second");
    EXPECT_EQ(info.meta_get("title", 2), nullptr);
    EXPECT_EQ(info.meta_get_count("TiTlE"), 2u);
    EXPECT_EQ(info.meta_get("album", 0), nullptr);
    EXPECT_EQ(info.meta_get("titl", 0), nullptr);
    EXPECT_EQ(info.meta_get("titles", 0), nullptr);
    info.meta_remove_all();
    EXPECT_EQ(info.meta_get("title", 0), nullptr);
}

}  // namespace
