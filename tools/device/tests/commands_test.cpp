#include "tools/device/commands.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tools/device/options.h"
#include "tools/device/remote.h"

namespace tavix::device {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(CommandsTest, ValidCommands)
{
    struct Case {
        const char* line;
        CommandKind kind;
        Bytes bytes;
        unsigned ms;
    };
    const Case cases[] = {
        {"", CommandKind::nothing, {}, 0},
        {"   # a comment", CommandKind::nothing, {}, 0},
        {"press play", CommandKind::press, {0x20, 0xDF, 0x40, 0xBF}, 0},
        {"  press   mute  \r", CommandKind::press, {0x20, 0xDF, 0x4A, 0xB5}, 0},
        {"send 2b 02 00 05 0d", CommandKind::send, {0x2B, 0x02, 0x00, 0x05, 0x0D}, 0},
        {"send 4F4B", CommandKind::send, {0x4F, 0x4B}, 0},
        {"greet", CommandKind::greet, {'O', 'K'}, 0},
        {"wait 250", CommandKind::wait, {}, 250},
        {"wait 0", CommandKind::wait, {}, 0},
        {"wait-open", CommandKind::wait_open, {}, default_wait_timeout_ms},
        {"wait-open 0", CommandKind::wait_open, {}, 0},
        {"wait-closed 1500", CommandKind::wait_closed, {}, 1500},
        {"wait-frame time", CommandKind::wait_frame, {}, default_wait_timeout_ms},
        {"wait-frame any 20", CommandKind::wait_frame, {}, 20},
        {"unplug", CommandKind::unplug, {}, 0},
        {"plug", CommandKind::plug, {}, 0},
        {"status", CommandKind::status, {}, 0},
        {"buttons", CommandKind::buttons, {}, 0},
        {"quit", CommandKind::quit, {}, 0},
        {"exit", CommandKind::quit, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ParsedCommand p = parse_command(c.line);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.command.kind, c.kind);
        EXPECT_EQ(p.command.bytes, c.bytes);
        EXPECT_EQ(p.command.ms, c.ms);
    }
}

TEST(CommandsTest, WaitFrameKinds)
{
    EXPECT_EQ(parse_command("wait-frame quit").command.frame, FrameKind::quit);
    EXPECT_EQ(parse_command("wait-frame track").command.frame, FrameKind::track);
    EXPECT_EQ(parse_command("wait-frame time").command.frame, FrameKind::time);
    EXPECT_EQ(parse_command("wait-frame any").command.frame, std::nullopt);
}

TEST(CommandsTest, EchoKeepsItsText)
{
    EXPECT_EQ(parse_command("echo  step 3: done ").command.text, "step 3: done");
    EXPECT_EQ(parse_command("echo").command.text, "");
}

TEST(CommandsTest, BadCommands)
{
    struct Case {
        const char* line;
        const char* error_part;
    };
    const Case cases[] = {
        {"jump", "unknown command 'jump'"},
        {"press", "usage: press"},
        {"press eject", "unknown button 'eject'"},
        {"press play pause", "usage: press"},
        {"send", "usage: send"},
        {"send 2B 0", "odd number"},
        {"send 2G", "not a hex digit"},
        {"wait", "usage: wait"},
        {"wait -5", "usage: wait"},
        {"wait 1.5", "usage: wait"},
        {"wait 99999999999999", "usage: wait"},
        {"wait-open soon", "usage: wait-open"},
        {"wait-frame", "usage: wait-frame"},
        {"wait-frame pause", "usage: wait-frame"},
        {"wait-frame time 5 6", "usage: wait-frame"},
        {"greet now", "usage: greet"},
        {"quit now", "usage: quit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ParsedCommand p = parse_command(c.line);
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.error.find(c.error_part), std::string::npos) << p.error;
    }
}

TEST(RemoteTest, ButtonsAreDistinctAndSafe)
{
    const char* required[] = {"play", "pause", "stop", "next", "previous", "random",
                              "back", "forward", "volup", "voldown", "mute"};
    for (const char* name : required)
        EXPECT_NE(find_button(name), nullptr) << name;
    EXPECT_EQ(find_button("Play"), nullptr);

    std::set<Bytes> codes;
    Bytes all;
    for (const Button& b : remote_buttons()) {
        Bytes code(b.code.begin(), b.code.end());
        EXPECT_TRUE(codes.insert(code).second) << b.name << " shares its code";
        EXPECT_FALSE(code[0] == 'O' && code[1] == 'K') << b.name;
        for (std::uint8_t byte : code)
            EXPECT_GE(byte, 0x20) << b.name << ": control byte";
        all.insert(all.end(), code.begin(), code.end());
    }
    // Back-to-back presses of any two buttons: no window across the seam is a
    // code or the greeting.
    for (const Button& a : remote_buttons()) {
        for (const Button& b : remote_buttons()) {
            Bytes two(a.code.begin(), a.code.end());
            two.insert(two.end(), b.code.begin(), b.code.end());
            for (std::size_t at = 1; at < 4; ++at)
                EXPECT_EQ(codes.count(Bytes(two.begin() + static_cast<std::ptrdiff_t>(at),
                                            two.begin() + static_cast<std::ptrdiff_t>(at) + 4)),
                          0u)
                    << a.name << "+" << b.name;
            for (std::size_t at = 0; at + 1 < two.size(); ++at)
                EXPECT_FALSE(two[at] == 'O' && two[at + 1] == 'K') << a.name << "+" << b.name;
        }
    }
}

TEST(RemoteTest, HexText)
{
    EXPECT_EQ(hex_text({}), "");
    EXPECT_EQ(hex_text({0x2B, 0x02, 0x00, 0xFF}), "2B 02 00 FF");
    Bytes out;
    std::string error;
    ASSERT_TRUE(parse_hex(" 20df\t40 BF ", out, error));
    EXPECT_EQ(out, (Bytes{0x20, 0xDF, 0x40, 0xBF}));
    EXPECT_FALSE(parse_hex("2 0", out, error)) << "a byte split by a blank";
    EXPECT_EQ(out, (Bytes{0x20, 0xDF, 0x40, 0xBF})) << "failure leaves the output alone";
}

struct Env {
    std::map<std::string, std::string> vars;
    EnvLookup lookup() const
    {
        return [this](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    }
};

ParsedOptions parse(std::vector<std::string> args, const Env& env = {})
{
    return parse_options(args, env.lookup());
}

TEST(OptionsTest, DefaultsAndEnvironment)
{
    Env env{{{"WINEPREFIX", "/p"}, {"WINE", "/usr/lib/wine/wine64"}, {"TAVIX_PLUG", "/b/tavix-plug.exe"}}};
    ParsedOptions p = parse({}, env);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.prefix, "/p");
    EXPECT_EQ(p.options.wine, "/usr/lib/wine/wine64");
    EXPECT_EQ(p.options.plug_exe, "/b/tavix-plug.exe");
    EXPECT_EQ(p.options.port, "auto");
    EXPECT_EQ(p.options.hardware_id, "USB\\VID_1FC9&PID_400F&REV_0100");
    EXPECT_TRUE(p.options.register_device);
    EXPECT_TRUE(p.options.greeting);

