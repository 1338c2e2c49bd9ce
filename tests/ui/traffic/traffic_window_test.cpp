// The traffic window on the real main window against the simulated module.
#include "window_fixture.h"

#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_session.h"
#include "ui/traffic/traffic_settings.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/traffic/traffic_window.h"

#include "link/file_io.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

using namespace mainwin_test;

namespace {

class TrafficTest : public WindowTest {
protected:
    void TearDown() override {
        TrafficSession::SetStartupLogPath(QString());
        FileDialogSeam::SetHandler({});
        WindowTest::TearDown();
    }

    TrafficWindow* OpenTraffic() {
        auto* action = m_win->findChild<QAction*>(QStringLiteral("cmdTraffic"));
        EXPECT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        action->trigger();
        auto* w = m_win->findChild<TrafficWindow*>(QStringLiteral("TrafficWindow"));
        EXPECT_TRUE(w && w->isVisible());
        return w;
    }
    TrafficSession& Traffic() { return *m_win->findChild<TrafficSession*>(QStringLiteral("trafficSession")); }
    TrafficModel& Model() { return Traffic().Model(); }
    static QPushButton* SendButton(TrafficWindow* w) {
        return w->findChild<QPushButton*>(QStringLiteral("trafficSend"));
    }
    static QLineEdit* CommandEdit(TrafficWindow* w) {
        return w->findChild<QLineEdit*>(QStringLiteral("trafficCommand"));
    }
    QStringList Rows() {
        QStringList out;
        for (int r = 0; r < Model().rowCount(); ++r) out << Model().RowText(r);
        return out;
    }
    int RoutedRows(TapRoute route) {
        int n = 0;
        for (int r = 0; r < Model().rowCount(); ++r) n += Model().EventAt(r).route == route ? 1 : 0;
        return n;
    }
    // Types a command and presses Enter once sending is allowed.
    void Type(TrafficWindow* w, const QString& text) {
        ASSERT_TRUE(WaitFor([&] { return SendButton(w)->isEnabled(); }));
        CommandEdit(w)->setText(text);
        QTest::keyClick(CommandEdit(w), Qt::Key_Return);
    }
    QString ResultText(TrafficWindow* w) { return w->findChild<QLabel*>(QStringLiteral("trafficResult"))->text(); }
};

}  // namespace

// Lines the closed view could not keep are counted where the user looks.
TEST_F(TrafficTest, TheStatusLineCountsWhatTheClosedViewDropped) {
    sim::KestovSimulator& sim = StartSim();
    sim.SetScanDevices(sim::KestovSimulator::MakeDevices(50));
    sim.SetScanRate(5000);
    OpenWindow();
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return sim.ReportsSent() > TrafficSession::kBacklogLines + 500; }));
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    EXPECT_GT(Traffic().DroppedWhileClosed(), 0u);
    TrafficWindow* w = OpenTraffic();
    auto* status = w->findChild<QLabel*>(QStringLiteral("trafficStatus"));
    ASSERT_NE(status, nullptr);
    const QString said = QStringLiteral("%1 dropped while the view was closed (the newest %2 are kept then)")
                             .arg(Traffic().DroppedWhileClosed())
                             .arg(TrafficSession::kBacklogLines);
    EXPECT_TRUE(WaitFor([&] { return status->text().contains(said); })) << status->text().toStdString();
}

TEST_F(TrafficTest, OpenedDuringAScanFloodItFollowsTheWireAndTheScanStillStops) {
    sim::KestovSimulator& sim = StartSim();
    sim.SetScanDevices(sim::KestovSimulator::MakeDevices(300));
    sim.SetScanRate(5000);  // more than the wire carries: the line rate is the limit
    sim.SetPaceBaud(115200);
    OpenWindow();
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return m_win->ScanListCount() >= 20; }));
    TrafficWindow* w = OpenTraffic();
    ASSERT_TRUE(WaitFor([&] { return RoutedRows(TapRoute::ScanReport) >= 500; }));
    EXPECT_FALSE(SendButton(w)->isEnabled());  // a scan is running
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    ASSERT_TRUE(WaitFor([&] { return Rows().filter(QStringLiteral("\tsent\tAT+STOPSCAN<CR>\t")).size() == 1; }));
    EXPECT_EQ(Model().Dropped(), 0u);
    EXPECT_GE(m_win->ScanListCount(), 20);
    EXPECT_TRUE(WaitFor([&] { return SendButton(w)->isEnabled(); }));
}

