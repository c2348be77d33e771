#include "archive/ui/ArchiveWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>
#include <filesystem>
#include <set>

#include "archive/ArchiveSpans.h"
#include "archive/LocalTime.h"
#include "archive/RecordingName.h"
#include "archive/ui/ArchiveTimelineWidget.h"
#include "playback/ui/CPlaybkCanvas.h"
#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"

namespace nimbrel {

using namespace archive;
namespace fs = std::filesystem;

namespace {

constexpr int kBandHeight = 36;
constexpr int kSyncMs = 100;
constexpr int64_t kJumpMs = 10000;
constexpr int64_t kExportDefaultMs = 60000;  // from the played time, without a marked span

constexpr const char* kListStyle =
    "QListWidget { border: 1px solid rgb(64,155,228); background: white; color: rgb(60,60,60);"
    " font-size: 13px; outline: none; }"
    "QListWidget::item:selected { background: rgb(64,155,228); color: white; }";

// A snapshot's name "YYYY-MM-DD-hh-mm-ss-<sid>.bmp" read like a recording's.
std::optional<RecordingName> SnapshotName(const std::string& file) {
    if (!file.ends_with(".bmp")) return std::nullopt;
    return ParseRecordingName(file.substr(0, file.size() - 4) + ".mp4");
}

}  // namespace

ArchiveWindow::ArchiveWindow(ArchiveKeeper& keeper, std::string snapshotFolder, std::string sid,
                             QWidget* parent)
    : FramedDialog(parent, kBandHeight),
      keeper_(keeper),
      snapshotFolder_(std::move(snapshotFolder)),
      preferredSid_(std::move(sid)),
      player_(keeper.Index()),
      timeline_(new ArchiveTimelineWidget(this)),
      canvas_(new CPlaybkCanvas(this)),
      days_(new QListWidget(this)),
      snapshots_(new QListWidget(this)),
      playPause_(new FlatButton(tr("Пауза"), FlatButton::Scheme::Primary, this)),
      back_(new FlatButton(tr("−10 с"), FlatButton::Scheme::Secondary, this)),
      forward_(new FlatButton(tr("+10 с"), FlatButton::Scheme::Secondary, this)),
      step_(new FlatButton(tr("Кадр ▸"), FlatButton::Scheme::Secondary, this)),
      speed_(new QComboBox(this)),
      kept_(new QCheckBox(tr("Хранить всегда"), this)),
      export_(new FlatButton(tr("Сохранить фрагмент…"), FlatButton::Scheme::Secondary, this)),
      cancel_(new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this)),
      progress_(new QProgressBar(this)),
      time_(new QLabel(this)),
      status_(new QLabel(this)) {
    setWindowTitle(tr("Архив записей"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    days_->setObjectName(QStringLiteral("days"));
    snapshots_->setObjectName(QStringLiteral("snapshots"));
    canvas_->setObjectName(QStringLiteral("video"));
    timeline_->setObjectName(QStringLiteral("timeline"));
    for (QListWidget* list : {days_, snapshots_}) {
        list->setStyleSheet(QString::fromLatin1(kListStyle));
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    days_->setFixedWidth(150);
    snapshots_->setFixedWidth(220);
    for (const double s : ArchivePlayer::kSpeeds)
        speed_->addItem(s == 0.5 ? QStringLiteral("½×") : QStringLiteral("%1×").arg(s), s);
    speed_->setCurrentIndex(1);
    speed_->setToolTip(tr("Скорость"));
    progress_->setRange(0, 1000);
    progress_->setFixedWidth(160);
    progress_->hide();
    cancel_->hide();
    time_->setMinimumWidth(150);
    status_->setStyleSheet(QStringLiteral("color: #707070;"));
    for (FlatButton* b : {playPause_, back_, forward_, step_, export_, cancel_})
        b->setAutoDefault(false);
    for (FlatButton* b : {back_, forward_, step_}) b->setFixedWidth(80);
    playPause_->setFixedWidth(130);
    export_->setFixedWidth(190);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(new QLabel(tr("Дни с записями"), this));
    leftColumn->addWidget(days_, 1);
    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(new QLabel(tr("Скриншоты дня"), this));
    rightColumn->addWidget(snapshots_, 1);
    auto* controls = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{back_, playPause_, forward_, step_, speed_,
                                                      time_})
        controls->addWidget(w);
    controls->addStretch(1);
    auto* keeping = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{kept_, export_, progress_, cancel_})
        keeping->addWidget(w);
    keeping->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(canvas_, 1);
    middle->addLayout(controls);
    middle->addLayout(keeping);
    auto* top = new QHBoxLayout;
    top->addLayout(leftColumn);
    top->addLayout(middle, 1);
    top->addLayout(rightColumn);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(10, kBandHeight + 8, 10, 8);
    all->addLayout(top, 1);
    all->addWidget(timeline_);
    all->addWidget(status_);

    canvas_->SetSurface(&player_.Surface());
    connect(days_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row >= static_cast<int>(dayStarts_.size())) return;
        dayPicked_ = true;
        ShowDay(dayStarts_[static_cast<std::size_t>(row)]);
    });
    connect(snapshots_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        PlayFrom(item->data(Qt::UserRole).toString().toStdString(),
                 item->data(Qt::UserRole + 1).toLongLong());
    });
    connect(timeline_, &ArchiveTimelineWidget::PlayRequested, this,
            [this](const QString& sid, qint64 t) { PlayFrom(sid.toStdString(), t); });
    connect(playPause_, &QPushButton::clicked, this, &ArchiveWindow::OnPlayPause);
    connect(back_, &QPushButton::clicked, this,
            [this] { player_.Seek(player_.PositionMs() - kJumpMs); });
    connect(forward_, &QPushButton::clicked, this,
            [this] { player_.Seek(player_.PositionMs() + kJumpMs); });
    connect(step_, &QPushButton::clicked, this, [this] { player_.StepFrame(); });
    connect(speed_, &QComboBox::currentIndexChanged, this,
            [this](int) { player_.SetSpeed(speed_->currentData().toDouble()); });
    connect(kept_, &QCheckBox::clicked, this, &ArchiveWindow::OnKept);
    connect(export_, &QPushButton::clicked, this, &ArchiveWindow::OnExport);
    connect(cancel_, &QPushButton::clicked, this, [this] { exportProgress_.cancel = true; });

    sync_.setInterval(kSyncMs);
    connect(&sync_, &QTimer::timeout, this, &ArchiveWindow::Sync);
    sync_.start();
    setMinimumSize(900, 600);
    resize(1180, 760);
    // Files recorded or changed since the index last looked are found in the background; an
    // indexing under way shows at once.
    keeper_.SyncSoon();
    Reload();
    Sync();
}

