// Scan with filters, the scan list, and the registered-device slots.
#include "window_fixture.h"

#include "sim_slots.h"

#include "ui/main/scan_list_model.h"

#include <QItemSelectionModel>
#include <QTableView>

#include <chrono>

using namespace mainwin_test;

namespace {

QString Cell(QTableView* list, int row, int column) { return list->model()->index(row, column).data().toString(); }

}  // namespace

class ScanTest : public WindowTest {
protected:
    QTableView* List() const { return qobject_cast<QTableView*>(W(1007)); }
    // Runs a scan until the list holds n rows, then stops it.
    void ScanFor(int rows) {
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return List()->model()->rowCount() >= rows; }));
        Click(1026);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    }
};

TEST_F(ScanTest, NameAndRssiFiltersFillTheListAndStopRestoresTheWindow) {
    StartSim().SetScanDevices(
        {Device(1, "TALV-A", -40), Device(2, "TALV-B", -70), Device(3, "OTHER", -30), Device(4, "TALV-<b>", -60)});
    OpenWindow();
    Click(1024);
    Edit(1025)->setText(QStringLiteral("TALV"));
    Click(1027);
    Edit(1028)->setText(QStringLiteral("-60"));
    m_sim->ClearLog();
    Click(1026);
    ASSERT_TRUE(WaitFor([&] { return Button(1026)->text() == QStringLiteral("Stop"); }));
    EXPECT_TRUE(Enabled(1026));
    EXPECT_FALSE(Enabled(1010));
    EXPECT_FALSE(Enabled(1028));
    // Both reports that pass: one row each, however often they are reported.
    ASSERT_TRUE(WaitFor([&] { return List()->model()->rowCount() == 2 && m_sim->ReportsSent() > 12; }));
    Click(1026);
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    EXPECT_EQ(Button(1026)->text(), QStringLiteral("Scan"));

    const auto cmds = Commands();
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "AT+MODEL?");
    EXPECT_EQ(cmds[1], "AT+SF=ON,TALV");
    EXPECT_EQ(cmds[2], "AT+STARTSCAN");
    EXPECT_EQ(cmds.back(), "AT+STOPSCAN");

    ASSERT_EQ(List()->model()->rowCount(), 2);
    QStringList rows;
    for (int r = 0; r < 2; ++r)
        rows << Cell(List(), r, 0) + QLatin1Char('|') + Cell(List(), r, 1) + QLatin1Char('|') + Cell(List(), r, 2);
    rows.sort();
    EXPECT_EQ(rows,
              QStringList({QStringLiteral("C01122334401|TALV-A|-40"), QStringLiteral("C01122334404|TALV-<b>|-60")}));
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ScanTest, FilterValidationTable) {
    StartSim();
    OpenWindow();
    struct Case {
        bool rssiOn;
        const char* rssi;
        bool nameOn;
        const char* name;
        int message;
    } const cases[] = {
        {true, "abc", false, "", 136},        {true, "-128", false, "", 136},
        {true, "12 3", false, "", 136},       {true, "-", false, "", 136},
        {true, "", false, "", 136},           {true, "x", true, "", 136},  // RSSI first
        {true, " -45 ", true, "", 129},       {false, "", true, "ABCDEFGHI", 129},
        {false, "", true, "가나다", 129},     {false, "", true, "AB\rC", 143},
        {false, "", true, "ABCDEFGH\r", 129},  // the length comes first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rssi) + " / " + c.name);
        if (Button(1027)->isChecked() != c.rssiOn) Click(1027);
        if (Button(1024)->isChecked() != c.nameOn) Click(1024);
        Edit(1028)->setText(QString::fromUtf8(c.rssi));
        Edit(1025)->setText(QString::fromUtf8(c.name));
        m_sim->ClearLog();
        Click(1026);
        EXPECT_EQ(NextBoxId(5000), c.message);
        EXPECT_TRUE(WaitFor([&] { return Ready(); }));
        EXPECT_TRUE(Commands().empty());
    }
    // Eight bytes and a valid threshold start the scan; name filter off sends the off form.
    Click(1024);
    Edit(1028)->setText(QStringLiteral("+5"));
    m_sim->ClearLog();
    Click(1026);
    EXPECT_TRUE(WaitForCommand("AT+SF=OFF"));
    EXPECT_TRUE(WaitForCommand("AT+STARTSCAN"));
    ASSERT_TRUE(WaitFor([&] { return Button(1026)->text() == QStringLiteral("Stop"); }));
    Click(1026);
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
}

