// Menu > Export settings... and Import settings... against the simulated module.
#include "ops/rules/string_ids.h"
#include "sim_slots.h"
#include "ui/main/profile_text.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/message_box.h"
#include "ui/shell/strings.h"
#include "ui/station/station_window.h"
#include "window_fixture.h"

#include "link/file_io.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <iostream>

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

// The commands in order, each run of read-back queries as one "read-back(N)".
std::vector<std::string> Shape(const std::vector<std::string>& commands) {
    std::vector<std::string> shape;
    int reads = 0;
    const auto endRun = [&] {
        if (reads > 0) shape.push_back("read-back(" + std::to_string(reads) + ")");
        reads = 0;
    };
    for (const std::string& c : commands) {
        const bool query = c != "AT+MODEL?" && (c.find('?') != std::string::npos || c.rfind("AT+GETSLOT", 0) == 0);
        if (query) {
            ++reads;
            continue;
        }
        endRun();
        shape.push_back(c);
    }
    endRun();
    return shape;
}

QString ProfileTr(const char* text) { return QCoreApplication::translate("Profiles", text); }

// Writes the profile file the file dialog then hands out.
void WriteProfile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
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
    EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("made for"))) << "the profile is this model's own";
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
        QString why;  // the reason under the message's first line
    };
    // A value the window's own rules refuse reads as the window's message for it.
    const Case cases[] = {
        {R"({"format":"kestov-lv2xx-profile","version":9})",
         QStringLiteral("Profile version 9 is not supported; this program reads version 1.")},
        {R"({"format":"kestov-lv2xx-profile","version":1,"name":"A\rB"})", LoadStringRes(IDS_DEVICE_NAME_BAD_CHAR)},
        {R"({"format":"kestov-lv2xx-profile","version":1,"name":"a,b"})", LoadStringRes(IDS_DEVICE_NAME_COMMA)},
        {R"({"format":"kestov-lv2xx-profile","version":1,"slots":[{"slot":2,"address":"A0B1C2D3E4"}]})",
         LoadStringRes(IDS_SLOT_INVALID_ADDRESS).replace(QStringLiteral("%d"), "2")},
        {R"({"format":"kestov-lv2xx-profile","version":1,"interval":"100"})",
         QStringLiteral("Advertising interval: expected a whole number from 20 to 2560.")},
        {R"({"format":"kestov-lv2xx-profile","version":1,"slots":[{"slot":1}]})",
         QStringLiteral("Slot list, entry 1: needs \"slot\" and \"address\".")},
        {R"({"format":"kestov-lv2xx-profile","version":1,"uart":{"speed":9600}})",
         QStringLiteral("UART options: unknown key \"speed\".")},
        // Cut short: the reader stops past the last of its 10 bytes.
        {"{\"format\":", QStringLiteral("The file is not valid JSON (at byte 11).")},
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
        EXPECT_EQ(boxes[0].text, QStringLiteral("This profile cannot be used:\n") + c.why)
            << boxes[0].text.toStdString();
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

TEST_F(WindowTest, ImportReadsOnceThenWritesAndReadsBackOnce) {
    // A full read-back is the version, information, interval and UART
    // queries, one per slot and, with a beacon, its data and source.
    const struct {
        const char* model;
        int readBack;
    } cases[] = {{"KESTOV-LV200", 14}, {"KESTOV-LV230", 11}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        DestroyWindow();
        StartSim(c.model);
        OpenWindow();
        const QString file = m_tmp.filePath(QStringLiteral("two.json"));
        WriteProfile(file, R"({"format":"kestov-lv2xx-profile","version":1,"name":"Two","interval":640})");
        FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });
        m_sim->ClearLog();
        TakeBoxes();
        m_questionAnswer = QMessageBox::Ok;
        Trigger(m_win.get(), "cmdImportSettings");
        ASSERT_TRUE(WaitFor([&] { return Ready() && m_boxes.size() >= m_boxesTaken + 2; }));
        const auto boxes = TakeBoxes();
        EXPECT_EQ(boxes.back().text, ProfileTr("Completed importing settings."));

        // The differences are shown against one read; the model query before
        // the writes keeps them off another model; one read-back verifies
        // them and fills the window.
        const std::vector<std::string> commands = Commands();
        const std::string reads = "read-back(" + std::to_string(c.readBack) + ")";
        EXPECT_EQ(Shape(commands), (std::vector<std::string>{"AT+MODEL?", reads, "AT+MODEL?", "AT+MANUF=Two",
                                                             "AT+ADVINTERVAL=640", reads}));
        std::cout << c.model << ": importing two changed values took " << commands.size() << " commands\n";
        EXPECT_EQ(Edit(CKESTOVLV2xxManagerDlg::IDC_DEVICE_NAME)->text(), QStringLiteral("Two"));
        EXPECT_EQ(Edit(CKESTOVLV2xxManagerDlg::IDC_ADV_INTERVAL)->text(), QStringLiteral("640"));
        FileDialogSeam::SetHandler({});
    }
}

