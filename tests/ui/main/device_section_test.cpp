// Device information and UART options: validation tables and what the module receives.
#include "window_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QLabel>
#include <QSettings>

using namespace mainwin_test;

namespace {

struct Case {
    const char* input;  // UTF-8
    int message;        // expected box id when refused, 0 when sent
    const char* sent;   // command the module receives when accepted
};

}  // namespace

TEST_F(WindowTest, DeviceNameTable) {
    StartSim();
    OpenWindow();
    const Case cases[] = {
        {"ABCDEFGH", 0, "AT+MANUF=ABCDEFGH"},
        {"ABCDEFGHI", 109, nullptr},
        {"가나", 0, "AT+MANUF=가나"},
        {"가나다", 109, nullptr},
        {"", 0, "AT+MANUF="},
        {"AB\rCD", 142, nullptr},      // a CR would end the command early
        {"ABCDEFGH\t", 109, nullptr},  // the length comes first
        {"a,b", 145, nullptr},         // could not be read back from the information reply
        {"<b>x</b>", 0, "AT+MANUF=<b>x</b>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        m_sim->ClearLog();
        Edit(1014)->setText(QString::fromUtf8(c.input));
        Click(1015);
        if (c.message) {
            const auto boxes = TakeBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].id, c.message);
            EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
            EXPECT_TRUE(Enabled(1015));
            QCoreApplication::processEvents();
            EXPECT_TRUE(Commands().empty());
        } else {
            EXPECT_EQ(NextBoxId(), 112);
            EXPECT_TRUE(WaitForCommand(c.sent));
            EXPECT_TRUE(Enabled(1015));
            EXPECT_EQ(m_sim->State().name, std::string(c.sent).substr(9));
        }
    }
}

TEST_F(WindowTest, AdvertisingIntervalLimits) {
    StartSim();
    OpenWindow();
    const Case cases[] = {
        {"20", 0, "AT+ADVINTERVAL=20"},
        {"2560", 0, "AT+ADVINTERVAL=2560"},
        {"100ms", 0, "AT+ADVINTERVAL=100"},
        {"19", 113, nullptr},
        {"2561", 113, nullptr},
        {"", 113, nullptr},
        {"abc", 113, nullptr},
        {"-20", 113, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        m_sim->ClearLog();
        Edit(1069)->setText(QString::fromUtf8(c.input));
        Click(1070);
        if (c.message) {
            EXPECT_EQ(NextBoxId(1000), c.message);
            EXPECT_TRUE(Enabled(1070));
            EXPECT_TRUE(Commands().empty());
        } else {
            EXPECT_EQ(NextBoxId(), 118);
            EXPECT_TRUE(WaitForCommand(c.sent));
            EXPECT_TRUE(Enabled(1070));
        }
    }
}

TEST_F(WindowTest, UartOptionsAreSentInFlowParityStopOrder) {
    StartSim();
    OpenWindow();
    Combo(1076)->setCurrentIndex(Combo(1076)->findText(QStringLiteral("Even")));
    Combo(1077)->setCurrentIndex(Combo(1077)->findText(QStringLiteral("2")));
    Combo(1075)->setCurrentIndex(Combo(1075)->findText(QStringLiteral("Enable")));
    m_sim->ClearLog();
    Click(1078);
    EXPECT_TRUE(Enabled(1010));  // Apply leaves the window usable
    EXPECT_EQ(NextBoxId(), 127);
    EXPECT_TRUE(WaitForCommand("AT+UARTOPT=1,E,2"));
    const sim::SimState s = m_sim->State();
    EXPECT_EQ(s.parity, 'E');
    EXPECT_EQ(s.stopBits, 2u);
    EXPECT_EQ(s.flowControl, 1u);

    // A list without a selection is named; flow control is checked first.
    struct Unselected {
        std::vector<int> lists;
        int message;
    } const cases[] = {{{1075, 1076, 1077}, 124}, {{1076, 1077}, 125}, {{1077}, 126}};
    for (const auto& c : cases) {
        for (int id : {1075, 1076, 1077}) Combo(id)->setCurrentIndex(0);
        for (int id : c.lists) Combo(id)->setCurrentIndex(-1);
        m_sim->ClearLog();
        Click(1078);
        EXPECT_EQ(NextBoxId(1000), c.message);
        EXPECT_TRUE(Commands().empty());
    }
}

TEST_F(WindowTest, FactoryResetAsksAndReconnectsAfterwards) {
    StartSim();
    OpenWindow();
    m_sim->ClearLog();
    m_questionAnswer = QMessageBox::Cancel;
    Click(1013);
    auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].id, 138);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_TRUE(Ready());
    EXPECT_TRUE(Commands().empty());

    m_questionAnswer = QMessageBox::Ok;
    const int dialogs = m_portDialogs;
    Click(1013);
    EXPECT_TRUE(WaitForCommand("AT&F"));
    EXPECT_TRUE(WaitFor([&] { return m_portDialogs == dialogs + 1; }));
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);  // just the question
}