ArchiveWindow::~ArchiveWindow() {
    sync_.stop();
    exportProgress_.cancel = true;
    if (exportThread_.joinable()) exportThread_.join();
    canvas_->SetSurface(nullptr);
    player_.Stop();
}

void ArchiveWindow::done(int result) {
    sync_.stop();
    player_.Stop();
    FramedDialog::done(result);
}

void ArchiveWindow::SetCameraNames(std::function<std::string(const std::string&)> nameOf) {
    timeline_->SetNames(std::move(nameOf));
}

void ArchiveWindow::Reload() {
    changesSeen_ = keeper_.Changes();
    const auto rows = keeper_.Index().Files(keeper_.Root());
    std::set<int64_t> days;
    for (const FileRow& row : rows) {
        if (!row.Playable()) continue;
        for (int64_t d = DayStart(row.startMs); d < row.EndMs(); d += kDayMs) days.insert(d);
    }
    std::vector<int64_t> starts(days.rbegin(), days.rend());  // newest first
    if (starts != dayStarts_) {
        dayStarts_ = starts;
        const QSignalBlocker quiet(days_);
        days_->clear();
        for (const int64_t d : dayStarts_) days_->addItem(QString::fromStdString(DayText(d)));
    }
    if (dayStarts_.empty()) {
        timeline_->SetDay(DayStart(LocalNowMs()), {});
        return;
    }
    // The day the user picked stays shown; until then the newest one (a day recorded since the
    // window opened comes first).
    const auto shown = dayPicked_ ? std::find(dayStarts_.begin(), dayStarts_.end(), day_)
                                  : dayStarts_.end();
    const int row = shown == dayStarts_.end() ? 0 : static_cast<int>(shown - dayStarts_.begin());
    {
        const QSignalBlocker quiet(days_);
        days_->setCurrentRow(row);
    }
    ShowDay(dayStarts_[static_cast<std::size_t>(row)]);
}

void ArchiveWindow::ShowDay(int64_t dayStartMs) {
    day_ = dayStartMs;
    const auto rows = keeper_.Index().Files(keeper_.Root(), {}, day_, day_ + kDayMs);
    timeline_->SetDay(day_, ArchiveTimeline(day_, 1).Rows(JoinSpans(rows)));
    snapshots_->clear();
    std::error_code ec;
    const fs::path folder = fs::path(snapshotFolder_) / DayText(day_);
    std::vector<std::pair<int64_t, std::string>> found;
    for (fs::directory_iterator f(folder, ec), end; !ec && f != end; f.increment(ec))
        if (const auto name = SnapshotName(f->path().filename().string()))
            found.emplace_back(name->startMs, name->sid);
    std::sort(found.begin(), found.end());
    for (const auto& [t, sid] : found) {
        auto* item = new QListWidgetItem(
            QString::fromStdString(ClockText(t) + "  " + sid), snapshots_);
        item->setData(Qt::UserRole, QString::fromStdString(sid));
        item->setData(Qt::UserRole + 1, static_cast<qlonglong>(t));
    }
}

void ArchiveWindow::PlayFrom(const std::string& sid, int64_t timeMs) {
    if (sid == player_.Sid() && player_.State() != ArchivePlayer::kIdle) {
        player_.Seek(timeMs);
    } else {
        player_.Play(keeper_.Root(), sid, timeMs);
        player_.SetSpeed(speed_->currentData().toDouble());
    }
    timeline_->SetPlayed(sid, timeMs);
    playPause_->setText(tr("Пауза"));
    canvas_->SetPlayState(CPlaybkCanvas::kPlaying);
}

