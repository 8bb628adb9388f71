// The end-to-end cases: each one runs the virtual tavix and the player
// hosting foo_tavix, and throws `failure` at the first thing that is wrong.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "rig.h"

namespace e2e {

struct test_case {
    const char* name;
    const char* what;
    std::function<void(rig&)> run;
};

const std::vector<test_case>& test_cases();

// A settings file with the link enabled and, with `codes`, every command's
// code learned from the virtual remote.
void write_settings(rig& r, const std::string& path, bool codes);

// Device plugged, player started with `config`, the playlist added, the
// components loaded, and (the link being enabled there) the port opened and
// greeted.
void start_linked(rig& r, const std::string& config, const std::vector<std::string>& playlist,
                  const std::vector<std::string>& player_options = {});

}  // namespace e2e
