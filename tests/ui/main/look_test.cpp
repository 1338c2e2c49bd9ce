// What the window looks like and what a screen reader hears: captions of
// one kind in one size, values on their captions' baseline, values named
// with their caption, a long port path that leaves the line setting visible.
#include "window_fixture.h"

#include "ui/shell/strings.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

using namespace mainwin_test;

namespace {

// The lowest row with ink of the label's text, in the coordinates of `to`:
// for texts without descenders, the baseline.
int InkBottom(QLabel* label, QWidget* to) {
    const QImage img = label->grab().toImage();
    const QColor back = label->palette().color(label->backgroundRole());
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.lightness() - back.lightness()) > 100) return label->mapTo(to, QPoint(0, y)).y();
        }
    }
    return -1;
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

}  // namespace

TEST_F(WindowTest, CaptionsAndValuesLineUpInBothLanguages) {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v2.0.1";
    StartSim().SetState(s);
    for (const bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "Korean" : "English");
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow();
        // The two filter check boxes: one size, both captions whole.
        auto* name = qobject_cast<QCheckBox*>(W(1024));
        auto* rssi = qobject_cast<QCheckBox*>(W(1027));
        EXPECT_EQ(QFontInfo(name->font()).pixelSize(), QFontInfo(rssi->font()).pixelSize());
        for (QCheckBox* box : {name, rssi})
            EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
        // The firmware version stands on the line of its caption.
        QWidget* client = m_win->findChild<QWidget*>(QStringLiteral("client"));
        auto* caption = m_win->findChild<QLabel*>(QStringLiteral("lblFirmwareVersion"));
        const int captionLine = InkBottom(caption, client);
        const int valueLine = InkBottom(qobject_cast<QLabel*>(W(1009)), client);
        ASSERT_GT(captionLine, 0);
        EXPECT_LE(std::abs(captionLine - valueLine), 1) << captionLine << " vs " << valueLine;
        DestroyWindow();
    }
    InstallTranslations(false);
}

TEST_F(WindowTest, ValueLabelsAreNamedWithCaptionAndValue) {
    sim::SimState s = sim::DefaultState("KESTOV-LV200");
    s.version = "v2.0.1";
    StartSim().SetState(s);
    OpenWindow();
    EXPECT_EQ(AccessibleName(W(1052)), QStringLiteral("Bluetooth Address: 001A2B3C4D5E"));
    EXPECT_EQ(AccessibleName(W(1009)), QStringLiteral("Firmware Version: v2.0.1"));
    // Emptied with the link: the caption alone.
    m_win->Ops().CloseLink();
    EXPECT_EQ(AccessibleName(W(1052)), QStringLiteral("Bluetooth Address"));
    EXPECT_EQ(AccessibleName(W(1009)), QStringLiteral("Firmware Version"));
    DestroyWindow();

    SetKoreanUiOverride(1);
    InstallTranslations(true);
    OpenWindow();
    EXPECT_EQ(AccessibleName(W(1052)), QString::fromUtf8("블루투스 주소: 001A2B3C4D5E"));
    EXPECT_EQ(AccessibleName(W(1009)), QString::fromUtf8("펌웨어 버전: v2.0.1"));
    DestroyWindow();
    InstallTranslations(false);
}

TEST_F(WindowTest, LongPortPathGivesWayToTheLineSetting) {
    StartSim();
    OpenWindow();
    auto* pane = m_win->findChild<QLabel*>(QStringLiteral("statusPane0"));
    ASSERT_NE(pane, nullptr);
    const QString setting = QStringLiteral(", 115200, Even parity, 1.5 stopbit");
    for (const QString& path :
         {QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-and-a-little-more-text"),
          QStringLiteral("/tmp/a, b, c/") + QString(120, QLatin1Char('x'))}) {
        SCOPED_TRACE(path.toStdString());
        PortSettings port;
        port.m_portName = path.toStdU16String();
        port.m_baudRate = 115200;
        port.m_parity = 2;
        port.m_stopBits = 1;
        m_win->SetLinkStatus(port);
        EXPECT_TRUE(pane->text().endsWith(setting)) << pane->text().toStdString();
        EXPECT_TRUE(pane->text().contains(QChar(0x2026))) << pane->text().toStdString();
        EXPECT_TRUE(pane->text().startsWith(path.left(3))) << "cut in the middle";
        EXPECT_LE(pane->fontMetrics().horizontalAdvance(pane->text()), pane->contentsRect().width());
        EXPECT_EQ(pane->toolTip(), path + setting);
        EXPECT_EQ(StatusPaneText(0), path + setting);
    }
    // A short one is shown whole.
    PortSettings shortPath;
    shortPath.m_portName = u"/dev/ttyS0";
    shortPath.m_baudRate = 115200;
    m_win->SetLinkStatus(shortPath);
    EXPECT_EQ(pane->text(), QStringLiteral("/dev/ttyS0, 115200, No parity, 1 stopbit"));
}

// Every menu item opens from the keyboard: each has a mnemonic of its own.
TEST_F(WindowTest, EveryMenuItemHasItsOwnMnemonicInBothLanguages) {
    StartSim();
    for (const bool korean : {false, true}) {
        SCOPED_TRACE(korean ? "Korean" : "English");
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
        OpenWindow(false);
        auto* bar = m_win->findChild<QMenuBar*>(QStringLiteral("menuBar"));
        ASSERT_NE(bar, nullptr);
        for (QAction* top : bar->actions()) {
            ASSERT_NE(top->menu(), nullptr);
            QStringList keys;
            for (QAction* item : top->menu()->actions()) {
                if (item->isSeparator()) continue;
                const QString key = QKeySequence::mnemonic(item->text()).toString();
                EXPECT_FALSE(key.isEmpty()) << item->text().toStdString();
                EXPECT_FALSE(keys.contains(key)) << item->text().toStdString() << " shares " << key.toStdString();
                keys << key;
            }
            EXPECT_GE(keys.size(), 6);
        }
        DestroyWindow();
    }
    InstallTranslations(false);
}
