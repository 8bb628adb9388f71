#include "component/host/tavix_initquit.h"

#include "serial/win32.h"

#include <cstdio>

#include "component/display/frames.h"
#include "component/display/now_playing.h"
#include "component/host/settings.h"
#include "component/remote/port_link.h"
#include "component/remote/port_window_proc.h"
#include "sdk/console.h"
#include "sdk/core_api.h"

namespace {

// Prints a failed step with the Windows error code, as an error line.
void report_failure(const char* format) {
    const int code = static_cast<int>(GetLastError());
    char line[256];
    std::snprintf(line, 255, format, code);
    console::error(line);
}

// Its construction is the start-up; while it exists the component counts as
// started, and shutdown has something to undo.
class startup {
public:
    startup() {
        HINSTANCE instance = static_cast<HINSTANCE>(core_api::get_my_instance());

        WNDCLASSEXW window_class = {};
        window_class.cbSize = sizeof window_class;
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = &port_window_proc;
        window_class.hInstance = instance;
        window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        window_class.hIconSm = window_class.hIcon;
        window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(5));
        window_class.lpszClassName = message_window_class;
        if (!RegisterClassExW(&window_class)) report_failure("foo_tavix: can't register wndclass (%d)");

        // A class of this name left by an earlier load still makes the window.
        message_window = CreateWindowExW(WS_EX_CLIENTEDGE, message_window_class, message_window_name,
                                         WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 240, 120, HWND_MESSAGE,
                                         nullptr, instance, nullptr);
        if (!message_window) report_failure("foo_tavix: can't create wnd (%d)");

        if (cfg_enable) open_port();

        register_playback_display();
    }
};

startup* started = nullptr;

}  // namespace

void tavix_initquit::on_init() {
    startup* made = new startup();
    delete started;
    started = made;
}

void tavix_initquit::on_quit() {
    if (!started) return;
    // The device hears the goodbye while the port is still open.
    send_frame(build_quit_frame());
    close_port();
    delete started;
    started = nullptr;
}
