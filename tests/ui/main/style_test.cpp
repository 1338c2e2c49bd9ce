// Every window under one style and one language (chosen by the test's
// environment: KESTOV_TEST_STYLE, KESTOV_TEST_KOREAN): no control shows less
// than its text, no two controls overlap or leave their window, the chosen
// colours and the drawn lettering are readable on the palette, and Tab
// reaches every enabled control.
#include "window_fixture.h"

#include "sim_slots.h"

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/ht_rich_edit_ctrl.h"
#include "ui/controls/palette_colors.h"
#include "ui/controls/text_room.h"
#include "ui/shell/about_dlg.h"
#include "ui/shell/com_config_dlg.h"
#include "ui/shell/port_list_source.h"
#include "ui/shell/strings.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>

#include <set>

using namespace mainwin_test;
using palette_colors::Contrast;
using palette_colors::kMinTextContrast;

namespace {

QString Describe(const QWidget* w) {
    QString text;
    if (const auto* l = qobject_cast<const QLabel*>(w)) text = l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    if (const auto* c = qobject_cast<const QComboBox*>(w)) text = c->currentText();
    return QStringLiteral("%1 %2 \"%3\"").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text);
}

// Controls the user sees as one piece: not the parts of a list, a drop-down
// or a chart, and not the frames that hold controls.
bool IsControl(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QComboBox*>(p)) return false;
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const GdiplusImgCtrl*>(w);
}

std::vector<QWidget*> VisibleControls(QWidget* window) {
    std::vector<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isVisible() && w->window() == window && IsControl(w, window)) out.push_back(w);
    return out;
}

void ExpectWholeTexts(QWidget* window) {
    SCOPED_TRACE((window->objectName().isEmpty() ? window->windowTitle() : window->objectName()).toStdString());
    const auto controls = VisibleControls(window);
    ASSERT_FALSE(controls.empty());
    for (QWidget* w : controls) {
        const QSize need = text_room::Shortfall(w);
        EXPECT_TRUE(need.isNull()) << Describe(w).toStdString() << " needs " << need.width() << "x" << need.height()
                                   << " more";
    }
    const QRect inside = window->rect();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect a(controls[i]->mapTo(window, QPoint(0, 0)), controls[i]->size());
        EXPECT_TRUE(inside.contains(a)) << Describe(controls[i]).toStdString() << " leaves its window";
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const QRect b(controls[j]->mapTo(window, QPoint(0, 0)), controls[j]->size());
            EXPECT_FALSE(a.intersects(b))
                << Describe(controls[i]).toStdString() << " overlaps " << Describe(controls[j]).toStdString();
        }
    }
}

// Tab from the focused control until the focus comes back: every enabled
// control that takes the focus by Tab is on the way.
void ExpectTabReachesAll(QWidget* window) {
    SCOPED_TRACE((window->objectName().isEmpty() ? window->windowTitle() : window->objectName()).toStdString());
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QWidget* start = QApplication::focusWidget();
    if (!start || start->window() != window) {
        for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                w->setFocus(Qt::TabFocusReason);
                break;
            }
        start = QApplication::focusWidget();
    }
    ASSERT_NE(start, nullptr);
    std::set<QWidget*> reached{start};
    for (int i = 0; i < 200; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr);
        if (now == start) break;
        reached.insert(now);
    }
    EXPECT_EQ(QApplication::focusWidget(), start) << "Tab does not come round again";
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy()) continue;
        if (w->window() != window) continue;
        EXPECT_TRUE(reached.count(w)) << Describe(w).toStdString() << " is not reached by Tab";
    }
}

// The simulated module as the only port, with a USB description to show.
class SimPorts : public PortListSource {
public:
    std::vector<SerialPortEntry> ports;
    std::vector<SerialPortEntry> Ports() override { return ports; }
    bool MayOpen(const std::string&, std::string&) override { return true; }
};

