#include "ui/traffic/traffic_window.h"

#include "ui/controls/announce.h"

#include "ops/jobs/raw_command.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/shell/file_error_text.h"
#include "ui/shell/message_box.h"
#include "ui/shell/screen_fit.h"
#include "ui/shell/settings_store.h"
#include "ui/traffic/traffic_model.h"
#include "ui/traffic/traffic_session.h"
#include "ui/traffic/traffic_settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <set>

namespace {

constexpr int kFilterDelayMs = 200;

}  // namespace

TrafficWindow::TrafficWindow(TrafficSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session) {
    setObjectName(QStringLiteral("TrafficWindow"));
    BuildControls();
    RetranslateUi();
    const QString stored = SettingsStore::GetProfileString(traffic_settings::kHistory, QString());
    m_history = stored.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    while (m_history.size() > traffic_settings::kHistoryLength) m_history.removeFirst();

    TrafficModel& model = m_session.Model();
    connect(&model, &TrafficModel::CountsChanged, this, [this] { UpdateStatus(); });
    connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = m_table->verticalScrollBar();
        m_atEnd = bar->value() >= bar->maximum();
    });
    connect(&model, &QAbstractItemModel::rowsInserted, this, [this] { FollowEnd(); });
    connect(&m_session, &TrafficSession::StateChanged, this, [this] { UpdateState(); });
    connect(&m_session, &TrafficSession::RawCommandDone, this, [this](const QString& text, int status, int lines) {
        if (status == 0)
            ShowResult(tr("%1: final reply after %n line(s).", nullptr, lines).arg(text));
        else if (status == 4)
            ShowResult(tr("%1: no final reply within %2 ms, %n line(s).", nullptr, lines)
                           .arg(text, QString::number(RawCommandRecord::kTimeoutMs)));
        else
            ShowResult(tr("%1: the link closed before a reply.").arg(text));
    });
    UpdateState();
    UpdateStatus();
}

void TrafficWindow::BuildControls() {
    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("trafficPause"));
    m_pause->setCheckable(true);
    m_clear = new QPushButton(this);
    m_clear->setObjectName(QStringLiteral("trafficClear"));
    m_filterLabel = new QLabel(this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("trafficFilter"));
    m_filter->setClearButtonEnabled(true);
    m_filterLabel->setBuddy(m_filter);
    m_hideScan = new QCheckBox(this);
    m_hideScan->setObjectName(QStringLiteral("trafficHideScan"));
    m_logCheck = new QCheckBox(this);
    m_logCheck->setObjectName(QStringLiteral("trafficLogCheck"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("trafficSaveAs"));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("trafficTable"));
    m_table->setModel(&m_session.Model());
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->setTabKeyNavigation(false);  // Tab goes on to the next control
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(TrafficModel::ColTime, 80);
    m_table->setColumnWidth(TrafficModel::ColDirection, 70);
    m_table->setColumnWidth(TrafficModel::ColText, 320);
    auto* copy = new QAction(m_table);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { CopySelection(); });
    m_session.Model().SetPalette(m_table->palette());

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("trafficStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);  // counts and notes may outgrow the window's width
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("trafficResult"));
    m_result->setTextFormat(Qt::PlainText);  // holds the device's text
    m_command = new QLineEdit(this);
    m_command->setObjectName(QStringLiteral("trafficCommand"));
    m_command->installEventFilter(this);
    m_send = new QPushButton(this);
    m_send->setObjectName(QStringLiteral("trafficSend"));

    auto* top = new QHBoxLayout;
    top->addWidget(m_pause);
    top->addWidget(m_clear);
    top->addSpacing(8);
    top->addWidget(m_filterLabel);
    top->addWidget(m_filter, 1);
    top->addWidget(m_hideScan);
    top->addWidget(m_logCheck);
    top->addWidget(m_save);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_command, 1);
    bottom->addWidget(m_send);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addLayout(bottom);
    layout->addWidget(m_result);

    TrafficModel& model = m_session.Model();
    connect(m_pause, &QPushButton::toggled, this, [&model](bool on) { model.SetPaused(on); });
    connect(m_clear, &QPushButton::clicked, this, [&model] { model.Clear(); });
    // Filtering a full ring takes a moment: it waits until the typing pauses.
    auto* filterDelay = new QTimer(this);
    filterDelay->setSingleShot(true);
    filterDelay->setInterval(kFilterDelayMs);
    connect(m_filter, &QLineEdit::textChanged, filterDelay, qOverload<>(&QTimer::start));
    connect(filterDelay, &QTimer::timeout, this, [this, &model] { model.SetFilterText(m_filter->text()); });
    connect(m_hideScan, &QCheckBox::toggled, this, [&model](bool on) { model.SetHideScanReports(on); });
    m_logCheck->setChecked(!m_session.LogPath().isEmpty());
    connect(m_logCheck, &QCheckBox::toggled, this, [this](bool on) { OnLogCheck(on); });
    connect(m_save, &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(m_command, &QLineEdit::returnPressed, this, [this] { OnSend(); });
    connect(m_send, &QPushButton::clicked, this, [this] { OnSend(); });
}

