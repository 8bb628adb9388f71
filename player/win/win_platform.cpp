#include "player/win/win_platform.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "player/win/utf.h"
#include "sdk/player/client_api.h"

namespace player {

win_platform::win_platform(output_log& out, std::string components_dir)
    : out_(out),
      components_dir_(std::move(components_dir)),
      wake_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      input_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      pages_(out) {}

win_platform::~win_platform() {
    // The libraries stay loaded: their windows and callbacks may be reached
    // until the process ends, as in the player.
    CloseHandle(wake_event_);
    CloseHandle(input_event_);
}

void win_platform::start_input() {
    HANDLE t = CreateThread(nullptr, 0, input_thread, this, 0, nullptr);
    if (t)
        CloseHandle(t);
    else
        out_.line("error", "can't read input (" + std::to_string(GetLastError()) + ")");
}

// A blocking read of standard input never holds up the main thread, which
// must keep pumping messages for the components' windows.
DWORD WINAPI win_platform::input_thread(void* param) {
    auto* self = static_cast<win_platform*>(param);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        {
            std::lock_guard<std::mutex> lock(self->input_mutex_);
            self->input_lines_.push_back(line);
        }
        SetEvent(self->input_event_);
    }
    {
        std::lock_guard<std::mutex> lock(self->input_mutex_);
        self->input_ended_ = true;
    }
    SetEvent(self->input_event_);
    return 0;
}

std::optional<std::string> win_platform::take_input_line(bool& eof) {
    std::lock_guard<std::mutex> lock(input_mutex_);
    if (!input_lines_.empty()) {
        std::string line = std::move(input_lines_.front());
        input_lines_.pop_front();
        eof = false;
        return line;
    }
    eof = input_ended_;
    return std::nullopt;
}

int win_platform::load_components(component_host& host) {
    const std::wstring dir = widen(components_dir_);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*.dll").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND)
            out_.line("error", "no component library in " + components_dir_);
        else if (err == ERROR_PATH_NOT_FOUND)
            out_.line("error", "no components folder " + components_dir_);
        else
            out_.line("error", "can't read the components folder " + components_dir_ + " (" + std::to_string(err) + ")");
        return 0;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());

    int attached = 0;
    for (const std::wstring& name : names) {
        const std::wstring full = dir + L"\\" + name;
        const std::string name8 = narrow(name);
        HMODULE module = LoadLibraryW(full.c_str());
        if (!module) {
            out_.line("error", "can't load " + name8 + " (" + std::to_string(GetLastError()) + ")");
            continue;
        }
        auto entry = reinterpret_cast<client_export_function>(
            reinterpret_cast<void*>(GetProcAddress(module, client_export_name)));
        if (!entry) {
            out_.line("error", name8 + " is no component: it has no " + client_export_name);
            FreeLibrary(module);
            continue;
        }
        client_api* client = nullptr;
        guarded(out_, client_export_name, [&] { client = entry(&host, module); });
        if (!client) {
            out_.line("error", name8 + ": " + client_export_name + " returned nothing");
            FreeLibrary(module);
            continue;
        }
        wchar_t path[MAX_PATH * 2];
        const DWORD n = GetModuleFileNameW(module, path, MAX_PATH * 2);
        if (!host.attach(client, narrow(std::wstring(path, n)), name8)) {
            FreeLibrary(module);
            continue;
        }
        modules_.push_back(module);
        ++attached;
    }
    return attached;
}

bool win_platform::dispatch_waiting() {
    bool any = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (msg.message == WM_QUIT) continue;  // the session decides when to end
        if (pages_.translate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return any;
}

void win_platform::wait_and_dispatch(std::int64_t timeout_ms) {
    if (dispatch_waiting() || timeout_ms == 0) return;
    HANDLE handles[2] = {wake_event_, input_event_};
    const DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(std::min<std::int64_t>(timeout_ms, 0x7FFFFFFE));
    MsgWaitForMultipleObjectsEx(2, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    dispatch_waiting();
}

void win_platform::wake() { SetEvent(wake_event_); }

std::int64_t win_platform::now_ms() { return static_cast<std::int64_t>(GetTickCount64()); }

}  // namespace player