TEST_F(WindowTest, ImportWritesNothingWhenTheModuleIsNowAnotherModel) {
    StartSim();
    OpenWindow();
    const QString file = m_tmp.filePath(QStringLiteral("two.json"));
    WriteProfile(file, R"({"format":"kestov-lv2xx-profile","version":1,"name":"Two"})");
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });
    // Another module takes the port while the question is open.
    MessageBoxSeam::SetHandler([this](QWidget*, const QString& text, const QString&, QMessageBox::Icon icon,
                                      QMessageBox::StandardButtons buttons) {
        m_boxes.push_back(Box{text, icon, buttons, 0});
        if (icon == QMessageBox::Question) m_sim->SetState(sim::DefaultState("KESTOV-LV230"));
        return QMessageBox::Ok;
    });
    m_sim->ClearLog();
    TakeBoxes();
    Trigger(m_win.get(), "cmdImportSettings");
    ASSERT_TRUE(WaitFor([&] { return m_boxes.size() >= m_boxesTaken + 2; }));
    const auto boxes = TakeBoxes();
    EXPECT_EQ(boxes[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("KESTOV-LV230"))) << boxes[1].text.toStdString();
    EXPECT_TRUE(Writes(Commands()).empty());
    EXPECT_EQ(m_sim->State().name, "LV230");
    // The window reads the module it now has.
    ASSERT_TRUE(WaitFor([&] { return Ready() && Edit(CKESTOVLV2xxManagerDlg::IDC_DEVICE_NAME)->text() == "LV230"; }));
    FileDialogSeam::SetHandler({});
}

TEST_F(WindowTest, ImportSpeaksTheWindowsLanguageAndTheWindowsRefusals) {
    StartSim();
    sim::SimState s = m_sim->State();
    SetSimSlot(s, 1, {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0x01}, "");
    m_sim->SetState(s);
    OpenWindow();
    const QString file = m_tmp.filePath(QStringLiteral("profile.json"));
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });
    const auto import = [&](const QByteArray& text) {
        WriteProfile(file, text);
        TakeBoxes();
        m_questionAnswer = QMessageBox::Cancel;
        Trigger(m_win.get(), "cmdImportSettings");
        EXPECT_TRUE(WaitFor([&] { return Ready() && m_boxes.size() > m_boxesTaken; }));
        const auto boxes = TakeBoxes();
        return boxes.empty() ? QString() : boxes.back().text;
    };
    const QByteArray head = R"({"format":"kestov-lv2xx-profile","version":1,)";
    for (const bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "Korean" : "English");
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        m_sim->ClearLog();

        // What the window itself says for a name with a control character.
        Edit(CKESTOVLV2xxManagerDlg::IDC_DEVICE_NAME)->setText(QStringLiteral("A\u0001B"));
        TakeBoxes();
        Click(CKESTOVLV2xxManagerDlg::IDC_CHANGE_NAME);
        auto boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        const QString windowSays = boxes[0].text;
        EXPECT_EQ(windowSays, LoadStringRes(IDS_DEVICE_NAME_BAD_CHAR));

        const QString refused = ProfileTr("This profile cannot be used:\n%1");
        const struct {
            const char* what;
            QByteArray text;
            QString says;
        } refusals[] = {
            {"escaped control character", head + R"("name":"A\u0001B"})", refused.arg(windowSays)},
            {"raw control character",
             head + "\"name\":\"A\x01"
                    "B\"}",
             refused.arg(windowSays)},
            {"raw tab", head + "\"name\":\"A\tB\"}", refused.arg(windowSays)},
            {"the module's slot 1 again", head + R"("slots":[{"slot":2,"address":"A0B1C2D3E401"}]})",
             refused.arg(LoadStringRes(IDS_DUPLICATED_ADDRESS))},
            {"a parity the module lacks", head + R"("uart":{"parity":"mark"}})",
             refused.arg(korean ? QStringLiteral("패리티: \"mark\"") : QStringLiteral("Parity: \"mark\""))},
        };
        for (const auto& r : refusals) {
            SCOPED_TRACE(r.what);
            const QString text = import(r.text);
            EXPECT_TRUE(text.startsWith(r.says)) << text.toStdString();
            EXPECT_FALSE(text.contains(QStringLiteral("uart.")) || text.contains(QStringLiteral("slots[")))
                << "no JSON paths: " << text.toStdString();
        }

        // The differences name the settings by their labels, values in the window's words.
        const QString differences = import(head + R"("name":"Two","uart":{"parity":"even","flow":true}})");
        const QString expected = korean ? QStringLiteral(
                                              "디바이스 이름: LV200 \u2192 Two\n패리티: None \u2192 Even\n"
                                              "흐름 제어: Disable \u2192 Enable\n")
                                        : QStringLiteral(
                                              "Device name: LV200 \u2192 Two\nParity: None \u2192 Even\n"
                                              "Flow control: Disable \u2192 Enable\n");
        EXPECT_TRUE(differences.contains(expected)) << differences.toStdString();
        EXPECT_EQ(differences.contains(QStringLiteral("모듈에 기록하시겠습니까?")), korean);
        EXPECT_TRUE(Writes(Commands()).empty());
    }
    SetKoreanUiOverride(0);
    InstallTranslations(false);
    FileDialogSeam::SetHandler({});
}