void TrafficWindow::RetranslateUi() {
    setWindowTitle(tr("Traffic"));
    m_pause->setText(tr("&Pause"));
    m_clear->setText(tr("C&lear"));
    m_filterLabel->setText(tr("&Filter:"));
    m_hideScan->setText(tr("&Hide scan reports"));
    m_logCheck->setText(tr("Lo&g to file"));
    m_save->setText(tr("&Save as..."));
    m_send->setText(tr("Se&nd"));
    m_command->setPlaceholderText(tr("AT command, sent with CR"));
    m_command->setAccessibleName(tr("Command"));
    m_table->setAccessibleName(tr("Traffic"));
    m_table->setAccessibleDescription(
        tr("Every line on the wire: time since the port opened, direction, text and what was done with it."));
    m_status->setAccessibleName(tr("Line counts"));
    m_save->setAccessibleDescription(tr("Writes the lines shown to a text file."));
    const QString path = m_session.LogPath().isEmpty() ? TrafficSession::DefaultLogPath() : m_session.LogPath();
    m_logCheck->setToolTip(tr("Appends every line to %1 from the moment the port opens.").arg(path));
    UpdateStatus();
}

void TrafficWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    // The window hears of a new palette before its children take it on.
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange) m_session.Model().SetPalette(palette());
    QWidget::changeEvent(e);
}

void TrafficWindow::ShowResult(const QString& text) {
    m_result->setText(text);
    AnnounceStatus(m_result, tr("Command result"), text);
}

void TrafficWindow::keyPressEvent(QKeyEvent* e) {
    // Escape closes this secondary window, as it would a dialog.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        close();
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TrafficWindow::ShowBeside(QWidget* mainWindow) {
    const bool place = !m_placed && mainWindow;
    if (place) {
        m_placed = true;
        resize(720, std::max(420, mainWindow->frameGeometry().height()));
        const QRect frame = mainWindow->frameGeometry();
        // Right of the main window, else left of it when only that has room;
        // on a small screen the two overlap rather than leave the screen.
        int x = frame.right() + 8;
        if (const QScreen* screen = mainWindow->screen()) {
            const QRect area = screen->availableGeometry();
            if (x + width() > area.right() + 1 && frame.left() - 8 - width() >= area.left())
                x = frame.left() - 8 - width();
        }
        move(x, frame.top());
        KeepOnScreen(this);
    }
    show();
    if (place) KeepOnScreen(this);  // again with the frame the window now has
    raise();
    activateWindow();
}

void TrafficWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    emit Hidden();
}

void TrafficWindow::UpdateState() {
    const bool can = m_session.CanSend();
    m_command->setEnabled(can);
    m_send->setEnabled(can);
    if (m_logCheck->isChecked() != !m_session.LogPath().isEmpty()) {
        const QSignalBlocker block(m_logCheck);
        m_logCheck->setChecked(!m_session.LogPath().isEmpty());
    }
}

