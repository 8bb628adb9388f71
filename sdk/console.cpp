#include "sdk/console.h"

#include <cstdarg>
#include <cstdio>

#include "sdk/client_state.h"
#include "sdk/player/host_api.h"

namespace {

constexpr char error_prefix[] = "Error: ";

void emit(const char* line) {
    if (host_api* host = sdk_detail::attached_host()) host->console_print(line);
}

// Formats into a fixed buffer after `prefix`, so that printing never
// allocates.
void emit_formatted(const char* prefix, const char* format, va_list args) {
    char line[1024];
    int used = std::snprintf(line, sizeof line, "%s", prefix);
    std::vsnprintf(line + used, sizeof line - static_cast<std::size_t>(used), format, args);
    emit(line);
}

}  // namespace

void console::print(const char* line) { emit(line ? line : ""); }

void console::error(const char* message) { console::errorf("%s", message ? message : ""); }

void console::printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit_formatted("", format, args);
    va_end(args);
}

void console::errorf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit_formatted(error_prefix, format, args);
    va_end(args);
}
