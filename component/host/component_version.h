// The component's entry in the player's list of components.
#pragma once

#include "sdk/componentversion.h"

class componentversion_myimpl : public componentversion {
public:
    // The library's file name as the player gave it at load ("" until then).
    void get_file_name(string_base& out) override;
    void get_component_name(string_base& out) override;
    void get_component_version(string_base& out) override;
    void get_about_message(string_base& out) override;
};

constexpr char component_name[] = "tavix control";
// The version is set once, in the project() call of the top CMakeLists.txt.
constexpr char component_version_text[] = TAVIX_VERSION;
