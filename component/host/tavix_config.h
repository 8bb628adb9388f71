// The component's page in the player's preferences: the "Enable" switch of
// the link and the learn buttons of key learning.
#pragma once

#include "sdk/preferences_page.h"

class tavix_config : public preferences_page {
public:
    // Makes the page's dialog (resource 102) as a modeless child of `parent`
    // and keeps its handle for key learning.
    window_handle create(window_handle parent) override;
    const char* get_name() override;
    GUID get_guid() override;
    GUID get_parent_guid() override;
    bool reset_query() override;
    // reset_settings()
    void reset() override;
    // A file URL of the help text beside the component's library.
    bool get_help_url(string_base& out) override;
};

// Closes the port and puts every persisted setting back to its default,
// forgetting every learned code. The learning state, the receiver and an
// open page's controls stay as they are.
void reset_settings();
