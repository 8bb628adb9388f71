#include "component/host/component_version.h"

#include "sdk/core_api.h"

void componentversion_myimpl::get_file_name(string_base& out) { out = core_api::get_my_file_name(); }

void componentversion_myimpl::get_component_name(string_base& out) { out = component_name; }

void componentversion_myimpl::get_component_version(string_base& out) { out = component_version_text; }

void componentversion_myimpl::get_about_message(string_base& out) {
    out = component_name;
    out.add_string(" ");
    out.add_string(component_version_text);
    out.add_string(
        "\n"
        "Links the player to the tavix USB audio player: the tavix's remote control "
        "drives playback, and its display shows the playing track, the track's place "
        "in the playlist and the elapsed time.\n"
        "Switch the link on and teach the component your remote's buttons on the "
        "\"tavix\" page of the preferences; foo_tavix.txt beside this component says more.");
}