void ArchiveWindow::OnPlayPause() {
    if (player_.State() == ArchivePlayer::kPaused) {
        player_.Resume();
        playPause_->setText(tr("Пауза"));
    } else if (player_.State() == ArchivePlayer::kPlaying) {
        player_.Pause();
        playPause_->setText(tr("Воспроизвести"));
    }
}

void ArchiveWindow::OnKept(bool kept) {
    const std::string file = player_.CurrentFile();
    if (file.empty() || !keeper_.Index().SetKept(file, kept)) {
        kept_->setChecked(!kept);
        return;
    }
    ShowDay(day_);
}

void ArchiveWindow::OnExport() {
    if (Exporting() || player_.Sid().empty()) return;
    int64_t from = player_.PositionMs(), to = from + kExportDefaultMs;
    if (const auto marked = timeline_->Marked()) std::tie(from, to) = *marked;
    const QString suggested =
        QDir::home().filePath(QString::fromStdString(TimeText(from)).replace(':', '-') +
                              QStringLiteral("-") + QString::fromStdString(player_.Sid()) +
                              QStringLiteral(".mp4"));
    const QString file = QFileDialog::getSaveFileName(this, tr("Сохранить фрагмент"), suggested,
                                                      tr("Видео MP4 (*.mp4)"));
    if (!file.isEmpty()) ExportTo(file, from, to);
}

bool ArchiveWindow::ExportTo(const QString& file, int64_t fromMs, int64_t toMs) {
    if (Exporting() || player_.Sid().empty()) return false;
    if (exportThread_.joinable()) exportThread_.join();
    ExportRequest request{keeper_.Root(), player_.Sid(), fromMs, toMs, file.toStdString()};
    exportProgress_.cancel = false;
    exportProgress_.doneMs = 0;
    exportProgress_.totalMs = toMs - fromMs;
    exportDone_ = false;
    exportFile_ = file;
    progress_->setValue(0);
    progress_->show();
    cancel_->show();
    export_->setEnabled(false);
    exportThread_ = std::thread([this, request] {
        exportResult_ = ExportSpan(keeper_.Index(), request, &exportProgress_);
        exportDone_ = true;
    });
    return true;
}

void ArchiveWindow::FinishExport() {
    exportThread_.join();
    progress_->hide();
    cancel_->hide();
    export_->setEnabled(true);
    if (exportResult_.ok)
        status_->setText(tr("Сохранено: %1 (%2 с)")
                             .arg(exportFile_)
                             .arg(exportResult_.durationMs / 1000.0, 0, 'f', 1));
    else
        status_->setText(CoreText(exportResult_.error));
}

QString ArchiveWindow::StatusText() const {
    return status_->text();
}

void ArchiveWindow::Sync() {
    const auto& progress = keeper_.SyncProgress();
    const bool running = progress.running;
    if (running && progress.total == 0)
        status_->setText(tr("Индексация записей…"));  // the folder is being listed
    else if (running)
        status_->setText(tr("Индексация записей: %1 из %2")
                             .arg(progress.done.load())
                             .arg(progress.total.load()));
    else if (syncWasRunning_)
        status_->clear();
    // Files found, read again or deleted (retention, another window) since the last look.
    if (!running && keeper_.Changes() != changesSeen_) Reload();
    syncWasRunning_ = running;
    if (Exporting()) {
        const int64_t total = std::max<int64_t>(1, exportProgress_.totalMs);
        progress_->setValue(static_cast<int>(exportProgress_.doneMs * 1000 / total));
    } else if (exportThread_.joinable()) {
        FinishExport();
    }
    const int state = player_.State();
    if (state == ArchivePlayer::kIdle) return;
    const int64_t at = player_.PositionMs();
    if (at > 0) {
        time_->setText(QString::fromStdString(TimeText(at)));
        timeline_->SetPlayed(player_.Sid(), at);
    }
    playPause_->setText(state == ArchivePlayer::kPaused ? tr("Воспроизвести") : tr("Пауза"));
    step_->setEnabled(state == ArchivePlayer::kPaused);
    if (const auto row = keeper_.Index().Find(player_.CurrentFile())) kept_->setChecked(row->kept);
}

void ArchiveWindow::PaintBand(QPainter& p, const QRect& band) {
    QFont f = font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(240, 240, 240));
    p.drawText(band.adjusted(10, 0, -80, 0), Qt::AlignVCenter | Qt::AlignLeft,
               tr("Архив записей"));
}

void ArchiveWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
            OnPlayPause();
            return;
        case Qt::Key_Left:
            player_.Seek(player_.PositionMs() - kJumpMs);
            return;
        case Qt::Key_Right:
            player_.Seek(player_.PositionMs() + kJumpMs);
            return;
        case Qt::Key_Period:
            player_.StepFrame();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return;
        default:
            FramedDialog::keyPressEvent(event);
    }
}

}  // namespace nimbrel
