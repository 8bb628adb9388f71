// The player's console: one line per call. Lines go nowhere while no player
// is attached.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define SDK_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define SDK_PRINTF_FORMAT(fmt, args)
#endif

namespace console {

void print(const char* line);
// An error line: "Error: " followed by the message.
void error(const char* message);

// Formatted forms; lines longer than 1023 bytes are cut.
void printf(const char* format, ...) SDK_PRINTF_FORMAT(1, 2);
void errorf(const char* format, ...) SDK_PRINTF_FORMAT(1, 2);

}  // namespace console
