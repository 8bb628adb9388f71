// The test component's windows: a message-only window that receives a
// message posted from another thread, and a preferences page whose buttons
// call playback.
#include <windows.h>

#include "player/tests/test_component/test_component.h"
#include "sdk/console.h"
#include "sdk/core_api.h"
#include "sdk/preferences_page.h"

namespace test_component {

namespace {

constexpr UINT posted_message = WM_USER + 5;
HWND g_window = nullptr;

LRESULT CALLBACK window_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == posted_message) {
        console::printf("test_component: message from another thread %u", static_cast<unsigned>(wp));
        press(1019);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

DWORD WINAPI poster(void*) {
    Sleep(100);
    PostMessageW(g_window, posted_message, 7, 0);
    return 0;
}

// WM_SHOWWINDOW comes before the window's visibility changes, so it says
// itself what the page is about to be.
void refresh(HWND dlg, bool shown) {
    CheckDlgButton(dlg, 1003, enabled ? BST_CHECKED : BST_UNCHECKED);
    for (int id = 1011; id <= 1018; ++id) EnableWindow(GetDlgItem(dlg, id), enabled ? TRUE : FALSE);
    console::printf("test_component: page refresh enabled=%d shown=%d", enabled ? 1 : 0, shown ? 1 : 0);
}

INT_PTR CALLBACK page_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_SHOWWINDOW: refresh(dlg, wp != 0); break;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == 1003) {
            enabled = IsDlgButtonChecked(dlg, 1003) == BST_CHECKED;
            console::printf("test_component: enable %d", enabled ? 1 : 0);
            refresh(dlg, IsWindowVisible(dlg) != FALSE);
        } else if (id == 1017) {
            HANDLE t = CreateThread(nullptr, 0, poster, nullptr, 0, nullptr);
            if (t) CloseHandle(t);
        } else if (id == 1018) {
            const bool on = IsDlgButtonChecked(dlg, 1018) == BST_CHECKED;
            console::printf("test_component: learn %d", on ? 1 : 0);
            if (on) {
                codes c = learned;
                c.bytes[0] = static_cast<std::uint8_t>(c.bytes[0] + 1);
                learned = c;
            }
        } else if (id >= 1011 && id <= 1016) {
            press(id);
        }
        break;
    }
    default: break;
    }
    return FALSE;
}

class page : public preferences_page {
public:
    window_handle create(window_handle parent) override {
        return CreateDialogParamW(static_cast<HINSTANCE>(core_api::get_my_instance()), MAKEINTRESOURCEW(201),
                                  static_cast<HWND>(parent), page_proc, 0);
    }
    const char* get_name() override { return "test page"; }
    GUID get_guid() override { return {0x5A1E0010, 0x7E57, 0x4C0D, {0x9A, 0x11, 0, 0, 0, 0, 0, 0x10}}; }
    GUID get_parent_guid() override { return {0x5A1E0011, 0x7E57, 0x4C0D, {0x9A, 0x11, 0, 0, 0, 0, 0, 0x11}}; }
    bool reset_query() override { return true; }
    void reset() override {
        for (cfg_var* v = cfg_var::list(); v; v = v->get_next()) v->reset();
        console::print("test_component: reset");
    }
    bool get_help_url(string_base& out) override {
        out = "README.md";
        return true;
    }
};

preferences_page_factory_t<page> g_page;

}  // namespace

void platform_start() {
    HINSTANCE instance = static_cast<HINSTANCE>(core_api::get_my_instance());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"test_component_wnd";
    RegisterClassExW(&wc);
    g_window = CreateWindowExW(0, L"test_component_wnd", L"test_component", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               instance, nullptr);
    if (!g_window) console::errorf("test_component: can't create wnd (%lu)", GetLastError());
}

void platform_stop() {}

}  // namespace test_component
