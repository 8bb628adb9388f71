#include "script.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace e2e {

namespace {

std::string trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    const std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool to_ms(const std::string& word, int& ms) {
    if (word.empty() || word.size() > 7) return false;
    for (char ch : word)
        if (ch < '0' || ch > '9') return false;
    ms = std::atoi(word.c_str());
    return true;
}

}  // namespace

std::vector<script_step> parse_script(const std::string& text, std::vector<std::string>& errors) {
    std::vector<script_step> steps;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string l = trim(raw);
        if (l.empty() || l[0] == '#') continue;
        script_step s;
        s.line = number;
        const std::size_t blank = l.find(' ');
        s.verb = l.substr(0, blank);
        std::string rest = blank == std::string::npos ? "" : trim(l.substr(blank + 1));
        auto bad = [&](const std::string& why) { errors.push_back("line " + std::to_string(number) + ": " + why); };
        if (s.verb == "wait-player" || s.verb == "wait-device") {
            const std::size_t b = rest.find(' ');
            if (b == std::string::npos || !to_ms(rest.substr(0, b), s.ms) || trim(rest.substr(b + 1)).empty()) {
                bad(s.verb + " takes a time in ms and a text");
                continue;
            }
            s.text = trim(rest.substr(b + 1));
        } else if (s.verb == "pause") {
            if (!to_ms(rest, s.ms)) {
                bad("pause takes a time in ms");
                continue;
            }
        } else if (s.verb == "say" || s.verb == "player" || s.verb == "device" || s.verb == "expect") {
            if (rest.empty() && s.verb != "say") {
                bad(s.verb + " needs a command");
                continue;
            }
            s.text = rest;
        } else if (s.verb == "quit") {
            if (!rest.empty()) {
                bad("quit takes nothing");
                continue;
            }
        } else {
            bad("unknown command " + s.verb);
            continue;
        }
        steps.push_back(s);
    }
    return steps;
}

void run_script(rig& r, const std::vector<script_step>& steps) {
    for (const script_step& s : steps) {
        try {
            if (s.verb == "say") {
                std::printf("\n==== %s\n", s.text.c_str());
                std::fflush(stdout);
            } else if (s.verb == "player") {
                r.player(s.text);
            } else if (s.verb == "device") {
                r.device(s.text);
            } else if (s.verb == "wait-player") {
                r.wait(side::player, s.text, s.ms);
            } else if (s.verb == "wait-device") {
                r.wait(side::device, s.text, s.ms);
            } else if (s.verb == "pause") {
                r.pump_for(s.ms);
            } else if (s.verb == "expect") {
                r.expect(s.text);
            } else if (s.verb == "quit") {
                r.quit_player();
            }
        } catch (const failure& f) {
            throw failure("script line " + std::to_string(s.line) + ": " + f.what());
        }
    }
}

}  // namespace e2e
