// The preferences page and its dialog procedure.
#include "component/host/tavix_config.h"

#include "serial/win32.h"

#include <string>
#include <vector>

#include "component/host/guids.h"
#include "component/host/help_url.h"
#include "component/host/settings.h"
#include "component/remote/learn_page_win32.h"
#include "component/remote/learning.h"
#include "component/remote/port_link.h"
#include "component/resources/page_ids.h"
#include "sdk/core_api.h"

namespace {

HINSTANCE module_instance() { return static_cast<HINSTANCE>(core_api::get_my_instance()); }

// The page's first refresh comes with its first showing, not with
// WM_INITDIALOG: the player creates the dialog hidden.
INT_PTR CALLBACK page_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_SHOWWINDOW:
    case learn_page_refresh_message:
        refresh_learn_page();
        break;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDC_ENABLE) {
            if (IsDlgButtonChecked(dialog, IDC_ENABLE) == BST_CHECKED) {
                cfg_enable = true;
                open_port();
            } else {
                cfg_enable = false;
                close_port();
            }
            refresh_learn_page();
        } else if (is_learn_button(id)) {
            refresh_learn_page();
        }
        break;
    }
    default:
        break;
    }
    return FALSE;
}

// The full path of this library as UTF-8, for when the player did not name it.
std::string module_path() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(module_instance(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), &text[0], bytes, nullptr, nullptr);
    return text;
}

}  // namespace

window_handle tavix_config::create(window_handle parent) {
    page_dialog = CreateDialogParamW(module_instance(), MAKEINTRESOURCEW(IDD_TAVIX_PAGE), static_cast<HWND>(parent),
                                     &page_dialog_proc, 0);
    return page_dialog;
}

const char* tavix_config::get_name() { return "tavix"; }

GUID tavix_config::get_guid() { return tavix_guid::preferences_page; }

GUID tavix_config::get_parent_guid() { return tavix_guid::preferences_page_parent; }

bool tavix_config::reset_query() { return true; }

void tavix_config::reset() { reset_settings(); }

bool tavix_config::get_help_url(string_base& out) {
    std::string library = core_api::get_my_full_path();
    if (library.empty()) library = module_path();
    const std::string url = help_url_beside(library);
    if (url.empty()) return false;
    out = url.c_str();
    return true;
}

void reset_settings() {
    close_port();
    restore_default_settings();
}