TEST_F(TrafficTest, SendsATypedCommandAsAJobAndShowsTheReply) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    Type(w, QStringLiteral("AT+ADVINTERVAL=200"));
    ASSERT_TRUE(WaitFor([&] { return ResultText(w).contains(QStringLiteral("final reply")); }));
    EXPECT_EQ(Commands().back(), "AT+ADVINTERVAL=200");
    const QStringList rows = Rows();
    EXPECT_EQ(rows.filter(QStringLiteral("\tsent\tAT+ADVINTERVAL=200<CR>\tcommand")).size(), 1);
    EXPECT_EQ(rows.filter(QStringLiteral("\treceived\tOK<CR>\treply AT+ADVINTERVAL=200")).size(), 1);
    EXPECT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));

    // A control character is refused before anything is sent.
    const std::size_t sent = Commands().size();
    Type(w, QStringLiteral("AT+MANUF=A\tB"));
    EXPECT_TRUE(ResultText(w).startsWith(QStringLiteral("Not sent")));
    EXPECT_EQ(Commands().size(), sent);

    // Disabled while a job of the window runs (a slow module makes it last).
    m_sim->SetReplyDelay(std::chrono::milliseconds(100));
    Click(1010);
    EXPECT_TRUE(WaitFor([&] { return !SendButton(w)->isEnabled(); }));
    m_sim->SetReplyDelay(std::chrono::milliseconds(0));
    EXPECT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));

    // The history is kept in the settings and browsed with Up.
    EXPECT_EQ(SettingsStore::GetProfileString(traffic_settings::kHistory, QString()),
              QStringLiteral("AT+ADVINTERVAL=200\nAT+MANUF=A\tB").split(QLatin1Char('\n')).first());
    CommandEdit(w)->clear();
    QTest::keyClick(CommandEdit(w), Qt::Key_Up);
    EXPECT_EQ(CommandEdit(w)->text(), QStringLiteral("AT+ADVINTERVAL=200"));
}

// A quiet link costs the window thread nothing: no drain timer runs, and
// the next line on the wire still reaches the view, as does the send
// field's state when a job begins and ends.
TEST_F(TrafficTest, SleepsWhileTheLinkIsQuietAndWakesForTheNextLine) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    auto timersRunning = [this] {
        int n = 0;
        for (const QTimer* t : Traffic().findChildren<QTimer*>()) n += t->isActive() ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));
    EXPECT_TRUE(WaitFor([&] { return timersRunning() == 0; })) << "idle after the read-back";
    const int rows = Model().rowCount();
    // The read-back before the view opened is shown too (the backlog).
    const auto versionQueries = [this] { return Rows().filter(QStringLiteral("\tsent\tAT+VER?<CR>\t")).size(); };
    const auto before = versionQueries();
    Click(1010);
    ASSERT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));
    EXPECT_TRUE(WaitFor([&] { return versionQueries() == before + 1 && Model().rowCount() > rows; }));
    EXPECT_TRUE(WaitFor([&] { return timersRunning() == 0; })) << "idle again";
}

