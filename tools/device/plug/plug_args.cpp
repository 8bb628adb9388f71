#include "tools/device/plug/plug_args.h"

namespace tavix::plug {

namespace {

ParsedPlug failure(std::string message)
{
    ParsedPlug r;
    r.error = std::move(message);
    return r;
}

}  // namespace

ParsedPlug parse_plug_args(const std::vector<std::string>& args)
{
    ParsedPlug r;
    PlugCommand& c = r.command;
    if (args.empty())
        return failure("no command given");
    const std::string& verb = args[0];
    if (verb == "help" || verb == "--help" || verb == "-h") {
        c.action = Action::help;
    } else if (verb == "list") {
        if (args.size() != 1)
            return failure("list takes no arguments");
        c.action = Action::list;
    } else if (verb == "remove") {
        if (args.size() != 2 || args[1].empty())
            return failure("usage: remove <PORT>");
        c.action = Action::remove;
        c.port = args[1];
    } else if (verb == "add") {
        c.action = Action::add;
        std::size_t i = 1;
        if (i < args.size() && args[i] == "--replace") {
            c.replace = true;
            ++i;
        }
        if (i >= args.size() || args[i].empty())
            return failure("usage: add [--replace] <PORT|-> [hardware-id | --ids ID... | --no-ids]");
        c.port = args[i] == "-" ? std::string() : args[i];
        if (c.replace && c.port.empty())
            return failure("--replace needs a port name");
        ++i;
        if (i == args.size()) {
            c.hardware_ids = {default_hardware_id};
        } else if (args[i] == "--no-ids") {
            if (i + 1 != args.size())
                return failure("--no-ids takes nothing after it");
        } else if (args[i] == "--ids") {
            c.hardware_ids.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            if (c.hardware_ids.empty())
                return failure("--ids needs at least one hardware id");
        } else {
            if (i + 1 != args.size())
                return failure("one hardware id only; use --ids for a list");
            c.hardware_ids = {args[i]};
        }
        for (const std::string& id : c.hardware_ids)
            if (id.empty())
                return failure("a hardware id must not be empty");
    } else {
        return failure("unknown command '" + verb + "'");
    }
    r.ok = true;
    return r;
}

const char* plug_usage()
{
    return "usage: tavix-plug add [--replace] <PORT|-> [hardware-id | --ids ID... | --no-ids]\n"
           "       tavix-plug remove <PORT>\n"
           "       tavix-plug list\n"
           "Registers, removes and lists devices of the ports setup class in the Wine\n"
           "prefix (or Windows) it runs in.  The default hardware id is\n"
           "USB\\VID_1FC9&PID_400F&REV_0100; PORT '-' registers no \"PortName\".\n";
}

}  // namespace tavix::plug
