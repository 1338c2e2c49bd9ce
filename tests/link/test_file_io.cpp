// Whole-file reads, atomic whole-file writes and the append log against
// regular files, new files, FIFOs, folders, devices, unreadable files,
// oversized files and writes that fail part-way.
#include "link/file_io.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

namespace {

using file_io::Fault;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kestov-file-io-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        file_io::testing::SetWrite(nullptr);
        ::chmod(m_dir.c_str(), 0700);
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    static void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        if (DIR* d = ::opendir(m_dir.c_str())) {
            while (const dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
            ::closedir(d);
        }
        return names;
    }
    std::string m_dir;
};

// The write seam: fails after letting through `budget` bytes.
std::size_t g_budget = 0;
int g_errno = ENOSPC;
ssize_t FailingWrite(int fd, const void* data, std::size_t size) {
    if (g_budget == 0) {
        errno = g_errno;
        return -1;
    }
    const std::size_t n = std::min(size, g_budget);
    g_budget -= n;
    return ::write(fd, data, n);
}

struct Target {
    const char* name;
    std::function<void(const std::string&)> make;  // nothing for a new file
    Fault read;                                    // what reading it gives
    Fault write;                                   // what writing over it gives
};

TEST_F(FileIo, EachKindOfTargetIsReadAndWrittenOrRefusedAtOnce) {
    const bool root = ::geteuid() == 0;
    const Target targets[] = {
        {"regular file", [](const std::string& p) { Put(p, "old"); }, Fault::None, Fault::None},
        {"new file", nullptr, Fault::System, Fault::None},
        {"empty file", [](const std::string& p) { Put(p, ""); }, Fault::None, Fault::None},
        {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, Fault::Fifo, Fault::Fifo},
        {"folder", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); }, Fault::Directory,
         Fault::Directory},
        {"link to a fifo",
         [this](const std::string& p) {
             ASSERT_EQ(::mkfifo(Path("real-fifo").c_str(), 0600), 0);
             ASSERT_EQ(::symlink(Path("real-fifo").c_str(), p.c_str()), 0);
         },
         Fault::Fifo, Fault::Fifo},
        {"link to a device", [](const std::string& p) { ASSERT_EQ(::symlink("/dev/null", p.c_str()), 0); },
         Fault::Device, Fault::Device},
        {"unreadable file",
         [](const std::string& p) {
             Put(p, "secret");
             ::chmod(p.c_str(), 0200);
         },
         root ? Fault::None : Fault::System, Fault::None},
    };
    for (const Target& t : targets) {
        SCOPED_TRACE(t.name);
        const std::string path = Path(std::string("t-") + t.name);
        if (t.make) t.make(path);
        const file_io::ReadResult read = file_io::ReadWholeFile(path, 1024);
        EXPECT_EQ(read.error.fault, t.read) << read.error.Text();
        EXPECT_EQ(read.missing, !t.make);
        const file_io::Error written = file_io::WriteWholeFile(path, "new text\n");
        EXPECT_EQ(written.fault, t.write) << written.Text();
        if (t.write == Fault::None) {
            ::chmod(path.c_str(), 0600);  // the unreadable one kept its mode
            EXPECT_EQ(Get(path), "new text\n");
        }
        if (t.write != Fault::None) {
            EXPECT_FALSE(written.Text().empty());
        }
    }
    // No temporary stays behind, whatever happened.
    for (const std::string& name : Entries()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(FileIo, ReadingStopsAtTheSizeCap) {
    Put(Path("big"), std::string(2000, 'x'));
    Put(Path("fits"), std::string(1000, 'x'));
    EXPECT_EQ(file_io::ReadWholeFile(Path("big"), 1999).error.fault, Fault::TooLarge);
    EXPECT_EQ(file_io::ReadWholeFile(Path("big"), 2000).data.size(), 2000u);
    EXPECT_EQ(file_io::ReadWholeFile(Path("fits"), 1000).data, std::string(1000, 'x'));
    // A device reports size 0 but never ends; it is refused without reading.
    EXPECT_EQ(file_io::ReadWholeFile("/dev/zero", 10).error.fault, Fault::Device);
}

TEST_F(FileIo, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    const struct {
        const char* name;
        std::size_t budget;  // bytes written before the failure
        int error;
    } cases[] = {
        {"disk full at once", 0, ENOSPC},
        {"disk full part-way", 5, ENOSPC},
        {"input/output error", 3, EIO},
    };
    const std::string path = Path("settings.json");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put(path, "the old content");
        ::chmod(path.c_str(), 0640);
        g_budget = c.budget;
        g_errno = c.error;
        file_io::testing::SetWrite(FailingWrite);
        const file_io::Error e = file_io::WriteWholeFile(path, "a much longer new content");
        file_io::testing::SetWrite(nullptr);
        EXPECT_EQ(e.fault, Fault::System);
        EXPECT_EQ(e.sys, c.error);
        EXPECT_EQ(e.Text(), std::strerror(c.error));
        EXPECT_EQ(Get(path), "the old content");
        EXPECT_EQ(Entries(), std::set<std::string>{"settings.json"});
    }
    // A good write keeps the file's mode.
    ASSERT_FALSE(file_io::WriteWholeFile(path, "fine"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(FileIo, AFolderWithoutWritePermissionIsReportedAndTheFileStays) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    const std::string path = Path("kept.txt");
    Put(path, "kept");
    ASSERT_EQ(::chmod(m_dir.c_str(), 0500), 0);
    const file_io::Error e = file_io::WriteWholeFile(path, "lost");
    ::chmod(m_dir.c_str(), 0700);
    EXPECT_EQ(e.fault, Fault::System);
    EXPECT_EQ(e.sys, EACCES);
    EXPECT_EQ(Get(path), "kept");
}

TEST_F(FileIo, WritingThroughALinkReplacesTheFileItNames) {
    Put(Path("real.txt"), "old");
    ASSERT_EQ(::symlink("real.txt", Path("link.txt").c_str()), 0);
    ASSERT_FALSE(file_io::WriteWholeFile(Path("link.txt"), "new"));
    struct stat st {};
    ASSERT_EQ(::lstat(Path("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Get(Path("real.txt")), "new");
}

TEST_F(FileIo, TheAppendLogTakesRegularFilesOnlyAndReportsTheFirstFailedWrite) {
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        Fault open;
    } cases[] = {
        {"new file", nullptr, Fault::None},
        {"existing file", [](const std::string& p) { Put(p, "before\n"); }, Fault::None},
        {"fifo without a reader", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, Fault::Fifo},
        {"folder", [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0700), 0); }, Fault::Directory},
        {"device", [](const std::string& p) { ASSERT_EQ(::symlink("/dev/full", p.c_str()), 0); }, Fault::Device},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path(std::string("log-") + c.name);
        if (c.make) c.make(path);
        const std::string before = c.open == Fault::None ? Get(path) : std::string();
        file_io::AppendLog log;
        EXPECT_EQ(log.Open(path).fault, c.open);
        EXPECT_EQ(log.IsOpen(), c.open == Fault::None);
        if (c.open != Fault::None) continue;
        EXPECT_FALSE(log.Write("one\n"));
        EXPECT_EQ(Get(path), before + "one\n");  // on disk at once, no buffer
        g_budget = 2;
        g_errno = ENOSPC;
        file_io::testing::SetWrite(FailingWrite);
        const file_io::Error e = log.Write("two\n");
        file_io::testing::SetWrite(nullptr);
        EXPECT_EQ(e.sys, ENOSPC);
        EXPECT_EQ(e.Text(), "No space left on device");
    }
    // A FIFO with a reader is refused as well, and nothing is written into it.
    const std::string fifo = Path("fifo-with-reader");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    file_io::AppendLog log;
    EXPECT_EQ(log.Open(fifo).fault, Fault::Fifo);
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing was written into it";
    ::close(reader);
}

}  // namespace
