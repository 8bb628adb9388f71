// Windows only. The component's start and stop with the player.
#pragma once

#include "sdk/initquit.h"

class tavix_initquit : public initquit {
public:
    // Makes the message-only window for port notifications, opens the port
    // when the link is enabled and registers the display's play callback.
    // A step that fails is reported on the console and the next one runs.
    void on_init() override;
    // Says goodbye to the device (the quit frame) and closes the port.
    // Nothing at all without a preceding on_init.
    void on_quit() override;
};

// The message-only window's class and window names.
constexpr wchar_t message_window_class[] = L"tavixwndclass";
constexpr wchar_t message_window_name[] = L"tavixwnd";
