#include "tools/device/commands.h"

#include <limits>

#include "tools/device/remote.h"

namespace tavix::device {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && is_blank(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !is_blank(s[i]))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

bool parse_ms(std::string_view text, unsigned& out)
{
    if (text.empty())
        return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > std::numeric_limits<unsigned>::max() / 2)
            return false;
    }
    out = static_cast<unsigned>(v);
    return true;
}

ParsedCommand failure(std::string message)
{
    ParsedCommand r;
    r.error = std::move(message);
    return r;
}

}  // namespace

ParsedCommand parse_command(std::string_view line)
{
    line = trim(line);
    ParsedCommand r;
    r.ok = true;
    if (line.empty() || line.front() == '#')
        return r;

    std::vector<std::string_view> w = words(line);
    std::string_view verb = w[0];
    Command& c = r.command;
    c.name = std::string(verb);
    std::size_t args = w.size() - 1;
    auto too_many = [&](std::size_t most) { return args > most; };
    auto usage = [&](const char* form) { return failure(std::string("usage: ") + form); };

    if (verb == "press") {
        if (args != 1)
            return usage("press <button>");
        const Button* b = find_button(w[1]);
        if (!b)
            return failure("unknown button '" + std::string(w[1]) + "' (try: buttons)");
        c.kind = CommandKind::press;
        c.button = b->name;
        c.bytes.assign(b->code.begin(), b->code.end());
    } else if (verb == "send") {
        std::string error;
        std::string_view hex = trim(line.substr(verb.size()));
        if (hex.empty())
            return usage("send <hex bytes>");
        if (!parse_hex(hex, c.bytes, error))
            return failure("send: " + error);
        c.kind = CommandKind::send;
    } else if (verb == "greet") {
        if (too_many(0))
            return usage("greet");
        c.kind = CommandKind::greet;
        c.bytes = {'O', 'K'};
    } else if (verb == "wait") {
        if (args != 1 || !parse_ms(w[1], c.ms))
            return usage("wait <ms>");
        c.kind = CommandKind::wait;
    } else if (verb == "wait-open" || verb == "wait-closed") {
        c.ms = default_wait_timeout_ms;
        if (too_many(1) || (args == 1 && !parse_ms(w[1], c.ms)))
            return usage(verb == "wait-open" ? "wait-open [timeout ms]" : "wait-closed [timeout ms]");
        c.kind = verb == "wait-open" ? CommandKind::wait_open : CommandKind::wait_closed;
    } else if (verb == "wait-frame") {
        c.ms = default_wait_timeout_ms;
        if (args < 1 || too_many(2) || (args == 2 && !parse_ms(w[2], c.ms)))
            return usage("wait-frame <any|quit|track|time> [timeout ms]");
        if (w[1] == "quit")
            c.frame = FrameKind::quit;
        else if (w[1] == "track")
            c.frame = FrameKind::track;
        else if (w[1] == "time")
            c.frame = FrameKind::time;
        else if (w[1] != "any")
            return usage("wait-frame <any|quit|track|time> [timeout ms]");
        c.kind = CommandKind::wait_frame;
    } else if (verb == "echo") {
        c.kind = CommandKind::echo;
        c.text = std::string(trim(line.substr(verb.size())));
    } else if (verb == "unplug" || verb == "plug" || verb == "status" || verb == "buttons" ||
               verb == "quit" || verb == "exit") {
        if (too_many(0))
            return usage(c.name.c_str());
        c.kind = verb == "unplug"    ? CommandKind::unplug
                 : verb == "plug"    ? CommandKind::plug
                 : verb == "status"  ? CommandKind::status
                 : verb == "buttons" ? CommandKind::buttons
                                     : CommandKind::quit;
    } else {
        return failure("unknown command '" + c.name + "'");
    }
    return r;
}

}  // namespace tavix::device