TEST_F(TrafficTest, RestartCommandAsksFirstAndIsFollowedByIdentification) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    m_questionAnswer = QMessageBox::Cancel;
    const std::size_t before = Commands().size();
    Type(w, QStringLiteral("ATZ"));
    ASSERT_EQ(TakeBoxes().size(), 1u);
    EXPECT_EQ(Commands().size(), before);

    m_questionAnswer = QMessageBox::Ok;
    m_sim->ClearLog();
    Type(w, QStringLiteral("ATZ"));
    EXPECT_EQ(TakeBoxes().size(), 1u);
    ASSERT_TRUE(WaitForCommand("AT+MODEL?"));
    EXPECT_EQ(Commands().front(), "ATZ");
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
}

TEST_F(TrafficTest, LogFileFromThePortsOpenAndSaveAsMatchTheView) {
    const QString log = m_tmp.filePath(QStringLiteral("traffic.log"));
    TrafficSession::SetStartupLogPath(log);
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();  // opened after the read-back: its rows are there already
    // The version is one known line: it is the final reply.
    Type(w, QStringLiteral("AT+VER?"));
    ASSERT_TRUE(WaitFor([&] { return ResultText(w).contains(QStringLiteral("final reply after 1 line")); }));
    const QStringList rows = Rows();
    ASSERT_GT(rows.size(), 20);
    EXPECT_TRUE(rows.first().contains(QStringLiteral("\tsent\tAT<CR>\tcommand")));

    // The log: the session's header, the model once known, and the view's
    // rows, each after its wall-clock time.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QRegularExpression header(
        QStringLiteral("^# session \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}, port (.+), "
                       "KESTOV-LV200 Manager \\d+\\.\\d+\\.\\d+$"));
    const QRegularExpressionMatch head = header.match(lines.first());
    ASSERT_TRUE(head.hasMatch()) << lines.first().toStdString();
    EXPECT_EQ(head.captured(1), QString::fromStdString(m_sim->DevicePath()));
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^#"))),
              (QStringList{lines.first(), QStringLiteral("# model KESTOV-LV200")}));
    const QRegularExpression row(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t(.*)$"));
    QStringList logged;
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('#'))) continue;
        const QRegularExpressionMatch m = row.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        logged << m.captured(1);
    }
    EXPECT_EQ(logged, rows);

    w->findChild<QTableView*>(QStringLiteral("trafficTable"))->selectAll();
    w->CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), rows.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    const QString saved = m_tmp.filePath(QStringLiteral("saved.txt"));
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return saved; });
    w->findChild<QPushButton*>(QStringLiteral("trafficSaveAs"))->click();
    QFile copy(saved);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(copy.readAll()), rows.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    // The port opened again: a new session, told apart by its header.
    m_win->Ops().CloseLink();
    m_win->Ops().OnOpenPort();
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    ASSERT_TRUE(WaitFor([&] {
        QFile again(log);
        return again.open(QIODevice::ReadOnly) &&
               QString::fromUtf8(again.readAll()).count(QStringLiteral("# model KESTOV-LV200")) == 2;
    }));
    QFile again(log);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    const QStringList all = QString::fromUtf8(again.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(all.filter(header).size(), 2);
}

// Identification and read-back ran before the view was opened: it shows them.
TEST_F(TrafficTest, OpenedAfterTheFactItShowsWhatCameBefore) {
    StartSim();
    OpenWindow();
    EXPECT_EQ(m_win->findChild<TrafficWindow*>(), nullptr);
    OpenTraffic();
    EXPECT_TRUE(WaitFor([&] {
        const QStringList rows = Rows();
        return rows.filter(QStringLiteral("\tsent\tAT+MODEL?<CR>\tcommand")).size() == 1 &&
               rows.filter(QStringLiteral("\treceived\tKESTOV-LV200<CR>\treply AT+MODEL?")).size() == 1;
    }));
}

