// tavix-plug: registers, removes and lists fake tavix devices (ports setup
// class) in the Wine prefix it runs in.  Output is UTF-8, one line per device.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/device/plug/plug_args.h"
#include "tools/device/plug/port_devices.h"

namespace {

std::string utf8(const std::wstring& w)
{
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring wide(const std::string& s)
{
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

void out(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string joined(const std::vector<std::wstring>& ids)
{
    if (ids.empty())
        return "-";
    std::string s;
    for (const std::wstring& id : ids)
        s += (s.empty() ? "" : ",") + utf8(id);
    return s;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "tavix-plug: %s\n", message.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    using namespace tavix::plug;
    // Callers parse the output line by line: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf8(argv[i]));
    ParsedPlug parsed = parse_plug_args(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "tavix-plug: %s\n%s", parsed.error.c_str(), plug_usage());
        return 2;
    }
    const PlugCommand& c = parsed.command;
    std::string error;
    switch (c.action) {
    case Action::help:
        std::fputs(plug_usage(), stdout);
        return 0;
    case Action::list: {
        std::vector<PortDevice> devices;
        if (!list_port_devices(devices, error))
            return fail(error);
        for (const PortDevice& d : devices)
            out("device " + utf8(d.instance_id) +
                " port=" + (d.has_port_name ? utf8(d.port_name) : std::string("-")) +
                " hwids=" + joined(d.hardware_ids));
        return 0;
    }
    case Action::remove: {
        std::vector<std::wstring> removed;
        bool ok = remove_port_devices(wide(c.port), removed, error);
        for (const std::wstring& id : removed)
            out("removed " + utf8(id) + " port=" + c.port);
        return ok ? 0 : fail(error);
    }
    case Action::add: {
        if (c.replace) {
            std::vector<std::wstring> removed;
            bool ok = remove_port_devices(wide(c.port), removed, error);
            for (const std::wstring& id : removed)
                out("removed " + utf8(id) + " port=" + c.port);
            if (!ok)
                return fail(error);
        }
        std::vector<std::wstring> ids;
        for (const std::string& id : c.hardware_ids)
            ids.push_back(wide(id));
        std::wstring instance;
        if (!add_port_device(wide(c.port), ids, instance, error))
            return fail(error);
        out("added " + utf8(instance) + " port=" + (c.port.empty() ? "-" : c.port) +
            " hwids=" + joined(ids));
        return 0;
    }
    }
    return 0;
}
