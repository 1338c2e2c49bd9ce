// The port dialog's hot-plug: a link to a terminal made in a watched folder
// is announced on the window thread, without a timer.
#include "qt_wait.h"
#include "ui/shell/port_change_notifier.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(PortChangeNotifier, AnnouncesPortsComingAndGoing) {
    char tmpl[] = "/tmp/notifierXXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    {
        PortWatchOptions options;
        options.system = false;
        options.dirs = {dir};
        PortChangeNotifier notifier(options);
        int changes = 0;
        QObject::connect(&notifier, &PortChangeNotifier::Changed, [&] { ++changes; });
        fs::create_symlink(name, dir + "/adapter");
        EXPECT_TRUE(qt_test::WaitFor([&] { return changes == 1; }));
        fs::remove(dir + "/adapter");
        EXPECT_TRUE(qt_test::WaitFor([&] { return changes == 2; }));
    }  // joins its thread, which sleeps until woken
    ::close(master);
    ::close(slave);
    fs::remove_all(dir);
}
