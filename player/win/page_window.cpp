#include "player/win/page_window.h"

#include "player/host/player_services.h"
#include "player/win/utf.h"

namespace player {

namespace {

constexpr wchar_t frame_class[] = L"tavix_player_preferences";

}  // namespace

page_window::~page_window() {
    if (dialog_) DestroyWindow(dialog_);
    if (frame_) DestroyWindow(frame_);
}

LRESULT CALLBACK page_window::frame_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<page_window*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_CLOSE && self) {
        // Closing the preferences window ends the page, as in the player.
        self->out_.line("page", "window closed");
        self->close();
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

bool page_window::make_frame(std::string& error) {
    if (frame_) return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = frame_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = frame_class;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        error = "can't register the window class (" + std::to_string(GetLastError()) + ")";
        return false;
    }
    frame_ = CreateWindowExW(0, frame_class, L"tavix player: preferences", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             CW_USEDEFAULT, CW_USEDEFAULT, 480, 560, nullptr, nullptr, instance, nullptr);
    if (!frame_) {
        error = "can't create the preferences window (" + std::to_string(GetLastError()) + ")";
        return false;
    }
    SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

bool page_window::open(preferences_page& page, std::string& error) {
    if (dialog_) close();
    if (!make_frame(error)) return false;
    window_handle made = nullptr;
    if (!guarded(out_, "preferences_page create", [&] { made = page.create(frame_); })) {
        error = "create threw";
        return false;
    }
    HWND dlg = static_cast<HWND>(made);
    if (!dlg || !IsWindow(dlg)) {
        error = "create returned no window";
        return false;
    }
    if (GetParent(dlg) != frame_) out_.line("page", "note: the page's window is not a child of the given parent");
    dialog_ = dlg;
    return true;
}

void page_window::show(bool visible) {
    if (!dialog_) return;
    if (visible) {
        ShowWindow(frame_, SW_SHOWNORMAL);
        ShowWindow(dialog_, SW_SHOW);
        UpdateWindow(frame_);
    } else {
        ShowWindow(dialog_, SW_HIDE);
        ShowWindow(frame_, SW_HIDE);
    }
}

bool page_window::is_visible() const { return dialog_ && IsWindowVisible(dialog_); }

void page_window::close() {
    if (dialog_) {
        // Take the handle first: destroying may reach frame_proc again.
        HWND dlg = dialog_;
        dialog_ = nullptr;
        DestroyWindow(dlg);
    }
    if (frame_) ShowWindow(frame_, SW_HIDE);
}

HWND page_window::usable_control(int id, press_result& refusal) const {
    refusal = press_result::no_control;
    if (!dialog_) return nullptr;
    HWND ctrl = GetDlgItem(dialog_, id);
    if (!ctrl) return nullptr;
    if (!IsWindowVisible(dialog_)) {
        refusal = press_result::hidden;
        return nullptr;
    }
    if (!IsWindowEnabled(ctrl)) {
        refusal = press_result::disabled;
        return nullptr;
    }
    refusal = press_result::done;
    return ctrl;
}

press_result page_window::can_press(int id) const {
    press_result r;
    usable_control(id, r);
    return r;
}

press_result page_window::click(int id) {
    press_result r;
    HWND ctrl = usable_control(id, r);
    if (!ctrl) return r;
    SendMessageW(ctrl, BM_CLICK, 0, 0);
    return press_result::done;
}

press_result page_window::set_check(int id, bool checked) {
    press_result r;
    HWND ctrl = usable_control(id, r);
    if (!ctrl) return r;
    SendMessageW(ctrl, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ctrl));
    return press_result::done;
}

namespace {

control_state read_control(HWND ctrl) {
    control_state s;
    s.id = GetDlgCtrlID(ctrl);
    wchar_t text[256];
    const int n = GetWindowTextW(ctrl, text, 256);
    s.text = narrow(std::wstring(text, n > 0 ? static_cast<std::size_t>(n) : 0));
    s.checked = SendMessageW(ctrl, BM_GETCHECK, 0, 0) == BST_CHECKED;
    s.enabled = IsWindowEnabled(ctrl) != FALSE;
    s.visible = IsWindowVisible(ctrl) != FALSE;
    return s;
}

}  // namespace

std::optional<control_state> page_window::control(int id) const {
    if (!dialog_) return std::nullopt;
    HWND ctrl = GetDlgItem(dialog_, id);
    if (!ctrl) return std::nullopt;
    return read_control(ctrl);
}

std::vector<control_state> page_window::controls() const {
    std::vector<control_state> all;
    if (!dialog_) return all;
    for (HWND c = GetWindow(dialog_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(read_control(c));
    return all;
}

bool page_window::translate(MSG& msg) { return dialog_ && IsDialogMessageW(dialog_, &msg); }

}  // namespace player
