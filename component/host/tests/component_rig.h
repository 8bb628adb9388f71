// Windows only, for tests under Wine. The component as a player hosts it:
// a fake player attached with this program's module instance (the dialog
// template is linked into the test program), its services found through the
// factory list, and everything the component leaves behind undone between
// cases: the port, the message-only window and its class, the settings.
#pragma once

#include "serial/win32.h"

#include <string>
#include <vector>

#include "component/host/settings.h"
#include "component/host/tavix_initquit.h"
#include "component/remote/device_port.h"
#include "component/remote/learning_state.h"
#include "component/remote/port_link.h"
#include "component/remote/tests/fake_playback.h"
#include "sdk/component_client.h"
#include "sdk/play_callback.h"
#include "sdk/player/client_api.h"
#include "sdk/service_factory.h"
#include "sdk/testing/fake_host.h"
#include "sdk/testing/fake_play_callback_manager.h"


class component_rig {
public:
    component_rig() {
        component_client_attach(&host, GetModuleHandleW(nullptr));
        host.set_service(&playback);
        host.set_service(&callbacks);
        restore_default_settings();
        learning_state = 0;
    }
    ~component_rig() {
        if (initquit_service) initquit_service->on_quit();
        close_port();
        if (message_window) DestroyWindow(message_window);
        message_window = nullptr;
        UnregisterClassW(message_window_class, GetModuleHandleW(nullptr));
        restore_default_settings();
        learning_state = 0;
    }
    component_rig(const component_rig&) = delete;
    component_rig& operator=(const component_rig&) = delete;

    // The first service of interface T in the component's factory list.
    template <class T>
    service_ptr_t<T> service() {
        for (service_factory_base* f = host.client().get_service_list(); f; f = f->get_next()) {
            if (f->get_class_guid() != T::class_guid) continue;
            service_ptr made;
            f->instance_create(made);
            service_ptr_t<T> typed;
            if (made.query(typed)) return typed;
        }
        return service_ptr_t<T>();
    }
    initquit& hooks() {
        if (!initquit_service) initquit_service = service<initquit>();
        return *initquit_service;
    }

    std::vector<std::string>& lines() { return host.console_lines; }

    // Whether the component's port is open: a closed one refuses every
    // transfer with ERROR_INVALID_HANDLE.
    static bool port_is_open() {
        DWORD written = 0;
        return device_port().WriteBytes("", 0, &written) != ERROR_INVALID_HANDLE;
    }

    fake_host host;
    service_impl_single_t<fake_play_callback_manager> callbacks;
    fake_playback playback;

private:
    service_ptr_t<initquit> initquit_service;
};
