#include "configurator/tests/gui/driver.h"

#include "configurator/resource_ids.h"

#include <stdexcept>

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() > deadline) return false;
        Sleep(20);
    }
}

std::string program_folder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string window_text(HWND window) {
    char text[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void set_window_text(HWND window, const std::string& text) {
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

namespace {

struct window_search {
    DWORD process_id;
    std::string caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<window_search*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->process_id || window == search->except || !IsWindowVisible(window)) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (search->caption != caption) return TRUE;
    search->found = window;
    return FALSE;
}

HWND find_top_level(DWORD pid, const std::string& caption, HWND except) {
    window_search search{pid, caption, except, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK match_prompt(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<window_search*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->process_id || window == search->except || !IsWindowVisible(window)) return TRUE;
    // Message boxes keep the buttons they do not use, hidden.
    HWND yes = GetDlgItem(window, IDYES);
    if (yes == nullptr || !IsWindowVisible(yes)) return TRUE;
    search->found = window;
    return FALSE;
}

// A visible window of the process, other than the given one, that asks Yes or No.
HWND find_prompt(DWORD pid, HWND except) {
    window_search search{pid, {}, except, nullptr};
    EnumWindows(match_prompt, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

tavixcfg_process::tavixcfg_process(const std::string& working_folder) {
    std::string command = "\"" + program_folder() + "tavixcfg.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.c_str(), &startup, &info_)) {
        throw std::runtime_error("cannot start " + command);
    }
    // The window exists before its controls do; it is ready once the last list
    // that WM_INITDIALOG fills has all its entries and the dialog is shown.
    const bool ready = wait_until([&] {
        HWND window = FindWindowA(nullptr, "TAVIX CFG");
        DWORD pid = 0;
        if (window) GetWindowThreadProcessId(window, &pid);
        // Another program's window of that name: look for ours among all.
        dialog_ = pid == info_.dwProcessId ? window : find_top_level(info_.dwProcessId, "TAVIX CFG", nullptr);
        return dialog_ != nullptr && IsWindowVisible(dialog_) &&
               SendDlgItemMessageA(dialog_, IDC_S5, CB_GETCOUNT, 0, 0) == 12;
    }, 120000);
    if (!ready) dialog_ = nullptr;
    if (dialog_ == nullptr) throw std::runtime_error("tavixcfg showed no dialog");
}

tavixcfg_process::~tavixcfg_process() {
    if (running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND tavixcfg_process::item(int id) const { return GetDlgItem(dialog_, id); }

std::string tavixcfg_process::text(int id) const {
    char buffer[256] = {};
    GetDlgItemTextA(dialog_, id, buffer, sizeof buffer);
    return buffer;
}

void tavixcfg_process::set_text(int id, const std::string& text) const {
    SetDlgItemTextA(dialog_, id, text.c_str());
}

int tavixcfg_process::selection(int id) const {
    return static_cast<int>(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0));
}

void tavixcfg_process::select(int id, int index) const {
    SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::vector<std::string> tavixcfg_process::list_entries(int id) const {
    std::vector<std::string> entries;
    const LRESULT count = SendDlgItemMessageA(dialog_, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Across processes Wine hands the entry over in UTF-16 only.
        wchar_t entry[256] = {};
        SendDlgItemMessageW(dialog_, id, CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(entry));
        std::string text;
        for (const wchar_t* c = entry; *c; ++c) text += static_cast<char>(*c);
        entries.push_back(text);
    }
    return entries;
}

bool tavixcfg_process::checked(int id) const {
    return SendDlgItemMessageA(dialog_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void tavixcfg_process::set_checked(int id, bool on) const {
    SendDlgItemMessageA(dialog_, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void tavixcfg_process::press(int id) const { SendMessageA(item(id), BM_CLICK, 0, 0); }

void tavixcfg_process::press_later(int id) const { PostMessageA(item(id), BM_CLICK, 0, 0); }

HWND tavixcfg_process::find_window(const std::string& caption) const {
    return find_top_level(info_.dwProcessId, caption, dialog_);
}

HWND tavixcfg_process::wait_for_window(const std::string& caption, DWORD timeout_ms) const {
    HWND found = nullptr;
    wait_until([&] { return (found = find_window(caption)) != nullptr; }, timeout_ms);
    return found;
}

bool tavixcfg_process::running() const {
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

long tavixcfg_process::wait_for_exit(DWORD timeout_ms) const {
    if (WaitForSingleObject(info_.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD status = 0;
    GetExitCodeProcess(info_.hProcess, &status);
    return static_cast<long>(status);
}

namespace {

HWND find_edit_within(HWND window) {
    if (window == nullptr) return nullptr;
    char class_name[32] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Edit") == 0) return window;
    for (HWND child = FindWindowExA(window, nullptr, nullptr, nullptr); child != nullptr;
         child = FindWindowExA(window, child, nullptr, nullptr)) {
        if (HWND edit = find_edit_within(child)) return edit;
    }
    return nullptr;
}

}  // namespace

HWND file_dialog::name_field() const {
    // The explorer-style dialog's name field: the edit inside the combo box
    // cmb13 (Wine nests it in a ComboBoxEx), or the plain edit edt1.
    if (HWND edit = find_edit_within(GetDlgItem(window_, 0x47C))) return edit;
    return GetDlgItem(window_, 0x480);
}

std::string file_dialog::file_name() const { return window_text(name_field()); }

void file_dialog::set_file_name(const std::string& name) const { set_window_text(name_field(), name); }

bool file_dialog::ok_and_confirm() const {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, IDOK)));
    return wait_until([&] {
        if (!IsWindow(window_)) return true;
        // A question on top of the file dialog (replace? create?): answer Yes.
        if (HWND prompt = find_prompt(program_.process_id(), window_)) {
            PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(prompt, IDYES)));
        }
        return false;
    });
}

bool file_dialog::cancel() const {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window_, IDCANCEL)));
    return wait_until([&] { return !IsWindow(window_); });
}

std::string message_box_text(HWND box) {
    std::string text;
    for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child != nullptr;
         child = FindWindowExA(box, child, "Static", nullptr)) {
        text += window_text(child);
    }
    return text;
}

void press_ok(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::string run_cli(const std::string& arguments, DWORD* exit_status) {
    char temp_folder[MAX_PATH];
    char output_name[MAX_PATH];
    GetTempPathA(MAX_PATH, temp_folder);
    GetTempFileNameA(temp_folder, "cli", 0, output_name);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(output_name, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = "\"" + program_folder() + "tavixcfg-cli.exe\" " + arguments;
    PROCESS_INFORMATION info{};
    std::string result;
    *exit_status = 0xFFFFFFFF;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(info.hProcess, exit_status);
        } else {
            TerminateProcess(info.hProcess, 99);
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        SetFilePointer(output, 0, nullptr, FILE_BEGIN);
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) result.append(buffer, got);
    }
    CloseHandle(output);
    std::string text;
    for (char c : result) {
        if (c != '\r') text += c;
    }
    return text;
}
