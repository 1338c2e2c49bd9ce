#include "ui/station/station_window.h"

#include "link/file_io.h"
#include "ops/profiles/profile.h"
#include "ops/station/sha256.h"
#include "ui/controls/palette_colors.h"
#include "ui/shell/file_dialog_seam.h"
#include "ui/station/station_model.h"
#include "ui/station/station_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <filesystem>
#include <utility>

namespace {

std::string Local(const QString& s) { return s.toUtf8().toStdString(); }
QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QLabel* Counter(const QString& objectName) {
    auto* label = new QLabel(QStringLiteral("0"));
    label->setObjectName(objectName);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 3);
    f.setBold(true);
    label->setFont(f);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Green and red where they stand out from the window, else moved towards its text colour.
void Tint(QLabel* label, const QColor& wanted, const QPalette& window) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText,
               palette_colors::Readable(wanted, window.color(QPalette::Window), window.color(QPalette::WindowText)));
    label->setPalette(p);
}

}  // namespace

QString StationWindow::MenuText() { return StationTr("&Provisioning station..."); }

StationWindow::StationWindow(std::function<std::string()> connectedPort, std::function<void()> takeProfile,
                             QWidget* parent)
    : QDialog(parent), m_connectedPort(std::move(connectedPort)) {
    setWindowTitle(StationTr("Provisioning station"));
    setObjectName(QStringLiteral("stationWindow"));
    m_model = new StationModel(this);

    auto* form = new QFormLayout;
    auto field = [&](QLineEdit*& edit, const char* name, const QString& label, bool browse, bool save,
                     const QString& filter) {
        edit = new QLineEdit;
        edit->setObjectName(QLatin1String(name));
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        if (browse) {
            auto* b = new QPushButton(StationTr("Browse..."));
            b->setObjectName(QLatin1String(name) + QStringLiteral("Browse"));
            connect(b, &QPushButton::clicked, this, [this, edit, save, filter] { Browse(edit, save, filter); });
            row->addWidget(b);
        }
        form->addRow(label, row);
    };
    const QString json = StationTr("Settings profiles (*.json)");
    field(m_profile, "stationProfile", StationTr("&Profile:"), true, false, json);
    if (takeProfile) {
        // The module on the desk, set up by hand, becomes what every module gets.
        m_takeProfile = new QPushButton(StationTr("From &connected module..."));
        m_takeProfile->setObjectName(QStringLiteral("stationTakeProfile"));
        connect(m_takeProfile, &QPushButton::clicked, this, std::move(takeProfile));
        form->addRow(QString(), m_takeProfile);
    }
    field(m_template, "stationTemplate", StationTr("&Name template:"), false, false, {});
    m_template->setPlaceholderText(StationTr("e.g. KST-{addr4} or node-{seq:03}"));
    field(m_table, "stationTable", StationTr("Module &table:"), true, false, StationTr("CSV files (*.csv)"));
    m_refuseMissing = new QCheckBox(StationTr("&Refuse modules the table lacks"));
    m_refuseMissing->setObjectName(QStringLiteral("stationRefuseMissing"));
    form->addRow(QString(), m_refuseMissing);
    field(m_log, "stationLog", StationTr("&Record file:"), true, true, StationTr("Records (*.jsonl *.csv)"));
    field(m_folder, "stationFolder", StationTr("&Watch folder:"), false, false, {});
    m_folder->setPlaceholderText(StationTr("empty: the system's serial ports"));
    m_again = new QCheckBox(StationTr("Write modules already &done again"));
    m_again->setObjectName(QStringLiteral("stationAgain"));
    m_sound = new QCheckBox(StationTr("&Sound on done and failed"));
    m_sound->setObjectName(QStringLiteral("stationSound"));
    form->addRow(QString(), m_again);
    form->addRow(QString(), m_sound);

    m_start = new QPushButton(StationTr("S&tart"));
    m_start->setObjectName(QStringLiteral("stationStart"));
    m_pause = new QPushButton(StationTr("P&ause"));
    m_pause->setObjectName(QStringLiteral("stationPause"));
    m_stop = new QPushButton(StationTr("St&op"));
    m_stop->setObjectName(QStringLiteral("stationStop"));
    connect(m_start, &QPushButton::clicked, this, [this] { StartStation(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { StopStation(); });
    connect(m_pause, &QPushButton::clicked, this, [this] {
        m_paused = !m_paused;
        if (m_station) {
            m_station->SetPaused(m_paused);
        }
        m_pause->setText(m_paused ? StationTr("Res&ume") : StationTr("P&ause"));
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_pause);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);

    m_done = Counter(QStringLiteral("stationDone"));
    m_failed = Counter(QStringLiteral("stationFailed"));
    Recolour();
    auto* counters = new QHBoxLayout;
    counters->addWidget(new QLabel(StationTr("Done")));
    counters->addWidget(m_done);
    counters->addSpacing(24);
    counters->addWidget(new QLabel(StationTr("Failed")));
    counters->addWidget(m_failed);
    counters->addStretch(1);

    m_view = new QTableView;
    m_view->setObjectName(QStringLiteral("stationPorts"));
    m_view->setModel(m_model);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->verticalHeader()->hide();

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("stationStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addLayout(counters);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_status);
    resize(760, 560);
    SetRunning(false);
}

StationWindow::~StationWindow() {
    if (m_station) {
        m_station->Stop(false);
    }
    if (m_stopper.joinable()) {
        m_stopper.join();
    }
}

void StationWindow::Recolour() {
    Tint(m_done, QColor(0x1B, 0x7F, 0x1B), palette());
    Tint(m_failed, QColor(0xB0, 0x10, 0x10), palette());
}

void StationWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        Recolour();
    }
    QDialog::changeEvent(event);
}

void StationWindow::Browse(QLineEdit* field, bool save, const QString& filter) {
    const QString path = FileDialogSeam::Ask(this, {save ? FileDialogSeam::Mode::Save : FileDialogSeam::Mode::Open,
                                                    windowTitle(), field->text(), filter, QStringLiteral("station")});
    if (!path.isEmpty()) {
        field->setText(path);
    }
}

void StationWindow::UseProfile(const QString& path) {
    if (m_station) {
        return;  // the running station keeps the profile it started with
    }
    m_profile->setText(path);
    m_status->setText(StationTr("Profile taken from the connected module: %1").arg(QFileInfo(path).fileName()));
}

bool StationWindow::StartStation() {
    if (m_station || m_stopper.joinable()) {
        return false;
    }
    StationConfig config;
    const file_io::ReadResult read = file_io::ReadWholeFile(Local(m_profile->text()), profile::kMaxBytes);
    if (read.error) {
        m_status->setText(StationTr("Could not read the profile: %1").arg(Utf8(read.error.Text())));
        return false;
    }
    const profile::Parsed parsed = profile::Parse(read.data);
    if (!parsed.error.empty()) {
        m_status->setText(StationTr("This profile cannot be used:\n%1").arg(Utf8(parsed.error)));
        return false;
    }
    config.patch = parsed.patch;
    config.profileModel = parsed.model;
    config.profileName = std::filesystem::path(Local(m_profile->text())).filename().string();
    config.profileSha256 = Sha256Hex(read.data);
    config.nameTemplate = Local(m_template->text().trimmed());
    if (!m_table->text().isEmpty()) {
        auto table = std::make_shared<ModuleTable>();
        std::string error;
        if (!table->Load(Local(m_table->text()), error)) {
            m_status->setText(StationTr("The table cannot be used: %1").arg(Utf8(error)));
            return false;
        }
        config.table = table;
        config.refuseMissing = m_refuseMissing->isChecked();
    }
    if (m_log->text().isEmpty()) {
        m_status->setText(StationTr("Choose a record file first."));
        return false;
    }
    config.recordPath = Local(m_log->text());
    config.again = m_again->isChecked();
    if (!m_folder->text().isEmpty()) {
        config.watch.system = false;
        config.watch.dirs = {Local(m_folder->text())};
    }

    QPointer<StationWindow> self(this);
    m_station = std::make_unique<Station>(config, [self](const PortView& v) {
        // From the station's threads to the window thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self, v] {
                if (self) self->OnView(v);
            },
            Qt::QueuedConnection);
    });
    if (const std::string port = m_connectedPort ? m_connectedPort() : std::string(); !port.empty()) {
        std::error_code ec;
        const std::filesystem::path device = std::filesystem::canonical(port, ec);
        m_station->LeaveAlone(port, true);
        if (!ec) {
            m_station->LeaveAlone(device.string(), true);
        }
    }
    std::string error;
    if (!m_station->Start(error)) {
        m_station.reset();
        m_status->setText(Utf8(error));
        return false;
    }
    m_station->SetPaused(m_paused);
    m_model->Clear();
    m_doneCount = m_failedCount = 0;
    ShowCounts();
    m_status->setText(StationTr("Waiting for modules."));
    SetRunning(true);
    return true;
}

