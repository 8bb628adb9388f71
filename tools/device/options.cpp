#include "tools/device/options.h"

#include <cctype>

namespace tavix::device {

namespace {

bool parse_unsigned(const std::string& text, unsigned& out)
{
    if (text.empty() || text.size() > 9)
        return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    out = v;
    return true;
}

}  // namespace

int com_port_number(const std::string& name)
{
    if (name.size() < 4 || name.size() > 6)
        return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[static_cast<std::size_t>(i)])) != "COM"[i])
            return 0;
    if (name[3] == '0')
        return 0;
    unsigned n = 0;
    if (!parse_unsigned(name.substr(3), n) || n < 1 || n > 255)
        return 0;
    return static_cast<int>(n);
}

ParsedOptions parse_options(const std::vector<std::string>& args, const EnvLookup& env)
{
    ParsedOptions r;
    Options& o = r.options;
    if (const char* v = env("WINEPREFIX"))
        o.prefix = v;
    if (const char* v = env("WINE"); v && *v)
        o.wine = v;
    if (const char* v = env("TAVIX_PLUG"))
        o.plug_exe = v;

    auto fail = [&](std::string message) {
        r.ok = false;
        r.error = std::move(message);
        return r;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inline_value = false;
        if (std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inline_value = true;
        }
        auto take = [&](std::string& out) {
            if (inline_value) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto flag = [&](bool& out, bool set) {
            out = set;
            return !inline_value;
        };

        bool good = true;
        if (name == "--prefix")
            good = take(o.prefix);
        else if (name == "--port")
            good = take(o.port);
        else if (name == "--plug")
            good = take(o.plug_exe);
        else if (name == "--wine")
            good = take(o.wine);
        else if (name == "--hardware-id")
            good = take(o.hardware_id);
        else if (name == "--script")
            good = take(o.script);
        else if (name == "--greeting-delay") {
            std::string v;
            good = take(v) && parse_unsigned(v, o.greeting_delay_ms);
        } else if (name == "--force")
            good = flag(o.force, true);
        else if (name == "--no-register")
            good = flag(o.register_device, false);
        else if (name == "--stay")
            good = flag(o.stay, true);
        else if (name == "--raw")
            good = flag(o.raw, true);
        else if (name == "--timestamps")
            good = flag(o.timestamps, true);
        else if (name == "--no-display")
            good = flag(o.display, false);
        else if (name == "--no-greeting")
            good = flag(o.greeting, false);
        else if (name == "--echo")
            good = flag(o.echo, true);
        else if (name == "--list-buttons")
            good = flag(o.list_buttons, true);
        else if (name == "--help" || name == "-h")
            good = flag(o.help, true);
        else
            return fail("unknown option '" + args[i] + "'");
        if (!good)
            return fail("bad or missing value for " + name);
    }

    if (o.help || o.list_buttons) {
        r.ok = true;
        return r;
    }
    if (o.prefix.empty())
        return fail("no Wine prefix: give --prefix DIR or set WINEPREFIX");
    if (o.port != "auto" && com_port_number(o.port) == 0)
        return fail("--port wants COM1 to COM255 or auto, not '" + o.port + "'");
    if (o.register_device && o.plug_exe.empty())
        return fail("registering the device needs tavix-plug.exe: give --plug PATH or set "
                    "TAVIX_PLUG (or --no-register)");
    if (o.hardware_id.empty())
        return fail("--hardware-id must not be empty");
    r.ok = true;
    return r;
}

const char* usage_text()
{
    return "usage: tavix-device [options]\n"
           "A virtual tavix on a pty linked into a Wine prefix as a COM port.\n"
           "Commands come from standard input or --script; see README.md.\n"
           "\n"
           "  --prefix DIR         Wine prefix (default $WINEPREFIX)\n"
           "  --port COMn|auto     port name (default auto: lowest free of COM3..COM99)\n"
           "  --force              replace an existing dosdevices link of that name\n"
           "  --no-register        do not register the USB device (no Wine needed)\n"
           "  --plug PATH          tavix-plug.exe (default $TAVIX_PLUG)\n"
           "  --wine PROG          runs tavix-plug.exe (default $WINE, else wine)\n"
           "  --hardware-id ID     first hardware id (default USB\\VID_1FC9&PID_400F&REV_0100)\n"
           "  --script FILE        read commands from FILE instead of standard input\n"
           "  --stay               after the last command keep running until a signal\n"
           "  --raw                also print each frame as hex (\"raw\" lines)\n"
           "  --timestamps         begin every line with CLOCK_MONOTONIC_RAW in ms\n"
           "  --no-display         no \"display\" lines\n"
           "  --no-greeting        do not send \"OK\" when the port is opened\n"
           "  --greeting-delay MS  wait MS ms after the opening before sending \"OK\"\n"
           "  --echo               print each command as \"command <line>\" before it runs\n"
           "  --list-buttons       print the remote's buttons and exit\n"
           "  --help               this text\n";
}

}  // namespace tavix::device
