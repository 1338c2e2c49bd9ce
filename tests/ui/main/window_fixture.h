// Drives the real main window against a simulated module on a pseudo-terminal.
// Message boxes and the port dialog are answered through their seams; waits
// process events until a condition holds, with generous bounds.
#pragma once

#include "sim/kestov_sim.h"
#include "sim_device.h"
#include "ui/main/main_window.h"
#include "qt_wait.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mainwin_test {

using qt_test::WaitFor;

struct Box {
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int id;  // string id whose text matches (formatted texts too), or 0
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a simulated module of this model (the previous one is kept
    // alive until the fixture ends, so a hung-up terminal stays valid).
    sim::KestovSimulator& StartSim(const std::string& model = "KESTOV-LV200");
    // Creates and shows the window; the port dialog answers with the
    // simulator's path. Waits for the read-back when waitReady is true.
    void OpenWindow(bool waitReady = true);
    bool Ready() const;  // read-back shown: Refresh Info. usable
    void DestroyWindow();

    // Controls by their object name "ctl<id>".
    QWidget* W(int id) const { return m_win->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)); }
    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(W(id)); }
    QComboBox* Combo(int id) const { return qobject_cast<QComboBox*>(W(id)); }
    QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(W(id)); }
    void Click(int id);
    bool Enabled(int id) const { return W(id)->isEnabled(); }
    // Status bar pane 0 (the link, in full however it is elided) or 1 (the version).
    QString StatusPaneText(int pane) const;

    // Boxes shown since the last TakeBoxes.
    std::vector<Box> TakeBoxes();
    bool WaitForBox(int id, int timeoutMs = 20000);
    // Waits for a box, returns its id (0 if none came).
    int NextBoxId(int timeoutMs = 20000);
    // Commands the module received since the log was cleared.
    std::vector<std::string> Commands() const { return m_sim->Commands(); }
    bool WaitForCommand(const std::string& cmd, int timeoutMs = 20000);

    QTemporaryDir m_tmp;
    QString m_iniPath;
    std::vector<std::unique_ptr<sim::KestovSimulator>> m_sims;
    sim::KestovSimulator* m_sim = nullptr;
    std::unique_ptr<CKESTOVLV2xxManagerDlg> m_win;
    std::vector<Box> m_boxes;
    size_t m_boxesTaken = 0;
    QMessageBox::StandardButton m_questionAnswer = QMessageBox::Ok;
    int m_portDialogs = 0;
    bool m_acceptPort = true;
};

using testsupport::Device;

}  // namespace mainwin_test