void StationWindow::StopStation() {
    if (!m_station || m_stopper.joinable()) {
        return;
    }
    m_status->setText(StationTr("Stopping: the modules in progress finish."));
    m_stop->setEnabled(false);
    m_pause->setEnabled(false);
    Station* station = m_station.get();
    QPointer<StationWindow> self(this);
    m_stopper = std::thread([station, self] {
        station->Stop(true);
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self) self->FinishStop();
            },
            Qt::QueuedConnection);
    });
}

void StationWindow::FinishStop() {
    if (m_stopper.joinable()) {
        m_stopper.join();
    }
    m_station.reset();
    m_status->setText(StationTr("Stopped."));
    SetRunning(false);
    if (std::exchange(m_closeAfterStop, false)) {
        close();
    }
}

void StationWindow::closeEvent(QCloseEvent* event) {
    if (m_station) {
        StopStation();
        m_closeAfterStop = true;
        event->ignore();  // closes once the modules in progress are done
        return;
    }
    QDialog::closeEvent(event);
}

void StationWindow::OnView(const PortView& view) {
    m_model->Apply(view);
    if (view.phase == PortPhase::Done) {
        ++m_doneCount;
    } else if (view.phase == PortPhase::Failed) {
        ++m_failedCount;
    } else {
        return;
    }
    ShowCounts();
    if (m_sound->isChecked()) {
        QApplication::beep();
        if (view.phase == PortPhase::Failed) {
            QApplication::beep();  // twice for a failure
        }
    }
}

void StationWindow::ShowCounts() {
    m_done->setText(QString::number(m_doneCount));
    m_failed->setText(QString::number(m_failedCount));
}

void StationWindow::SetRunning(bool running) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_profile, m_template, m_table, m_refuseMissing, m_log, m_folder, m_again}) {
        w->setEnabled(!running);
    }
    if (m_takeProfile) {
        m_takeProfile->setEnabled(!running);
    }
    m_start->setEnabled(!running);
    m_pause->setEnabled(running);
    m_stop->setEnabled(running);
}