class StyleTest : public WindowTest {
protected:
    void SetUp() override {
        style = qEnvironmentVariable("KESTOV_TEST_STYLE", QStringLiteral("Fusion"));
        korean = qEnvironmentVariableIntValue("KESTOV_TEST_KOREAN") != 0;
        if (!QStyleFactory::keys().contains(style, Qt::CaseInsensitive))
            GTEST_SKIP() << style.toStdString() << " is not installed";
        QApplication::setStyle(style);
        QApplication::setPalette(QApplication::style()->standardPalette());
        WindowTest::SetUp();
        SetKoreanUiOverride(korean ? 1 : 0);
        InstallTranslations(korean);
    }
    void TearDown() override {
        if (IsSkipped()) return;
        PortListSource::Install(nullptr);
        WindowTest::TearDown();
        InstallTranslations(false);
    }
    // The main window after a read-back and a scan with a few devices.
    void OpenScannedWindow() {
        sim::SimState s = sim::DefaultState("KESTOV-LV200");
        SetSimSlot(s, 1, {0xC0, 0x4E, 0x30, 0x12, 0x34, 0x56}, "Door");
        s.userBeacon = true;
        s.beaconHex = "48656C6C6F";
        StartSim().SetState(s);
        SerialPortEntry entry;
        entry.path = m_sim->DevicePath();
        entry.product = "Simulated module";
        entry.manufacturer = "Talvern";
        m_ports.ports = {entry};
        PortListSource::Install(&m_ports);
        OpenWindow();
        Click(CKESTOVLV2xxManagerDlg::IDC_SCAN);
        ASSERT_TRUE(WaitFor([&] { return m_win->ScanListCount() >= 3; }));
        Click(CKESTOVLV2xxManagerDlg::IDC_SCAN);
        ASSERT_TRUE(WaitFor([&] { return Ready(); }));
    }
    QWidget* OpenFromMenu(const char* action, const char* windowName) {
        auto* a = m_win->findChild<QAction*>(QString::fromLatin1(action));
        if (!a) return nullptr;
        a->trigger();
        QWidget* found = nullptr;
        WaitFor([&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->isVisible() && top->inherits(windowName)) found = top;
            return found != nullptr;
        });
        return found;
    }
    QString style;
    bool korean = false;
    SimPorts m_ports;
};

TEST_F(StyleTest, EveryWindowShowsWholeTextsWithoutOverlaps) {
    OpenScannedWindow();
    QCoreApplication::processEvents();
    ExpectWholeTexts(m_win.get());

    QWidget* traffic = OpenFromMenu("cmdTraffic", "TrafficWindow");
    ASSERT_NE(traffic, nullptr);
    ExpectWholeTexts(traffic);

    QWidget* monitor = OpenFromMenu("cmdScanMonitor", "ScanMonitorWindow");
    ASSERT_NE(monitor, nullptr);
    auto* table = monitor->findChild<QTableView*>(QStringLiteral("monitorTable"));
    ASSERT_NE(table, nullptr);
    table->selectAll();
    QCoreApplication::processEvents();
    ExpectWholeTexts(monitor);

    QWidget* station = OpenFromMenu("cmdStation", "StationWindow");
    ASSERT_NE(station, nullptr);
    QCoreApplication::processEvents();
    ExpectWholeTexts(station);

    CAboutDlg about(m_win.get());
    about.show();
    QCoreApplication::processEvents();
    ExpectWholeTexts(&about);

    ComConfigDlg port(m_win.get());
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& d) {
        d.show();
        d.FindModule();
        WaitFor([&] { return d.findChild<QPushButton*>(QStringLiteral("findModule"))->isEnabled(); });
        QCoreApplication::processEvents();
        ExpectWholeTexts(&d);
        return int(QDialog::Rejected);
    });
    port.DoModal();
}