// The filter's count, and a command of only spaces refused like an empty one.
TEST_F(TrafficTest, TheStatusCountsTheFilteredRowsAndBlankCommandsAreNotSent) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    ASSERT_TRUE(WaitFor([&] { return Model().rowCount() > 10; }));
    auto* status = w->findChild<QLabel*>(QStringLiteral("trafficStatus"));
    w->findChild<QLineEdit*>(QStringLiteral("trafficFilter"))->setText(QStringLiteral("AT+MODEL?"));
    ASSERT_TRUE(WaitFor([&] { return Model().rowCount() < static_cast<int>(Model().Kept()); }));
    EXPECT_TRUE(WaitFor([&] {
        return status->text().startsWith(QString::number(Model().rowCount()) + QStringLiteral(" shown, ") +
                                         QString::number(Model().Kept()) + QStringLiteral(" kept"));
    })) << status->text().toStdString();

    const std::size_t sent = Commands().size();
    Type(w, QStringLiteral("   "));
    EXPECT_TRUE(ResultText(w).isEmpty()) << ResultText(w).toStdString();
    EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("trafficCommand"))->text(), QStringLiteral("   "));
    EXPECT_EQ(Commands().size(), sent);
}

// Beside the main window, within the screen's free area, however small.
TEST_F(TrafficTest, TheWindowOpensInsideTheScreen) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    const QRect area = w->screen()->availableGeometry();
    const QRect frame = w->frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << area.x() << "," << area.y() << " " << area.width() << "x" << area.height()
                                      << " vs " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                      << frame.height();
}

// Pictures of the traffic window in both languages; runs only when
// KESTOV_SCREENSHOT_DIR names a directory.
TEST_F(TrafficTest, Screenshots) {
    const QString dir = qEnvironmentVariable("KESTOV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KESTOV_SCREENSHOT_DIR not set";
    StartSim();
    for (const bool korean : {false, true}) {
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow();
        TrafficWindow* w = OpenTraffic();
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return m_win->ScanListCount() >= 4; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
        Type(w, QStringLiteral("AT+MANUF=문열"));
        ASSERT_TRUE(WaitFor([&] { return ResultText(w).contains(QStringLiteral("OK")) || Ready(); }));
        ASSERT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));
        Type(w, QStringLiteral("AT+VER?"));
        ASSERT_TRUE(WaitFor([&] { return Ready() && SendButton(w)->isEnabled(); }));
        w->resize(760, 520);
        QCoreApplication::processEvents();
        EXPECT_TRUE(w->grab().save(
            QDir(dir).filePath(korean ? QStringLiteral("traffic-ko.png") : QStringLiteral("traffic-en.png"))));
        DestroyWindow();
    }
    InstallTranslations(false);
}

namespace {

// Fails the writes to the traffic log only, as a full disk would; other
// files (the settings) are written as usual.
ssize_t LogDiskFull(int fd, const void* data, std::size_t size) {
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)).find("traffic.log") != std::string::npos) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, size);
}

class TrafficLogTest : public TrafficTest {
protected:
    void SetUp() override {
        TrafficTest::SetUp();
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("data"))));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(TrafficSession::DefaultLogPath()).absolutePath()));
    }
    void TearDown() override {
        file_io::testing::SetWrite(nullptr);
        TrafficTest::TearDown();
        if (m_oldDataHome.isNull()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", m_oldDataHome);
        }
    }
    bool BoxSays(const QString& text) {
        return WaitFor([&] {
            for (size_t i = m_boxesTaken; i < m_boxes.size(); ++i)
                if (m_boxes[i].text.contains(text)) return true;
            return false;
        });
    }
    QByteArray m_oldDataHome;
};

}  // namespace

