#include "window_fixture.h"

#include "ui/shell/com_config_dlg.h"
#include "ui/shell/message_box.h"
#include "ui/shell/settings_store.h"
#include "ui/shell/strings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>

namespace mainwin_test {

namespace {

int IdOfText(const QString& text) {
    static const int kIds[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,
                               115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128,
                               129, 132, 133, 134, 135, 136, 137, 138, 142, 143, 144, 145};
    for (int id : kIds) {
        const QString pattern = LoadStringRes(id);
        if (pattern == text) return id;
        if (pattern.contains(QStringLiteral("%d"))) {
            QString re = QRegularExpression::escape(pattern);
            re.replace(QStringLiteral("%d"), QStringLiteral("-?\\d+"));
            if (QRegularExpression(QStringLiteral("^") + re + QStringLiteral("$")).match(text).hasMatch()) return id;
        }
        // "%s: %s" form of the open error.
        if (id == 104 && text.startsWith(pattern + QStringLiteral(": "))) return id;
    }
    return 0;
}

}  // namespace

void WindowTest::SetUp() {
    ASSERT_TRUE(m_tmp.isValid());
    m_iniPath = m_tmp.filePath(QStringLiteral("settings.ini"));
    SettingsStore::UseFile(m_iniPath);
    SetKoreanUiOverride(0);
    InstallTranslations(false);
    MessageBoxSeam::SetHandler([this](QWidget*, const QString& text, const QString&, QMessageBox::Icon icon,
                                      QMessageBox::StandardButtons buttons) {
        m_boxes.push_back(Box{text, icon, buttons, IdOfText(text)});
        return icon == QMessageBox::Question ? m_questionAnswer : QMessageBox::Ok;
    });
    ComConfigDlg::SetModalSeam([this](ComConfigDlg& dlg) {
        ++m_portDialogs;
        if (!m_acceptPort || !m_sim) return int(QDialog::Rejected);
        dlg.findChild<QComboBox*>(QStringLiteral("portCombo"))
            ->setEditText(QString::fromStdString(m_sim->DevicePath()));
        dlg.accept();
        return dlg.result();
    });
}

void WindowTest::TearDown() {
    DestroyWindow();
    for (auto& s : m_sims) s->Stop();
    MessageBoxSeam::SetHandler({});
    ComConfigDlg::SetModalSeam({});
    SettingsStore::UseFile(QString());
    SetKoreanUiOverride(-1);
}

sim::KestovSimulator& WindowTest::StartSim(const std::string& model) {
    m_sims.push_back(std::make_unique<sim::KestovSimulator>(model));
    m_sim = m_sims.back().get();
    std::string error;
    EXPECT_TRUE(m_sim->Start(&error)) << error;
    return *m_sim;
}

bool WindowTest::Ready() const { return m_win && Enabled(CKESTOVLV2xxManagerDlg::IDC_REFRESH); }

QString WindowTest::StatusPaneText(int pane) const {
    if (pane == 0) {
        // Shortened to fit; its tooltip holds the whole text.
        auto* link = m_win->findChild<QLabel*>(QStringLiteral("statusPane0"));
        return link ? link->toolTip() : QStringLiteral("<no pane>");
    }
    auto* label = m_win->findChild<QLabel*>(QStringLiteral("statusPane%1").arg(pane));
    return label ? label->text() : QStringLiteral("<no pane>");
}

void WindowTest::OpenWindow(bool waitReady) {
    m_win = std::make_unique<CKESTOVLV2xxManagerDlg>();
    m_win->show();
    if (waitReady) {
        ASSERT_TRUE(WaitFor([this] { return Ready(); })) << "no read-back";
    }
}

void WindowTest::DestroyWindow() {
    if (!m_win) return;
    m_win->close();
    m_win.reset();
}

void WindowTest::Click(int id) {
    QAbstractButton* b = Button(id);
    ASSERT_NE(b, nullptr) << id;
    b->click();
}

std::vector<Box> WindowTest::TakeBoxes() {
    std::vector<Box> out(m_boxes.begin() + static_cast<long>(m_boxesTaken), m_boxes.end());
    m_boxesTaken = m_boxes.size();
    return out;
}

bool WindowTest::WaitForBox(int id, int timeoutMs) {
    return WaitFor(
        [&] {
            return std::any_of(m_boxes.begin() + static_cast<long>(m_boxesTaken), m_boxes.end(),
                               [id](const Box& b) { return b.id == id; });
        },
        timeoutMs);
}

int WindowTest::NextBoxId(int timeoutMs) {
    if (!WaitFor([&] { return m_boxes.size() > m_boxesTaken; }, timeoutMs)) return 0;
    return m_boxes[m_boxesTaken++].id;
}

bool WindowTest::WaitForCommand(const std::string& cmd, int timeoutMs) {
    return WaitFor(
        [&] {
            const auto c = Commands();
            return std::find(c.begin(), c.end(), cmd) != c.end();
        },
        timeoutMs);
}

}  // namespace mainwin_test
