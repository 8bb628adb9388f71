// tavixcfg-cli, the dialog's console companion: shows and changes settings
// files from scripts, taking values exactly as the dialog takes them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses of the tool.
constexpr int cli_ok = 0;
constexpr int cli_file_failed = 1;  // a load or save failed
constexpr int cli_bad_usage = 2;    // bad command, key, label or flag; no file touched

// Runs the tool on its arguments (without the program name).
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
