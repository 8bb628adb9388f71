// Loads a component library the way a player does and drives it through its
// export. Player and library each carry their own C++ runtime, so this shows
// that nothing crossing the boundary depends on sharing one.
#include <gtest/gtest.h>

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "sdk/componentversion.h"
#include "sdk/initquit.h"
#include "sdk/playback_control.h"
#include "sdk/player/client_api.h"
#include "sdk/player/host_api.h"
#include "sdk/string.h"
#include "sdk/testing/stub_playback_control.h"

namespace {

class player final : public host_api {
public:
    bool service_lookup(const GUID& guid, service_ptr& out) override {
        if (!(guid == playback_control::class_guid)) return false;
        out = &transport;
        return true;
    }
    void console_print(const char* line) override { lines.emplace_back(line); }
    stub_playback_control transport;
    std::vector<std::string> lines;
};

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryW(L"sdk_test_component.dll");
        ASSERT_NE(library, nullptr) << GetLastError();
        auto entry = reinterpret_cast<client_export_function>(
            reinterpret_cast<void*>(GetProcAddress(library, client_export_name)));
        ASSERT_NE(entry, nullptr);
        client = entry(&host, library);
        ASSERT_NE(client, nullptr);
    }
    void TearDown() override {
        if (library) FreeLibrary(library);
    }

    template <class T>
    service_ptr_t<T> first_service() {
        for (service_factory_base* f = client->get_service_list(); f; f = f->get_next()) {
            if (!(f->get_class_guid() == T::class_guid)) continue;
            service_ptr made;
            f->instance_create(made);
            service_ptr_t<T> typed;
            if (made.query(typed)) return typed;
        }
        return service_ptr_t<T>();
    }

    HMODULE library = nullptr;
    client_api* client = nullptr;
    player host;
};

TEST_F(Export, VersionSettingsAndServices) {
    EXPECT_EQ(client->get_version(), client_version);

    struct sink final : config_sink {
        std::vector<std::string> items;
        void put(const GUID&, const void* data, std::size_t size) override {
            items.emplace_back(static_cast<const char*>(data), size);
        }
    } saved;
    client->get_config(saved);
    EXPECT_EQ(saved.items, std::vector<std::string>{std::string("\x2C\x01\0\0", 4)});  // 300

    const GUID counter = {0x3B0C5A51, 0x1D2E, 0x4F60, {0x9A, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
    const unsigned char stored[] = {7, 0, 0, 0};
    EXPECT_TRUE(client->set_config_item(counter, stored, sizeof stored));
    EXPECT_FALSE(client->set_config_item(counter, stored, 2));
    client->set_library_path("C:\\components\\sdk_test_component.dll", "sdk_test_component");

    service_ptr_t<componentversion> version = first_service<componentversion>();
    ASSERT_TRUE(version.is_valid());
    string_buffer text;
    version->get_file_name(text);
    EXPECT_STREQ(text.get_ptr(), "sdk_test_component");
    version->get_component_version(text);
    EXPECT_STREQ(text.get_ptr(), "1.2.3");
    version->get_about_message(text);
    EXPECT_STREQ(text.get_ptr(), "about this");

    service_ptr_t<initquit> hooks = first_service<initquit>();
    ASSERT_TRUE(hooks.is_valid());
    EXPECT_THROW(hooks->on_init(), std::exception) << "services are not allowed yet";
    client->services_init(true);
    hooks->on_init();
    EXPECT_EQ(host.lines, std::vector<std::string>({"counter 7", "counter 7"}));
    EXPECT_EQ(host.transport.stops, 1);
    EXPECT_EQ(host.transport.refs, 0);
}

TEST_F(Export, ServiceNotFoundReachesThePlayer) {
    client->services_init(true);
    service_ptr_t<initquit> hooks = first_service<initquit>();
    ASSERT_TRUE(hooks.is_valid());
    try {
        hooks->on_quit();
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Service not found");
    }
}

}  // namespace
