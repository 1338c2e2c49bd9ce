// Plays a script against the demo window: the end-to-end checks and the
// benchmarks use it where no person can click (offscreen). It is built only
// into the test copy of the program, never into the program itself. It works through
// the real widgets (click() on the real buttons) and answers message boxes
// through their seam, so the window's own code runs as with a person.
//
// One step per line; blank lines and lines starting with '#' are skipped.
// Waiting steps give up after the step time-out (default 20 s).
//   wait-port-dialog            wait until the port dialog is shown
//   accept-port-dialog [PATH]   wait for the port dialog, check that it preselects the
//                               simulated module (or choose PATH), start the lap clock
//                               and press Ok
//   click ctlID                 wait until the control is enabled, then click it
//   set-text ctlID TEXT         put TEXT into an edit field
//   wait-enabled ctlID / wait-disabled ctlID
//   expect-text ctlID TEXT      wait until the control shows TEXT
//   expect-box ID               wait for the box with string id ID (answered Ok)
//   expect-box-containing TEXT  wait for a box whose text contains TEXT
//   answer ok|cancel            how the next question box is answered
//   wait-rows N                 wait until the scan list holds at least N rows
//   timeout MS                  time-out of the following waiting steps
//   mark                        start the lap clock
//   print-elapsed LABEL         time since the program started and since the mark
//   print-threads LABEL         number of threads of the process
//   print-rss LABEL             peak and current resident size
//   stall-reset / print-stall LABEL   longest gap of a 10 ms timer since the reset
//   sim-pace BAUD               pace the simulated wire (0: as fast as possible)
//   sim-devices N RATE          N devices around, RATE scan reports per second
//   sim-clear-log               forget the commands received so far
//   print-wire LABEL BAUD       wire time of the commands received since the clear
//                               and the module's replies, at BAUD
//   close                       close the window (also done at the end of the script)
// A failed step is reported on stderr, the window is closed and the exit
// status is not zero. Boxes no step expected count as failures too.
#pragma once

#include "ui/main/demo_mode.h"

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CKESTOVLV2xxManagerDlg;
class QTimer;
class QWidget;
namespace sim {
class KestovSimulator;
struct SimState;
}  // namespace sim

class ScriptDriver : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    explicit ScriptDriver(Clock::time_point programStart);
    ~ScriptDriver() override;

    bool Load(const std::string& path, std::string& error);
    // Takes over the message boxes and starts playing once the event loop runs.
    void Attach(CKESTOVLV2xxManagerDlg& window, sim::KestovSimulator& simulator);
    // The window is about to go: stop playing.
    void Detach();
    // After the window and the module are gone: prints the thread count, reports
    // boxes no step expected. Returns the exit status (0 = every step passed).
    int Finish();

    // Counts the threads before anything started.
    void NoteStartThreads();
    void PrintThreads(const char* label) const;

private:
    struct Step {
        int line = 0;
        QString verb;
        QStringList args;
        QString rest;  // everything after the first argument (texts with blanks)
    };
    struct Box {
        QString text;
        QMessageBox::Icon icon;
    };
    enum class Outcome { Wait, Done };

    void Tick();
    Outcome Run(const Step& step);
    void Fail(const Step& step, const QString& reason);
    void Abort();
    QWidget* ControlArg(const Step& step, int index);
    QString ControlText(QWidget* w) const;
    bool TakeBox(const std::function<bool(const Box&)>& match);
    QMessageBox::StandardButton OnBox(const QString& text, QMessageBox::Icon icon);
    void OnStallTimer();
    void PrintWire(const QString& label, unsigned baud);

    Clock::time_point m_programStart;
    Clock::time_point m_mark;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    Clock::time_point m_stepStarted;
    int m_timeoutMs = 20000;
    bool m_failed = false;
    bool m_finished = false;
    bool m_attached = false;
    int m_threadsAtStart = 1;

    CKESTOVLV2xxManagerDlg* m_window = nullptr;
    sim::KestovSimulator* m_sim = nullptr;
    std::unique_ptr<sim::SimState> m_simStateAtClear;

    std::vector<Box> m_boxes;  // shown and not yet expected
    QMessageBox::StandardButton m_nextAnswer = QMessageBox::Ok;

    QTimer* m_stallTimer = nullptr;
    Clock::time_point m_lastStallTick;
    Clock::duration m_maxStall{};
};
