// Windows only. Finding the tavix among the serial ports and the link to it.
// Main thread only.
#pragma once

#include "serial/win32.h"

// The port name of the device found last ("COM3"), at most 15 characters;
// empty when the last search found none.
extern wchar_t port_name[16];

// The component's message-only window, where port notifications go; made at
// start-up, none before.
extern HWND message_window;

// Looks among the present ports for the device's hardware id, restarts every
// match, keeps the port name of the last one and prints what it found.
void find_device();

// Closes the port, looks for the device and opens its port for notification
// to message_window, printing each step; a failure leaves the port closed.
void open_port();

// Ends the link: no notification is posted once it returns. Harmless when
// the port is closed.
void close_port();
