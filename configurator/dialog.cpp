#include "configurator/dialog.h"

#include "configurator/dialog_controls.h"
#include "configurator/hex_text.h"
#include "configurator/settings_file.h"
#include "configurator/settings_record.h"
#include "configurator/value_lists.h"

#include <commdlg.h>

#include <cstring>
#include <string>

namespace {

// The program's single-instance state.
settings_record record{};
HWND dialog_window = nullptr;
constexpr DWORD file_name_size = 256;
char file_name[file_name_size];

constexpr DWORD file_dialog_flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                                    OFN_SHOWHELP | OFN_EXTENSIONDIFFERENT | OFN_PATHMUSTEXIST |
                                    OFN_FILEMUSTEXIST | OFN_CREATEPROMPT | OFN_EXPLORER;
static_assert(file_dialog_flags == 0x83C1E, "the file dialogs' flags");

LRESULT send_to(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendDlgItemMessageA(dialog_window, id, message, wparam, lparam);
}

template <std::size_t N>
void fill_list(int id, const std::array<const char*, N>& labels, int selected) {
    for (const char* label : labels) {
        // Inserting at the count appends, and does not sort even under CBS_SORT.
        const LRESULT count = send_to(id, CB_GETCOUNT);
        send_to(id, CB_INSERTSTRING, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(label));
    }
    send_to(id, CB_SETCURSEL, static_cast<WPARAM>(selected));
}

list_index read_list(int id) {
    const LRESULT index = send_to(id, CB_GETCURSEL);
    if (index == CB_ERR) return std::nullopt;
    return static_cast<std::uint32_t>(index);
}

void show_list(int id, const list_index& index) {
    // An index without an entry (or none) leaves the list with no selection.
    send_to(id, CB_SETCURSEL, index ? static_cast<WPARAM>(*index) : static_cast<WPARAM>(-1));
}

bool read_check(int id) { return send_to(id, BM_GETCHECK) != 0; }

void show_check(int id, bool set) { send_to(id, BM_SETCHECK, set ? BST_CHECKED : BST_UNCHECKED); }

std::uint32_t read_hex_field(int id, int buffer_size) {
    char text[code_field_buffer] = {};
    GetWindowTextA(GetDlgItem(dialog_window, id), text, buffer_size);
    return parse_hex_text(text);
}

void show_hex_field(int id, std::uint32_t value) {
    const std::string text = format_hex_text(value);
    send_to(id, EM_SETSEL, 0, -1);
    send_to(id, WM_CLEAR);
    send_to(id, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void init_dialog(HWND dialog) {
    dialog_window = dialog;
    fill_list(IDC_I2S, i2s_format_labels, 1);
    fill_list(IDC_MCLK, mclk_labels, 4);
    for (int id : kbd_field_ids) send_to(id, EM_LIMITTEXT, 1);
    for (int id : signal_list_ids) fill_list(id, control_signal_labels, 0);
}

void dialog_to_record() {
    settings_form form;
    form.i2s_format = read_list(IDC_I2S);
    form.mclk = read_list(IDC_MCLK);
    form.use_sound_folder = read_check(IDC_USE_SOUND_FOLDER);
    form.hi_res = read_check(IDC_HI_RES);
    form.plugin_option = read_check(IDC_PLUGIN_OPTION);
    for (std::size_t i = 0; i < kbd_key_count; ++i) {
        form.kbd_keys[i] = read_hex_field(kbd_field_ids[i], kbd_field_buffer);
    }
    for (std::size_t i = 0; i < control_signal_count; ++i) {
        form.control_signals[i] = read_list(signal_list_ids[i]);
    }
    for (std::size_t k = 0; k < remote_code_count; ++k) {
        form.remote_codes[k] = read_hex_field(code_field_ids[k], code_field_buffer);
    }
    pack_settings(form, record);
}

void record_to_dialog() {
    const settings_form form = unpack_settings(record);
    show_list(IDC_I2S, form.i2s_format);
    show_list(IDC_MCLK, form.mclk);
    show_check(IDC_USE_SOUND_FOLDER, form.use_sound_folder);
    show_check(IDC_HI_RES, form.hi_res);
    show_check(IDC_PLUGIN_OPTION, form.plugin_option);
    for (std::size_t i = 0; i < kbd_key_count; ++i) show_hex_field(kbd_field_ids[i], form.kbd_keys[i]);
    for (std::size_t i = 0; i < control_signal_count; ++i) {
        show_list(signal_list_ids[i], form.control_signals[i]);
    }
    for (std::size_t k = 0; k < remote_code_count; ++k) {
        show_hex_field(code_field_ids[k], form.remote_codes[k]);
    }
}

void show_failure(const char* text) { MessageBoxA(nullptr, text, "Error", MB_OK); }

OPENFILENAMEA file_dialog_settings(const char* title) {
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = "tavix cfg Files (*.cfg)\0*.cfg\0";
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = file_name;
    ofn.nMaxFile = file_name_size;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "cfg";
    ofn.Flags = file_dialog_flags;
    return ofn;
}

// A file dialog closed without a choice: cancelled by the user, or failed.
// Only a failure is worth a message.
bool file_dialog_failed() { return CommDlgExtendedError() != 0; }

void verify_command() {
    dialog_to_record();
    record_to_dialog();
}

void save_command() {
    dialog_to_record();
    record_to_dialog();
    std::strcpy(file_name, "tavix.cfg");
    OPENFILENAMEA ofn = file_dialog_settings("Save");
    if (!GetSaveFileNameA(&ofn)) {
        // Cancelled: nothing is written; the record keeps what Verify put there.
        if (file_dialog_failed()) show_failure(file_not_saved_message);
        return;
    }
    const settings_file_result saved = save_settings_file(file_name, record);
    if (!saved.ok) show_failure(saved.message);
}

void open_command() {
    file_name[0] = '\0';
    OPENFILENAMEA ofn = file_dialog_settings("Load");
    if (!GetOpenFileNameA(&ofn)) {
        // Cancelled: the record and every field, typed or not, stay as they are.
        if (!file_dialog_failed()) return;
        show_failure(file_not_loaded_message);
    } else {
        const settings_file_result loaded = load_settings_file(file_name, record);
        if (!loaded.ok) show_failure(loaded.message);
    }
    record_to_dialog();
}

}  // namespace

INT_PTR CALLBACK tavixcfg_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            init_dialog(dialog);
            return TRUE;
        case WM_COMMAND:
            // Only the id counts; IDOK and IDCANCEL (Enter, Escape) do nothing.
            switch (LOWORD(wparam)) {
                case IDC_OPEN: open_command(); break;
                case IDC_VERIFY: verify_command(); break;
                case IDC_SAVE: save_command(); break;
                default: break;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            return TRUE;
        case WM_SIZE:
            return TRUE;  // the layout is fixed
        default:
            return FALSE;
    }
}
