// Menu > Export settings... and Import settings... against the simulated module.
#include "ops/rules/string_ids.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/strings.h"
#include "window_fixture.h"

#include "link/file_io.h"

#include <QAction>
#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <functional>

using namespace mainwin_test;

namespace {

void Trigger(QWidget* window, const char* name) {
    QAction* action = window->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
}

std::vector<std::string> Writes(const std::vector<std::string>& commands) {
    std::vector<std::string> writes;
    for (const std::string& c : commands) {
        if (c != "AT" && c.find('?') == std::string::npos && c.rfind("AT+GETSLOT", 0) != 0) writes.push_back(c);
    }
    return writes;
}

ssize_t DiskFull(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

}  // namespace

TEST_F(WindowTest, ExportThenImportAsksAndWritesOnlyWhatDiffers) {
    StartSim();
    OpenWindow();
    // The module changes behind the window's back: export reads the module.
    sim::SimState s = m_sim->State();
    s.name = "Saved";
    s.advInterval = 640;
    m_sim->SetState(s);
    const QString file = m_tmp.filePath(QStringLiteral("module.json"));
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });

    Trigger(m_win.get(), "cmdExportSettings");
    ASSERT_TRUE(WaitFor([&] { return Ready() && QFile::exists(file); }));
    QFile exported(file);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray text = exported.readAll();
    EXPECT_TRUE(text.contains("\"name\": \"Saved\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"interval\": 640"));
    TakeBoxes();

    // The module changes again; importing the saved profile compares with it
    // as it is now, and asks first.
    s.name = "Changed";
    m_sim->SetState(s);
    m_sim->ClearLog();
    m_questionAnswer = QMessageBox::Cancel;
    Trigger(m_win.get(), "cmdImportSettings");
    ASSERT_TRUE(WaitFor([&] { return m_boxes.size() > m_boxesTaken; }));
    auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    // Settings by their labels, not by the profile's keys.
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Device name: Changed"))) << boxes[0].text.toStdString();
    EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("interval"), Qt::CaseInsensitive)) << "only what differs";
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    EXPECT_TRUE(Writes(Commands()).empty()) << "cancelled: nothing written";

    m_questionAnswer = QMessageBox::Ok;
    Trigger(m_win.get(), "cmdImportSettings");
    ASSERT_TRUE(WaitFor([&] { return Ready() && Edit(1014)->text() == QStringLiteral("Saved"); }));
    EXPECT_EQ(Writes(Commands()), std::vector<std::string>{"AT+MANUF=Saved"});
    EXPECT_EQ(m_sim->State().name, "Saved");
    FileDialogSeam::SetHandler({});
}

TEST_F(WindowTest, ImportRefusesABrokenProfileWithoutWriting) {
    StartSim();
    OpenWindow();
    struct Case {
        const char* text;
        QString says;  // part of the message
    };
    // A value the window's own rules refuse reads as the window's message for it.
    const Case cases[] = {
        {R"({"format":"kestov-lv2xx-profile","version":9})", QStringLiteral("version 9")},
        {R"({"format":"kestov-lv2xx-profile","version":1,"name":"A\rB"})",
         QStringLiteral("name: ") + LoadStringRes(IDS_DEVICE_NAME_BAD_CHAR)},
        {R"({"format":"kestov-lv2xx-profile","version":1,"name":"a,b"})",
         QStringLiteral("name: ") + LoadStringRes(IDS_DEVICE_NAME_COMMA)},
        {R"({"format":"kestov-lv2xx-profile","version":1,"slots":[{"slot":2,"address":"A0B1C2D3E4"}]})",
         QStringLiteral("slots[0]: ") + LoadStringRes(IDS_SLOT_INVALID_ADDRESS).replace(QStringLiteral("%d"), "2")},
    };
    const QString file = m_tmp.filePath(QStringLiteral("broken.json"));
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.text);
        f.close();
        m_sim->ClearLog();
        TakeBoxes();
        Trigger(m_win.get(), "cmdImportSettings");
        const auto boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(boxes[0].text.contains(c.says)) << boxes[0].text.toStdString();
        QCoreApplication::processEvents();
        EXPECT_TRUE(Commands().empty());
    }
    FileDialogSeam::SetHandler({});
}

TEST_F(WindowTest, ExportAndImportRefuseWhatIsNotARegularFileAndReportFailedWrites) {
    StartSim();
    OpenWindow();
    const QString fifo = m_tmp.filePath(QStringLiteral("fifo.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = m_tmp.filePath(QStringLiteral("folder.json"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString old = m_tmp.filePath(QStringLiteral("old.json"));
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old profile");
    }
    const struct {
        const char* name;
        const char* action;
        QString path;
        bool diskFull;
        QString reason;
    } cases[] = {
        {"export to a fifo", "cmdExportSettings", fifo, false, QStringLiteral("FIFO")},
        {"export to a folder", "cmdExportSettings", folder, false, QStringLiteral("folder")},
        {"export on a full disk", "cmdExportSettings", old, true, QStringLiteral("No space left on device")},
        {"import from a fifo", "cmdImportSettings", fifo, false, QStringLiteral("FIFO")},
        {"import from a folder", "cmdImportSettings", folder, false, QStringLiteral("folder")},
        {"import from a device", "cmdImportSettings", QStringLiteral("/dev/zero"), false, QStringLiteral("device")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.path;
        FileDialogSeam::SetHandler([path](QWidget*, const FileDialogSeam::Request&) { return path; });
        if (c.diskFull) file_io::testing::SetWrite(DiskFull);
        TakeBoxes();
        Trigger(m_win.get(), c.action);
        const bool shown = WaitFor([&] { return m_boxes.size() > m_boxesTaken; });
        file_io::testing::SetWrite(nullptr);
        ASSERT_TRUE(shown);
        const auto boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(boxes[0].text.contains(c.reason)) << boxes[0].text.toStdString();
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    }
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old profile"));
    for (const QString& name : QDir(m_tmp.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_FALSE(name.startsWith(u'.')) << "a temporary stayed: " << name.toStdString();
    EXPECT_TRUE(Writes(Commands()).empty());
    FileDialogSeam::SetHandler({});
}