TEST_F(WindowTest, RebootAndRefreshReadEverythingAgain) {
    StartSim();
    OpenWindow();
    m_sim->ClearLog();
    Click(1011);
    EXPECT_FALSE(Enabled(1010));
    EXPECT_TRUE(WaitForCommand("ATZ"));
    EXPECT_TRUE(WaitForCommand("AT+UCBEACON?"));
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));

    // Refresh empties the texts at once, then fills them again.
    Edit(1064)->setText(QStringLiteral("010203040506"));
    Click(1010);
    EXPECT_TRUE(qobject_cast<QLabel*>(W(1009))->text().isEmpty());
    EXPECT_TRUE(Edit(1014)->text().isEmpty());
    EXPECT_TRUE(Edit(1064)->text().isEmpty());
    // The worker may already have finished the job (it clears the busy flag
    // itself), but the wait cursor stays until the result is handled here.
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    EXPECT_EQ(Edit(1014)->text(), QStringLiteral("LV200"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(WindowTest, FilterSettingsAreStoredOnClickAndOnLeavingTheEdit) {
    {
        QSettings ini(m_iniPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Default Values/Beacon Adv. Data Format"), 1083);
        ini.setValue(QStringLiteral("Default Values/Scan RSSI filter value"), -70);
    }
    StartSim();
    OpenWindow();
    EXPECT_TRUE(Button(1083)->isChecked());
    EXPECT_EQ(Edit(1028)->text(), QStringLiteral("-70"));

    Click(1024);
    Click(1027);
    auto leave = [&](int id, const QString& text) {
        Edit(id)->setText(text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(W(id), &out);
    };
    leave(1025, QString());
    leave(1028, QStringLiteral(" -60 "));
    leave(1028, QStringLiteral("abc"));  // invalid: the stored value stays
    QSettings ini(m_iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Default Values"));
    EXPECT_EQ(ini.value(QStringLiteral("Name filter check")).toInt(), 1);
    EXPECT_EQ(ini.value(QStringLiteral("RSSI filter check")).toInt(), 1);
    EXPECT_EQ(ini.value(QStringLiteral("Name filter value")).toString(), QString());
    EXPECT_EQ(ini.value(QStringLiteral("Scan RSSI filter value")).toInt(), -60);
    EXPECT_EQ(ini.value(QStringLiteral("Beacon Adv. Data Format")).toInt(), 1083);
}

TEST_F(WindowTest, StoredBeaconFormatOutsideThePairIsRepaired) {
    {
        QSettings ini(m_iniPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Default Values/Beacon Adv. Data Format"), 9999);
    }
    m_acceptPort = false;
    OpenWindow(false);
    EXPECT_TRUE(Button(1082)->isChecked());
    EXPECT_TRUE(Button(1029)->isChecked());
    QSettings ini(m_iniPath, QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Default Values/Beacon Adv. Data Format")).toInt(), 1082);
}
