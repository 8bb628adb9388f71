#include "tools/device/plug/plug_args.h"

#include <gtest/gtest.h>

namespace tavix::plug {
namespace {

using Ids = std::vector<std::string>;

TEST(PlugArgsTest, Commands)
{
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string port;
        Ids ids;
        bool replace;
    };
    const Case cases[] = {
        {{"list"}, Action::list, "", {}, false},
        {{"help"}, Action::help, "", {}, false},
        {{"remove", "COM7"}, Action::remove, "COM7", {}, false},
        {{"add", "COM7"}, Action::add, "COM7", {"USB\\VID_1FC9&PID_400F&REV_0100"}, false},
        {{"add", "--replace", "COM7"}, Action::add, "COM7", {"USB\\VID_1FC9&PID_400F&REV_0100"}, true},
        {{"add", "COM8", "usb\\vid_1fc9&pid_400f"}, Action::add, "COM8", {"usb\\vid_1fc9&pid_400f"}, false},
        {{"add", "COM9", "--ids", "ACPI\\PNP0501", "USB\\VID_1FC9&PID_400F"}, Action::add, "COM9",
         {"ACPI\\PNP0501", "USB\\VID_1FC9&PID_400F"}, false},
        {{"add", "COM10", "--no-ids"}, Action::add, "COM10", {}, false},
        {{"add", "-"}, Action::add, "", {"USB\\VID_1FC9&PID_400F&REV_0100"}, false},
        {{"add", "AVERYLONGPORTNAME20"}, Action::add, "AVERYLONGPORTNAME20",
         {"USB\\VID_1FC9&PID_400F&REV_0100"}, false},
    };
    for (const Case& c : cases) {
        ParsedPlug p = parse_plug_args(c.args);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.command.action, c.action);
        EXPECT_EQ(p.command.port, c.port);
        EXPECT_EQ(p.command.hardware_ids, c.ids);
        EXPECT_EQ(p.command.replace, c.replace);
    }
}

TEST(PlugArgsTest, Errors)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"plug"},
        {"list", "x"},
        {"remove"},
        {"remove", ""},
        {"add"},
        {"add", "--replace"},
        {"add", "--replace", "-"},
        {"add", "COM7", "id1", "id2"},
        {"add", "COM7", "--ids"},
        {"add", "COM7", "--ids", ""},
        {"add", "COM7", "--no-ids", "x"},
    };
    for (const auto& args : cases) {
        ParsedPlug p = parse_plug_args(args);
        EXPECT_FALSE(p.ok) << (args.empty() ? "(nothing)" : args[0]);
        EXPECT_FALSE(p.error.empty());
    }
}

}  // namespace
}  // namespace tavix::plug
