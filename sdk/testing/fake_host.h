// A stand-in player for native tests: attaches itself to the component side
// of the sdk on construction (services allowed), answers lookups from a table
// the test fills, and records console lines. Detaches on destruction.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "sdk/guid.h"
#include "sdk/player/client_api.h"
#include "sdk/player/host_api.h"
#include "sdk/service.h"

class fake_host final : public host_api {
public:
    fake_host();
    ~fake_host();
    fake_host(const fake_host&) = delete;
    fake_host& operator=(const fake_host&) = delete;

    // Lookups of `class_guid` answer `service` from now on (nullptr: none).
    void set_service(const GUID& class_guid, service_base* service);
    template <class T>
    void set_service(T* service) {
        set_service(T::class_guid, service);
    }

    client_api& client() { return *client_; }

    // Every console line so far, unless keep_console_lines was cleared (a
    // test that counts heap allocations clears it and reads console_count).
    std::vector<std::string> console_lines;
    bool keep_console_lines = true;
    std::size_t console_count = 0;
    std::size_t lookup_count = 0;

    bool service_lookup(const GUID& class_guid, service_ptr& out) override;
    void console_print(const char* line) override;

private:
    std::vector<std::pair<GUID, service_base*>> services_;
    client_api* client_ = nullptr;
};