TEST_F(StyleTest, ChosenColoursAndDrawnLetteringAreReadable) {
    OpenScannedWindow();
    const QPalette pal = m_win->palette();
    for (const QPalette::ColorRole background : {QPalette::Base, QPalette::AlternateBase}) {
        for (const auto role :
             {palette_colors::Role::Sent, palette_colors::Role::Received, palette_colors::Role::Problem,
              palette_colors::Role::Dimmed, palette_colors::Role::Link, palette_colors::Role::Mark}) {
            EXPECT_GE(Contrast(palette_colors::ForText(role, pal), pal.color(background)), kMinTextContrast)
                << "role " << static_cast<int>(role) << " on " << background;
        }
    }
    // The traffic view's rows as it paints them.
    QWidget* traffic = OpenFromMenu("cmdTraffic", "TrafficWindow");
    ASSERT_NE(traffic, nullptr);
    auto* rows = traffic->findChild<QTableView*>(QStringLiteral("trafficTable"));
    ASSERT_TRUE(WaitFor([&] { return rows->model()->rowCount() > 0; }));
    const QColor base = rows->palette().color(QPalette::Base);
    for (int r = 0; r < rows->model()->rowCount(); ++r) {
        const QColor ink = rows->model()->data(rows->model()->index(r, 0), Qt::ForegroundRole).value<QBrush>().color();
        EXPECT_GE(Contrast(ink, base), kMinTextContrast) << "traffic row " << r;
    }
    // A palette change while running: light becomes dark and dark light.
    QPalette other = QApplication::palette();
    const bool dark = palette_colors::Luminance(other.color(QPalette::Base)) < 0.5;
    const QColor newBase = dark ? QColor(0xfa, 0xfa, 0xfa) : QColor(0x1e, 0x1e, 0x1e);
    const QColor newText = dark ? QColor(0x10, 0x10, 0x10) : QColor(0xee, 0xee, 0xec);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        other.setColor(group, QPalette::Base, newBase);
        other.setColor(group, QPalette::AlternateBase, newBase);
        other.setColor(group, QPalette::Text, newText);
    }
    QApplication::setPalette(other);
    QCoreApplication::processEvents();
    for (int r = 0; r < rows->model()->rowCount(); ++r) {
        const QColor ink = rows->model()->data(rows->model()->index(r, 0), Qt::ForegroundRole).value<QBrush>().color();
        EXPECT_GE(Contrast(ink, newBase), kMinTextContrast) << "traffic row " << r << " after the palette changed";
    }
    // The station's counters, on its window, before and after the change.
    QWidget* station = OpenFromMenu("cmdStation", "StationWindow");
    ASSERT_NE(station, nullptr);
    const auto expectReadableCounters = [&](const char* when) {
        for (const char* name : {"stationDone", "stationFailed"}) {
            auto* counter = station->findChild<QLabel*>(QLatin1String(name));
            ASSERT_NE(counter, nullptr) << name;
            EXPECT_GE(
                Contrast(counter->palette().color(QPalette::WindowText), station->palette().color(QPalette::Window)),
                kMinTextContrast)
                << name << " " << when;
        }
    };
    expectReadableCounters("as opened");
    QPalette window = QApplication::palette();
    const bool darkWindow = palette_colors::Luminance(window.color(QPalette::Window)) < 0.5;
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        window.setColor(group, QPalette::Window, darkWindow ? QColor(0xf6, 0xf5, 0xf4) : QColor(0x24, 0x24, 0x24));
        window.setColor(group, QPalette::WindowText, darkWindow ? QColor(0x10, 0x10, 0x10) : QColor(0xee, 0xee, 0xec));
    }
    QApplication::setPalette(window);
    QCoreApplication::processEvents();
    expectReadableCounters("after the palette changed");
    station->close();
    QApplication::setPalette(QApplication::style()->standardPalette());
    // Pictures, and the lettering beside the dial.
    for (GdiplusImgCtrl* picture : m_win->findChildren<GdiplusImgCtrl*>())
        EXPECT_GE(Contrast(picture->Ink(), picture->Backdrop()), kMinTextContrast) << "module picture";
    ComConfigDlg port(m_win.get());
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& d) {
        d.show();
        QCoreApplication::processEvents();
        auto* dial = d.findChild<GdiplusImgCtrl*>(QStringLiteral("dialPicture"));
        EXPECT_GE(Contrast(dial->Ink(), dial->Backdrop()), kMinTextContrast) << "dial";
        auto* instruction = d.findChild<CHTRichEditCtrl*>(QStringLiteral("instruction"));
        EXPECT_GE(Contrast(instruction->PlainColor(), instruction->Background()), kMinTextContrast);
        EXPECT_GE(Contrast(instruction->MarkColor(), instruction->Background()), kMinTextContrast);
        EXPECT_GE(Contrast(instruction->LinkColor(), instruction->Background()), kMinTextContrast);
        return int(QDialog::Rejected);
    });
    port.DoModal();
}

TEST_F(StyleTest, TabReachesEveryEnabledControl) {
    OpenScannedWindow();
    ExpectTabReachesAll(m_win.get());
    QWidget* traffic = OpenFromMenu("cmdTraffic", "TrafficWindow");
    ASSERT_NE(traffic, nullptr);
    ExpectTabReachesAll(traffic);
    QWidget* monitor = OpenFromMenu("cmdScanMonitor", "ScanMonitorWindow");
    ASSERT_NE(monitor, nullptr);
    ExpectTabReachesAll(monitor);
    QWidget* station = OpenFromMenu("cmdStation", "StationWindow");
    ASSERT_NE(station, nullptr);
    ExpectTabReachesAll(station);
    CAboutDlg about(m_win.get());
    about.show();
    ExpectTabReachesAll(&about);
    about.hide();
    ComConfigDlg port(m_win.get());
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& d) {
        d.show();
        ExpectTabReachesAll(&d);
        return int(QDialog::Rejected);
    });
    port.DoModal();
}