TEST_F(TrafficLogTest, ALogThatIsNotARegularFileIsRefusedAtStartWithoutHanging) {
    const struct {
        const char* name;
        bool fromCommandLine;
        std::function<void(const QString&)> make;
        QString reason;
    } cases[] = {
        {"remembered log is a FIFO", false,
         [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
         QStringLiteral("FIFO")},
        {"remembered log is a folder", false, [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); },
         QStringLiteral("folder")},
        {"--traffic-log names a FIFO", true,
         [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); },
         QStringLiteral("FIFO")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path =
            c.fromCommandLine ? m_tmp.filePath(QStringLiteral("fifo.log")) : TrafficSession::DefaultLogPath();
        QFile::remove(path);
        QDir().rmdir(path);
        c.make(path);
        TrafficSession::SetStartupLogPath(c.fromCommandLine ? path : QString());
        SettingsStore::WriteProfileInt(traffic_settings::kLogCheck, c.fromCommandLine ? 0 : 1);
        TakeBoxes();
        StartSim();
        OpenWindow();
        EXPECT_TRUE(BoxSays(c.reason));
        EXPECT_TRUE(Traffic().LogPath().isEmpty());
        EXPECT_EQ(SettingsStore::GetProfileInt(traffic_settings::kLogCheck, 9), 0) << "not ticked at the next start";
        DestroyWindow();
        QFile::remove(path);
        QDir().rmdir(path);
    }
}

TEST_F(TrafficLogTest, AFailedLogWriteTurnsLoggingOffAndTheNextStartSaysSo) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    auto* check = w->findChild<QCheckBox*>(QStringLiteral("trafficLogCheck"));
    ASSERT_NE(check, nullptr);
    check->setChecked(true);
    ASSERT_EQ(Traffic().LogPath(), TrafficSession::DefaultLogPath());
    EXPECT_EQ(SettingsStore::GetProfileInt(traffic_settings::kLogCheck, 0), 1);
    TakeBoxes();

    file_io::testing::SetWrite(LogDiskFull);
    Type(w, QStringLiteral("AT+VER?"));
    ASSERT_TRUE(BoxSays(QStringLiteral("No space left on device")));
    file_io::testing::SetWrite(nullptr);
    EXPECT_TRUE(Traffic().LogPath().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return !check->isChecked(); }));
    EXPECT_EQ(SettingsStore::GetProfileInt(traffic_settings::kLogCheck, 9), 0);
    DestroyWindow();

    // The next start says why logging is off, once.
    TakeBoxes();
    OpenWindow();
    EXPECT_TRUE(BoxSays(QStringLiteral("turned off in the last session")));
    EXPECT_TRUE(BoxSays(QStringLiteral("No space left on device")));
    EXPECT_TRUE(Traffic().LogPath().isEmpty());
    DestroyWindow();
    TakeBoxes();
    OpenWindow();
    QCoreApplication::processEvents();
    for (const Box& b : TakeBoxes()) EXPECT_FALSE(b.text.contains(QStringLiteral("last session")));
}

TEST_F(TrafficLogTest, SaveAsRefusesWhatIsNotARegularFileAndKeepsTheOldFileOnAFullDisk) {
    StartSim();
    OpenWindow();
    TrafficWindow* w = OpenTraffic();
    Type(w, QStringLiteral("AT+VER?"));  // rows to save
    ASSERT_TRUE(WaitFor([&] { return Model().rowCount() > 0; }));
    const QString fifo = m_tmp.filePath(QStringLiteral("fifo.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString old = m_tmp.filePath(QStringLiteral("traffic.log.txt"));  // failed by LogDiskFull
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old lines\n");
    }
    const struct {
        const char* name;
        QString path;
        bool diskFull;
        QString reason;
    } cases[] = {
        {"fifo", fifo, false, QStringLiteral("FIFO")},
        {"folder", m_tmp.path(), false, QStringLiteral("folder")},
        {"full disk", old, true, QStringLiteral("No space left on device")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.path;
        FileDialogSeam::SetHandler([path](QWidget*, const FileDialogSeam::Request&) { return path; });
        if (c.diskFull) file_io::testing::SetWrite(LogDiskFull);
        TakeBoxes();
        w->findChild<QPushButton*>(QStringLiteral("trafficSaveAs"))->click();
        file_io::testing::SetWrite(nullptr);
        const auto boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.contains(c.reason)) << boxes[0].text.toStdString();
    }
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old lines\n"));
}