TEST(ProfileText, ImportFailuresNameTheSettingAndTheReasonInTheWindowsLanguage) {
    ApplyOutcome mismatch;
    mismatch.verified = true;
    mismatch.mismatches = {{"flow", "on", "off"}};
    ApplyOutcome refused;
    refused.failure.error = SessionError::Refused;
    refused.failure.command = "AT+MANUF=Two";
    ApplyOutcome otherModel;
    otherModel.otherModel = MODEL_LV230;
    ApplyOutcome rule;
    rule.refusal = setting_fields::Refusal{IDS_DUPLICATED_ADDRESS, 2, ""};
    const struct {
        const char* name;
        const ApplyOutcome& outcome;
        const char* english;
        const char* korean;
    } cases[] = {
        {"read back otherwise", mismatch, "Flow control reads back as \"Disable\".",
         "흐름 제어: 다시 읽은 값이 \"Disable\"입니다."},
        {"refused by the module", refused, "AT+MANUF=Two: the module refused it",
         "AT+MANUF=Two: 모듈이 거부하였습니다"},
        {"another model", otherModel,
         "The module now answers as KESTOV-LV230, not as the KESTOV-LV200 whose settings were compared. Nothing was "
         "written.",
         "모듈이 이제 KESTOV-LV230(으)로 응답합니다. 설정을 비교한 KESTOV-LV200이(가) 아닙니다. 아무것도 기록하지 "
         "않았습니다."},
        {"the window's rule", rule, nullptr, nullptr},
    };
    for (const bool korean : {false, true}) {
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (korean ? ", Korean" : ", English"));
            const QString expected =
                c.english ? QString::fromUtf8(korean ? c.korean : c.english) : LoadStringRes(IDS_DUPLICATED_ADDRESS);
            EXPECT_EQ(profile_text::ImportFailure(c.outcome, MODEL_LV200).toStdString(), expected.toStdString());
        }
    }
    SetKoreanUiOverride(-1);
    InstallTranslations(false);
}

TEST_F(WindowTest, TheStationTakesTheConnectedModuleAsItsProfile) {
    StartSim();
    OpenWindow();
    sim::SimState s = m_sim->State();
    s.advInterval = 480;
    m_sim->SetState(s);
    const QString file = m_tmp.filePath(QStringLiteral("station-profile.json"));
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });

    Trigger(m_win.get(), "cmdStation");
    auto* station = m_win->findChild<StationWindow*>();
    ASSERT_NE(station, nullptr);
    auto* take = station->findChild<QPushButton*>(QStringLiteral("stationTakeProfile"));
    ASSERT_NE(take, nullptr);
    take->click();
    auto* profile = station->findChild<QLineEdit*>(QStringLiteral("stationProfile"));
    ASSERT_TRUE(WaitFor([&] { return Ready() && profile->text() == file; }));
    // The module as it is, not as the window last showed it; the station says so, no box pops up.
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\"interval\": 480"));
    EXPECT_TRUE(station->findChild<QLabel*>(QStringLiteral("stationStatus"))->text().contains("station-profile.json"));
    EXPECT_TRUE(TakeBoxes().empty());
    FileDialogSeam::SetHandler({});
}

// A profile made on another model is offered all the same, with a word on it.
TEST_F(WindowTest, ImportSaysWhenTheProfileWasMadeForAnotherModel) {
    StartSim();
    OpenWindow();
    const QString file = m_tmp.filePath(QStringLiteral("lv230.json"));
    WriteProfile(file, R"({"format":"kestov-lv2xx-profile","version":1,"model":"KESTOV-LV230","interval":300})");
    FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request&) { return file; });
    m_questionAnswer = QMessageBox::Cancel;
    Trigger(m_win.get(), "cmdImportSettings");
    ASSERT_TRUE(WaitFor([&] { return m_boxes.size() > m_boxesTaken; }));
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_TRUE(boxes[0].text.contains(
        QStringLiteral("This profile was made for a KESTOV-LV230; this module is a KESTOV-LV200.")))
        << boxes[0].text.toStdString();
    ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    FileDialogSeam::SetHandler({});
}
