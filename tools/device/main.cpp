// tavix-device: the virtual tavix for tests and the demo.  See README.md.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/device/device_app.h"
#include "tools/device/remote.h"

int main(int argc, char** argv)
{
    using namespace tavix::device;
    std::vector<std::string> args(argv + 1, argv + argc);
    ParsedOptions parsed = parse_options(args, [](const char* name) { return std::getenv(name); });
    if (!parsed.ok) {
        std::fprintf(stderr, "tavix-device: %s\n%s", parsed.error.c_str(), usage_text());
        return exit_usage;
    }
    if (parsed.options.help) {
        std::fputs(usage_text(), stdout);
        return exit_ok;
    }
    if (parsed.options.list_buttons) {
        for (const Button& b : remote_buttons())
            std::printf("button %s %s\n", b.name, hex_text(b.code.data(), b.code.size()).c_str());
        return exit_ok;
    }
    return DeviceApp(parsed.options).run();
}
