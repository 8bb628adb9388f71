// Drives a real tavixcfg.exe from outside, as a user would: finds its
// windows, types into its fields, presses its buttons and reads them back.
#pragma once

#include "configurator/win32.h"

#include <functional>
#include <string>
#include <vector>

// Polls until the condition holds or the deadline passes; never a fixed sleep.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = 30000);

// The folder the test program runs from; tavixcfg.exe and tavixcfg-cli.exe are built beside it.
std::string program_folder();

// Text of any window, through WM_GETTEXT so that it works across processes.
std::string window_text(HWND window);
void set_window_text(HWND window, const std::string& text);

class tavixcfg_process {
public:
    // Starts tavixcfg.exe in the given working folder and waits for its dialog.
    explicit tavixcfg_process(const std::string& working_folder);
    // Always ends the program, whatever the test did.
    ~tavixcfg_process();
    tavixcfg_process(const tavixcfg_process&) = delete;
    tavixcfg_process& operator=(const tavixcfg_process&) = delete;

    HWND dialog() const { return dialog_; }
    HWND item(int id) const;
    DWORD process_id() const { return info_.dwProcessId; }

    std::string text(int id) const;
    void set_text(int id, const std::string& text) const;
    int selection(int id) const;  // CB_ERR for none
    void select(int id, int index) const;
    std::vector<std::string> list_entries(int id) const;
    bool checked(int id) const;
    void set_checked(int id, bool on) const;

    // A press whose handler returns before the call does (Verify).
    void press(int id) const;
    // A press whose handler opens a modal window (Open, Save): posted, not awaited.
    void press_later(int id) const;

    // A top-level dialog of this process with this caption, other than the main dialog.
    HWND find_window(const std::string& caption) const;
    HWND wait_for_window(const std::string& caption, DWORD timeout_ms = 30000) const;

    bool running() const;
    // Waits for the program to end and gives its exit status, or -1 on time-out.
    long wait_for_exit(DWORD timeout_ms = 30000) const;

private:
    PROCESS_INFORMATION info_{};
    HWND dialog_ = nullptr;
};

// The common file dialog: the name field, OK and Cancel. Prompts that OK
// raises (replace? create?) are answered Yes until the file dialog is gone.
class file_dialog {
public:
    file_dialog(const tavixcfg_process& program, HWND window) : program_(program), window_(window) {}
    std::string file_name() const;
    void set_file_name(const std::string& name) const;
    bool ok_and_confirm() const;  // true once the file dialog has closed
    bool cancel() const;

private:
    HWND name_field() const;
    const tavixcfg_process& program_;
    HWND window_;
};

// The texts a message box shows (its static controls).
std::string message_box_text(HWND box);
void press_ok(HWND box);

// Runs tavixcfg-cli.exe with the arguments and gives its standard output.
std::string run_cli(const std::string& arguments, DWORD* exit_status);
