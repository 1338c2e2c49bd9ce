// The --traffic-log option is taken out of the command line wherever it stands.
#include "ui/traffic/traffic_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TrafficLogOption, IsTakenOutAndTheRestKeepsItsOrder) {
    struct Case {
        std::vector<std::string> args;
        QString path;
        std::vector<std::string> rest;
        bool error;
    };
    const Case cases[] = {
        {{"prog"}, QString(), {"prog"}, false},
        {{"prog", "--traffic-log", "/tmp/t.log"}, "/tmp/t.log", {"prog"}, false},
        {{"prog", "--demo", "LV230", "--traffic-log", "t.log", "-style", "fusion"},
         "t.log",
         {"prog", "--demo", "LV230", "-style", "fusion"},
         false},
        {{"prog", "--traffic-log"}, QString(), {"prog"}, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage = c.args;
        std::vector<char*> argv;
        for (auto& s : storage) argv.push_back(s.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(c.args.size());
        QString error;
        EXPECT_EQ(TakeTrafficLogOption(argc, argv.data(), &error), c.path);
        EXPECT_EQ(!error.isEmpty(), c.error);
        EXPECT_EQ(std::vector<std::string>(argv.begin(), argv.begin() + argc), c.rest);
        EXPECT_EQ(argv[static_cast<std::size_t>(argc)], nullptr);
    }
}