TEST_F(ScanTest, AssignClearAndSaveSlots) {
    StartSim().SetScanDevices({Device(1, "ABCDEFGHIJ", -40), Device(2, "B", -45)});
    OpenWindow();
    ScanFor(2);
    // Row order follows the reports; find each device's row.
    const int rowA = Cell(List(), 0, 0).endsWith(QStringLiteral("01")) ? 0 : 1;
    const int rowB = 1 - rowA;

    List()->clearSelection();
    Click(1053);
    EXPECT_EQ(NextBoxId(1000), 110);

    List()->selectRow(rowA);
    Click(1053);
    EXPECT_EQ(Edit(1061)->text(), QStringLiteral("C01122334401"));
    EXPECT_TRUE(Edit(1061)->isReadOnly());
    EXPECT_EQ(Edit(1043)->text(), QStringLiteral("ABCDEFGH"));
    Click(1055);  // same device on row 3
    EXPECT_EQ(NextBoxId(1000), 120);
    EXPECT_TRUE(Edit(1063)->text().isEmpty());

    List()->selectRow(rowB);
    Click(1054);
    Click(1035);  // and clear row 2 again
    EXPECT_TRUE(Edit(1062)->text().isEmpty());
    EXPECT_FALSE(Edit(1062)->isReadOnly());

    // A typed address turns upper case as it is typed.
    Edit(1064)->setFocus();
    Edit(1064)->insert(QStringLiteral("a1b2c3d4e5f6"));
    EXPECT_EQ(Edit(1064)->text(), QStringLiteral("A1B2C3D4E5F6"));

    m_sim->ClearLog();
    Click(1033);
    EXPECT_EQ(NextBoxId(), 122);
    EXPECT_TRUE(WaitFor([&] { return Ready(); }));
    const auto cmds = Commands();
    const std::vector<std::string> writes(cmds.begin() + 1, cmds.begin() + 9);
    EXPECT_EQ(writes, (std::vector<std::string>{"AT+SETSLOT=1,C01122334401,ABCDEFGH", "AT+DELSLOT=2", "AT+DELSLOT=3",
                                                "AT+SETSLOT=4,A1B2C3D4E5F6", "AT+DELSLOT=5", "AT+DELSLOT=6",
                                                "AT+DELSLOT=7", "AT+DELSLOT=8"}));
    const sim::SimState s = m_sim->State();
    EXPECT_TRUE(SimSlot(s, 1).used);
    EXPECT_EQ(SimSlot(s, 1).tag, "ABCDEFGH");
    EXPECT_TRUE(SimSlot(s, 4).used);
    EXPECT_FALSE(SimSlot(s, 2).used);
    // Read back: the saved rows are now the module's, read-only.
    EXPECT_EQ(Edit(1064)->text(), QStringLiteral("A1B2C3D4E5F6"));
    EXPECT_TRUE(Edit(1064)->isReadOnly());
}

TEST_F(ScanTest, SaveSlotsValidationTable) {
    StartSim();
    OpenWindow();
    struct Case {
        std::vector<std::pair<int, const char*>> addresses;  // row, text
        std::vector<std::pair<int, const char*>> tags;
        QString message;
    } const cases[] = {
        {{{3, "12345"}}, {}, QStringLiteral("Slot 3: Invalid Bluetooth address.")},
        {{{3, "1122334455667"}}, {}, QStringLiteral("Slot 3: Invalid Bluetooth address.")},
        {{{5, "11:22:33:44:55"}}, {}, QStringLiteral("Slot 5: Invalid Bluetooth address.")},
        {{{2, "AABBCCDDEEFF"}, {7, "aabbccddeeff"}},
         {},
         QStringLiteral("Duplicated Bluetooth addresses are assigned to slot")},
        {{{1, "XYZ"}, {2, "AABBCCDDEEFF"}, {7, "AABBCCDDEEFF"}},
         {},
         QStringLiteral("Slot 1: Invalid Bluetooth address.")},
        {{{4, "AABBCCDDEEFF"}}, {{4, "가나다"}}, QStringLiteral("Slot 4: TAG 길이가 잘못되었습니다.")},
        {{{6, "AABBCCDDEEFF"}},
         {{6, "a\rb"}},
         QStringLiteral("Slot 6: The TAG contains a character the module cannot take.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        for (int n = 1; n <= 8; ++n) Click(1033 + n);
        for (const auto& [row, text] : c.addresses) Edit(1060 + row)->setText(QString::fromUtf8(text));
        for (const auto& [row, text] : c.tags) Edit(1042 + row)->setText(QString::fromUtf8(text));
        m_sim->ClearLog();
        Click(1033);
        const auto boxes = TakeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(Ready());
        QCoreApplication::processEvents();
        EXPECT_TRUE(Commands().empty());
    }
}

TEST_F(ScanTest, TenThousandRowsStayCheap) {
    m_acceptPort = false;
    OpenWindow(false);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10000; ++i) m_win->InsertScanRow(m_win->ScanListCount(), u"C01122334455", u"Device", u"-50");
    QCoreApplication::processEvents();
    List()->scrollToBottom();
    QCoreApplication::processEvents();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(m_win->ScanListCount(), 10000);
    RecordProperty("insert_10000_ms", static_cast<int>(ms.count()));
    std::printf("10,000 rows appended and shown in %lld ms\n", static_cast<long long>(ms.count()));
    m_win->ClearScanList();
    EXPECT_EQ(m_win->ScanListCount(), 0);
}

TEST(ScanListModel, StopsAtItsLimitAndSaysSoInALastRowThatCannotBeSelected) {
    ScanListModel model;
    for (int i = 0; i < ScanListModel::kRowLimit; ++i)
        model.InsertRow(i, QString::number(i), QStringLiteral("n"), QStringLiteral("-50"));
    EXPECT_FALSE(model.Full());
    EXPECT_EQ(model.rowCount(), ScanListModel::kRowLimit);
    for (int extra = 0; extra < 3; ++extra)
        model.InsertRow(model.rowCount(), QStringLiteral("late"), QStringLiteral("n"), QStringLiteral("-50"));
    EXPECT_TRUE(model.Full());
    ASSERT_EQ(model.rowCount(), ScanListModel::kRowLimit + 1) << "one notice row, however many were left out";
    const QModelIndex notice = model.index(ScanListModel::kRowLimit, 0);
    EXPECT_TRUE(notice.data().toString().contains(QStringLiteral("not listed")))
        << notice.data().toString().toStdString();
    EXPECT_EQ(model.flags(notice), Qt::NoItemFlags);
    EXPECT_EQ(model.Text(ScanListModel::kRowLimit - 1, 0), QString::number(ScanListModel::kRowLimit - 1));
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.Full());
}
