// A minimal component library for the export test: one persisted variable,
// a version record and start/stop hooks that use the player's services.
#include "sdk/foobar2000.h"

namespace {

const GUID guid_counter = {0x3B0C5A51, 0x1D2E, 0x4F60, {0x9A, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
cfg_int_t<int> cfg_counter(guid_counter, 300);

class test_version : public componentversion {
public:
    void get_file_name(string_base& out) override { out = core_api::get_my_file_name(); }
    void get_component_name(string_base& out) override { out = "export test"; }
    void get_component_version(string_base& out) override { out = "1.2.3"; }
    void get_about_message(string_base& out) override {
        out = "about ";
        out.add_string("this");
    }
};

class test_initquit : public initquit {
public:
    void on_init() override {
        console::printf("counter %d", static_cast<int>(cfg_counter));
        standard_api_create_t<playback_control>()->stop();
    }
    // The player has no playlist_manager: the lookup's exception leaves the
    // library.
    void on_quit() override { standard_api_create_t<playlist_manager>(); }
};

service_factory_single_t<test_version> g_version;
service_factory_single_t<test_initquit> g_initquit;

}  // namespace
