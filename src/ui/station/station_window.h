// Menu > Provisioning station...: the station core behind a window. Pick the
// profile, the name template, the table and the record; the table of ports
// follows every module plugged in, with large done and failed counters.
// The main window's own module is left alone.
#pragma once

#include "ops/station/station.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <thread>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class StationModel;

class StationWindow : public QDialog {
    Q_OBJECT
public:
    // connectedPort: the main window's open port (empty when none), asked at each start.
    // takeProfile: asks the main window to save its module's settings as a
    // profile; it answers with UseProfile. No button when it is empty.
    explicit StationWindow(std::function<std::string()> connectedPort, std::function<void()> takeProfile = {},
                           QWidget* parent = nullptr);
    ~StationWindow() override;

    static QString MenuText();
    StationModel* Model() const { return m_model; }
    bool Running() const { return m_station != nullptr; }
    // Starts the station with what the fields say; false (and a message in the status line) when it cannot.
    bool StartStation();
    // Lets the modules in progress finish, without blocking the window.
    void StopStation();
    // The profile saved from the main window's module.
    void UseProfile(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnView(const PortView& view);
    void ShowCounts();
    // The counters' colours, readable on the palette in use.
    void Recolour();
    void SetRunning(bool running);
    void Browse(QLineEdit* field, bool save, const QString& filter);
    void FinishStop();

    std::function<std::string()> m_connectedPort;
    StationModel* m_model = nullptr;
    QLineEdit* m_profile = nullptr;
    QPushButton* m_takeProfile = nullptr;
    QLineEdit* m_template = nullptr;
    QLineEdit* m_table = nullptr;
    QCheckBox* m_refuseMissing = nullptr;
    QLineEdit* m_log = nullptr;
    QLineEdit* m_folder = nullptr;
    QCheckBox* m_again = nullptr;
    QCheckBox* m_sound = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_stop = nullptr;
    QLabel* m_done = nullptr;
    QLabel* m_failed = nullptr;
    QLabel* m_status = nullptr;
    QTableView* m_view = nullptr;

    std::unique_ptr<Station> m_station;
    std::thread m_stopper;  // a stop waits for modules in progress off the window thread
    bool m_paused = false;
    bool m_closeAfterStop = false;
    int m_doneCount = 0;
    int m_failedCount = 0;
};
