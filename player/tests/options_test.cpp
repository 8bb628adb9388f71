#include "player/host/options.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(Options, CommandLines) {
    player_options o;
    std::string error;
    ASSERT_TRUE(parse_options({"--components", "C:\\p\\components", "--config", "p.cfg", "--seed", "42", "--realtime",
                               "--show-queries", "--no-echo", "--timestamps", "run.scn"},
                              o, error))
        << error;
    EXPECT_EQ(o.components_dir, "C:\\p\\components");
    EXPECT_EQ(o.config_path, "p.cfg");
    EXPECT_EQ(o.seed, 42u);
    EXPECT_TRUE(o.realtime);
    EXPECT_TRUE(o.show_queries);
    EXPECT_FALSE(o.echo);
    EXPECT_TRUE(o.timestamps);
    EXPECT_EQ(o.scenario_path, "run.scn");

    player_options d;
    ASSERT_TRUE(parse_options({"-"}, d, error));
    EXPECT_EQ(d.scenario_path, "-");
    EXPECT_TRUE(d.echo);
    EXPECT_FALSE(d.no_config);
    EXPECT_FALSE(d.timestamps);

    const struct {
        std::vector<std::string> args;
        const char* error_part;
    } bad[] = {
        {{"--components"}, "--components needs a value"},
        {{"--config", ""}, "--config needs a value"},
        {{"--seed", "x"}, "--seed takes a number"},
        {{"--seed", "99999999999"}, "--seed takes a number"},
        {{"--fast"}, "unknown option --fast"},
        {{"a.scn", "b.scn"}, "one scenario at a time"},
    };
    for (const auto& b : bad) {
        player_options x;
        std::string e;
        EXPECT_FALSE(parse_options(b.args, x, e)) << b.error_part;
        EXPECT_NE(e.find(b.error_part), std::string::npos) << e;
    }
}

}  // namespace
}  // namespace player
