// The traffic window: every line on the wire, a command line at the bottom,
// pause, clear, filter, copy, "Save as..." and the log-file switch. Non-modal,
// beside the main window.
#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TrafficSession;

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    TrafficWindow(TrafficSession& session, QWidget* parent);

    void ShowBeside(QWidget* mainWindow);
    // Writes every shown row to a UTF-8 file; false with the reason on failure.
    bool SaveTo(const QString& path, QString* error = nullptr) const;
    // Puts the selected rows on the clipboard, as files have them (Ctrl+C).
    void CopySelection() const;

signals:
    void Hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildControls();
    void RetranslateUi();
    void UpdateState();
    void UpdateStatus();
    void OnSend();
    // The command line's outcome, also told to assistive technology.
    void ShowResult(const QString& text);
    void OnSaveAs();
    void OnLogCheck(bool on);
    void RememberCommand(const QString& text);
    void BrowseHistory(int step);
    void FollowEnd();

    TrafficSession& m_session;
    QTableView* m_table = nullptr;
    QPushButton* m_pause = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_filterLabel = nullptr;
    QLineEdit* m_filter = nullptr;
    QCheckBox* m_hideScan = nullptr;
    QCheckBox* m_logCheck = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_result = nullptr;
    QLineEdit* m_command = nullptr;
    QPushButton* m_send = nullptr;
    QStringList m_history;  // oldest first
    int m_historyPos = -1;  // -1: not browsing
    bool m_atEnd = true;
    bool m_placed = false;
};