void TrafficWindow::UpdateStatus() {
    const TrafficModel& model = m_session.Model();
    QString text = tr("%1 shown, %2 kept, %3 dropped (the newest %4 are kept)")
                       .arg(model.rowCount())
                       .arg(model.Kept())
                       .arg(model.Dropped())
                       .arg(traffic::TrafficRing::kDefaultCapacity);
    if (const uint64_t unseen = m_session.DroppedWhileClosed(); unseen > 0) {
        text += QStringLiteral("; ") + tr("%1 dropped while the view was closed (the newest %2 are kept then)")
                                           .arg(unseen)
                                           .arg(TrafficSession::kBacklogLines);
    }
    if (model.Paused()) text += QStringLiteral("; ") + tr("paused, %1 new").arg(model.HeldWhilePaused());
    m_status->setText(text);
}

void TrafficWindow::FollowEnd() {
    if (m_atEnd) m_table->scrollToBottom();
}

void TrafficWindow::OnSend() {
    const QString text = m_command->text();
    switch (CheckRawCommand(text.toStdString())) {
    case RawCommandCheck::Empty:
        return;
    case RawCommandCheck::ControlChar:
        ShowResult(tr("Not sent: the command holds a control character."));
        return;
    case RawCommandCheck::TooLong:
        ShowResult(tr("Not sent: the command is longer than %1 bytes.").arg(RawCommandRecord::kMaxBytes));
        return;
    case RawCommandCheck::Ok:
        break;
    }
    if (RawCommandChangesLink(text.toStdString())) {
        const QString question =
            tr("\"%1\" restarts the module or changes its serial settings; the manager identifies it again "
               "afterwards. Send it?")
                .arg(text);
        if (MessageBoxSeam::Show(this, question, QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel) !=
            QMessageBox::Ok)
            return;
    }
    RememberCommand(text);
    if (m_session.Send(text)) {
        ShowResult(tr("%1: waiting for the reply...").arg(text));
        m_command->clear();
    }
}

void TrafficWindow::RememberCommand(const QString& text) {
    m_history.removeAll(text);
    m_history.append(text);
    while (m_history.size() > traffic_settings::kHistoryLength) m_history.removeFirst();
    m_historyPos = -1;
    SettingsStore::WriteProfileString(traffic_settings::kHistory, m_history.join(QLatin1Char('\n')));
}

void TrafficWindow::BrowseHistory(int step) {
    if (m_history.isEmpty()) return;
    int pos = m_historyPos < 0 ? static_cast<int>(m_history.size()) : m_historyPos;
    pos += step;
    if (pos < 0) pos = 0;
    if (pos >= m_history.size()) {
        m_historyPos = -1;
        m_command->clear();
        return;
    }
    m_historyPos = pos;
    m_command->setText(m_history[pos]);
}

bool TrafficWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_command && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            BrowseHistory(key == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TrafficWindow::CopySelection() const {
    std::set<int> rows;
    for (const QModelIndex& i : m_table->selectionModel()->selectedIndexes()) rows.insert(i.row());
    QStringList lines;
    for (int r : rows) lines << m_session.Model().RowText(r);
    if (!lines.isEmpty()) QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool TrafficWindow::SaveTo(const QString& path, QString* error) const {
    const TrafficModel& model = m_session.Model();
    QByteArray text;
    for (int r = 0; r < model.rowCount(); ++r) {
        text += model.RowText(r).toUtf8();
        text += '\n';
    }
    // All or nothing: a failed save leaves what was there before.
    const file_io::Error e = WriteWholeFile(path, text);
    if (e && error) *error = FileErrorText(e);
    return !e;
}

void TrafficWindow::OnSaveAs() {
    const QString path =
        FileDialogSeam::Ask(this, {FileDialogSeam::Mode::Save, tr("Save traffic as"), QStringLiteral("traffic.txt"),
                                   tr("Text files (*.txt);;All files (*)"), QStringLiteral("traffic")});
    if (path.isEmpty()) return;
    QString error;
    if (!SaveTo(path, &error))
        MessageBoxSeam::Show(this, tr("Cannot write %1: %2").arg(path, error), QMessageBox::Critical);
}

void TrafficWindow::OnLogCheck(bool on) {
    QString error;
    if (!m_session.SetRememberedLog(on, &error))
        MessageBoxSeam::Show(this, tr("Cannot write %1: %2").arg(TrafficSession::DefaultLogPath(), error),
                             QMessageBox::Critical);
}