    p = parse({"--prefix", "/q", "--wine=wine-run", "--plug", "x.exe"}, env);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.prefix, "/q");
    EXPECT_EQ(p.options.wine, "wine-run");
    EXPECT_EQ(p.options.plug_exe, "x.exe");
}

TEST(OptionsTest, Flags)
{
    ParsedOptions p = parse({"--prefix", "/p", "--no-register", "--port", "com12", "--raw",
                             "--timestamps", "--stay", "--no-display", "--no-greeting",
                             "--greeting-delay", "50", "--echo", "--force", "--script", "s.txt",
                             "--hardware-id", "USB\\VID_1FC9&PID_4010"});
    ASSERT_TRUE(p.ok) << p.error;
    const Options& o = p.options;
    EXPECT_FALSE(o.register_device);
    EXPECT_EQ(o.port, "com12");
    EXPECT_TRUE(o.raw && o.timestamps && o.stay && o.echo && o.force);
    EXPECT_FALSE(o.display || o.greeting);
    EXPECT_EQ(o.greeting_delay_ms, 50u);
    EXPECT_EQ(o.script, "s.txt");
    EXPECT_EQ(o.hardware_id, "USB\\VID_1FC9&PID_4010");
}

TEST(OptionsTest, Errors)
{
    struct Case {
        std::vector<std::string> args;
        const char* error_part;
    };
    const Case cases[] = {
        {{"--no-register"}, "no Wine prefix"},
        {{"--prefix", "/p"}, "tavix-plug.exe"},
        {{"--prefix", "/p", "--no-register", "--port", "LPT1"}, "--port"},
        {{"--prefix", "/p", "--no-register", "--port", "COM0"}, "--port"},
        {{"--prefix", "/p", "--no-register", "--port", "COM256"}, "--port"},
        {{"--prefix", "/p", "--no-register", "--greeting-delay", "x"}, "--greeting-delay"},
        {{"--prefix"}, "--prefix"},
        {{"--raw=yes", "--prefix", "/p", "--no-register"}, "--raw"},
        {{"--frobnicate"}, "unknown option"},
        {{"--prefix", "/p", "--no-register", "--hardware-id", ""}, "--hardware-id"},
    };
    for (const Case& c : cases) {
        ParsedOptions p = parse(c.args);
        EXPECT_FALSE(p.ok);
        EXPECT_NE(p.error.find(c.error_part), std::string::npos) << p.error;
    }
    EXPECT_TRUE(parse({"--help"}).ok) << "help needs no prefix";
    EXPECT_TRUE(parse({"--list-buttons"}).ok);
}

TEST(OptionsTest, ComPortNumbers)
{
    EXPECT_EQ(com_port_number("COM1"), 1);
    EXPECT_EQ(com_port_number("com7"), 7);
    EXPECT_EQ(com_port_number("CoM255"), 255);
    EXPECT_EQ(com_port_number("COM0"), 0);
    EXPECT_EQ(com_port_number("COM07"), 0);
    EXPECT_EQ(com_port_number("COM256"), 0);
    EXPECT_EQ(com_port_number("COM"), 0);
    EXPECT_EQ(com_port_number("COMX"), 0);
    EXPECT_EQ(com_port_number("LPT1"), 0);
}

}  // namespace
}  // namespace tavix::device