TEST_F(StyleTest, EscapeClosesTheSecondaryWindowsAndShortcutsAreInTheMenu) {
    OpenScannedWindow();
    for (const auto& [action, name] : {std::pair{"cmdTraffic", "TrafficWindow"},
                                       {"cmdScanMonitor", "ScanMonitorWindow"},
                                       {"cmdStation", "StationWindow"}}) {
        QWidget* w = OpenFromMenu(action, name);
        ASSERT_NE(w, nullptr) << name;
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QWidget* target =
            QApplication::focusWidget() && QApplication::focusWidget()->window() == w ? QApplication::focusWidget() : w;
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(target, &esc);
        EXPECT_TRUE(WaitFor([&] { return !w->isVisible(); })) << name << " stays open on Escape";
    }
    // A window's shortcut is shown in its menu and works while the menu is closed.
    for (QAction* a : m_win->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty() || a->objectName().isEmpty()) continue;
        EXPECT_FALSE(a->associatedObjects().isEmpty());
        EXPECT_TRUE(m_win->actions().contains(a)) << a->objectName().toStdString() << " works only in the open menu";
    }
}

// Pictures of the main window and the port dialog under this style, named
// after it. Runs only when KESTOV_SCREENSHOT_DIR names a directory.
TEST_F(StyleTest, Screenshots) {
    const QString dir = qEnvironmentVariable("KESTOV_SCREENSHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "KESTOV_SCREENSHOT_DIR not set";
    OpenScannedWindow();
    QCoreApplication::processEvents();
    const QString suffix = QStringLiteral("-%1-%2.png").arg(style.toLower(), korean ? "ko" : "en");
    EXPECT_TRUE(m_win->grab().save(dir + QStringLiteral("/screenshot") + suffix));
    ComConfigDlg port(m_win.get());
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& d) {
        d.show();
        d.FindModule();
        EXPECT_TRUE(WaitFor([&] { return d.findChild<QPushButton*>(QStringLiteral("findModule"))->isEnabled(); }));
        QCoreApplication::processEvents();
        EXPECT_TRUE(d.grab().save(dir + QStringLiteral("/port-dialog") + suffix));
        return int(QDialog::Rejected);
    });
    port.DoModal();
}

std::vector<QString> g_announced;
void NoteAnnouncement(QAccessibleEvent* e) {
    if (e->type() == QAccessible::NameChanged && e->object())
        g_announced.push_back(e->accessibleInterface()->text(QAccessible::Name));
}

// The link's state is shown only in the status bar: the pane's accessible
// name carries it, and where an accessibility bridge runs (not on the
// offscreen platform) its change is reported.
TEST_F(StyleTest, StatusBarResultsAreAnnounced) {
    g_announced.clear();
    QAccessible::installUpdateHandler(NoteAnnouncement);
    QAccessible::setActive(true);
    const bool bridge = QAccessible::isActive();
    OpenScannedWindow();
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::setActive(false);
    const QString path = QString::fromStdString(m_sim->DevicePath());
    auto* pane = m_win->findChild<QLabel*>(QStringLiteral("statusPane0"));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->accessibleName().contains(path)) << pane->accessibleName().toStdString();
    if (bridge) {
        EXPECT_TRUE(std::any_of(g_announced.begin(), g_announced.end(), [&](const QString& t) {
            return t.contains(path);
        })) << "the open port was not announced";
    }
    // Find module's results: the details line says them, the entry describes them.
    ComConfigDlg port(m_win.get());
    ComConfigDlg::SetModalSeam([&](ComConfigDlg& d) {
        d.show();
        d.FindModule();
        EXPECT_TRUE(WaitFor([&] { return d.findChild<QPushButton*>(QStringLiteral("findModule"))->isEnabled(); }));
        auto* info = d.findChild<QLabel*>(QStringLiteral("portInfo"));
        auto* combo = d.findChild<QComboBox*>(QStringLiteral("portCombo"));
        EXPECT_FALSE(info->text().isEmpty());
        EXPECT_TRUE(info->accessibleName().endsWith(info->text())) << info->accessibleName().toStdString();
        const int at = combo->findText(path);
        EXPECT_GE(at, 0);
        EXPECT_TRUE(
            combo->itemData(at, Qt::AccessibleDescriptionRole).toString().contains(QStringLiteral("Simulated module")));
        return int(QDialog::Rejected);
    });
    port.DoModal();
}

}  // namespace
