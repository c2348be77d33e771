#include "app/TourControl.h"

#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>

#include "platform/Log.h"
#include "wall/StoredTour.h"

namespace nimbrel {

TourControl::TourControl(CCanvas& canvas, std::filesystem::path file, int wall,
                         OpenGroup openGroup, ListGroups listGroups, QObject* parent)
    : QObject(parent),
      canvas_(canvas),
      file_(std::move(file)),
      wall_(wall),
      openGroup_(std::move(openGroup)),
      listGroups_(std::move(listGroups)),
      tour_(canvas) {
    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, &TourControl::Step);
}

void TourControl::Restore(bool start) {
    const WallTour::Settings stored =
        file_.empty() ? WallTour::Settings{} : ReadStoredTour(file_, wall_);
    tour_.SetInterval(stored.intervalSeconds, WallTour::Clock::now());
    tour_.SetSource(stored.group, {});
    groupPending_ = stored.group.has_value();
    if (stored.running || start) Start();
}

void TourControl::Toggle() {
    if (Running())
        Stop();
    else
        Start();
}

void TourControl::Start() {
    if (groupPending_) TakeGroup();
    tour_.Start(WallTour::Clock::now());
    timer_.start();
    Save();
    NoteChange();
}

void TourControl::Stop() {
    tour_.Stop();
    timer_.stop();
    Save();
    NoteChange();
}

bool TourControl::TogglePause() {
    if (!Running()) return false;
    tour_.TogglePause(WallTour::Clock::now());
    NoteChange();
    return true;
}

void TourControl::Pause() {
    if (Running() && !tour_.PausedByUser()) TogglePause();
}

void TourControl::SetInterval(int seconds) {
    tour_.SetInterval(seconds, WallTour::Clock::now());
    Save();
    NoteChange();
}

void TourControl::TourGroup(std::optional<int32_t> gid) {
    tour_.SetSource(gid, {});
    groupPending_ = gid.has_value();
    Start();
}

bool TourControl::TakeGroup() {
    const std::optional<int32_t> gid = tour_.Current().group;
    if (!gid) {
        groupPending_ = false;
        return true;
    }
    GroupCameras group = openGroup_ ? openGroup_(*gid) : GroupCameras{};
    if (!group.ready) return false;
    groupPending_ = false;
    if (!group.exists) {
        // The group went away: the tour shows the whole wall.
        tour_.SetSource(std::nullopt, {});
        Save();
        return true;
    }
    canvas_.GatherFirst(group.cameras);
    tour_.SetSource(gid, std::move(group.cameras));
    return true;
}

void TourControl::Step() {
    if (groupPending_) TakeGroup();
    tour_.Step(WallTour::Clock::now());
    NoteChange();
}

void TourControl::Save() const {
    if (file_.empty()) return;
    if (!WriteStoredTour(file_, wall_, tour_.Current()))
        NLOG_ERROR("TourControl: the tour could not be saved to " << file_);
}

void TourControl::NoteChange() {
    const QString text = CountdownText();
    if (text == shownText_ && Running() == shownRunning_) return;
    shownText_ = text;
    shownRunning_ = Running();
    emit Changed();
}

QString TourControl::CountdownText() const {
    if (!Running()) return {};
    if (Paused()) return tr("пауза");
    const std::optional<int> left = tour_.SecondsLeft(WallTour::Clock::now());
    return left ? tr("%1 с").arg(*left) : QString();
}

QString TourControl::ButtonTip() const {
    return Running() ? tr("Остановить обход (T)") : tr("Обход страниц (T)");
}

void TourControl::ShowMenu(const QPoint& globalPos, QWidget* parent) {
    QMenu menu(parent);
    QAction* toggle = menu.addAction(Running() ? tr("Остановить обход") : tr("Запустить обход"));
    connect(toggle, &QAction::triggered, this, &TourControl::Toggle);
    if (Running()) {
        QAction* pause =
            menu.addAction(tour_.PausedByUser() ? tr("Продолжить обход") : tr("Пауза"));
        pause->setShortcut(QKeySequence(Qt::Key_Space));
        connect(pause, &QAction::triggered, this, [this] { TogglePause(); });
    }
    menu.addSeparator();

    QMenu* intervals = menu.addMenu(tr("Смена страницы"));
    const int current = tour_.Current().intervalSeconds;
    auto* intervalGroup = new QActionGroup(intervals);
    for (const int seconds : kMenuIntervals) {
        QAction* item = intervals->addAction(tr("через %1 с").arg(seconds));
        item->setCheckable(true);
        item->setChecked(seconds == current);
        intervalGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, seconds] { SetInterval(seconds); });
    }
    intervals->addSeparator();
    QAction* other = intervals->addAction(tr("Другой интервал…"));
    connect(other, &QAction::triggered, this, [this, parent] { AskInterval(parent); });

    QMenu* sources = menu.addMenu(tr("Показывать"));
    auto* sourceGroup = new QActionGroup(sources);
    const std::optional<int32_t> group = tour_.Current().group;
    QAction* all = sources->addAction(tr("Все страницы стены"));
    all->setCheckable(true);
    all->setChecked(!group);
    sourceGroup->addAction(all);
    connect(all, &QAction::triggered, this, [this] { TourGroup(std::nullopt); });
    const std::vector<Group> groups = listGroups_ ? listGroups_() : std::vector<Group>{};
    if (!groups.empty()) sources->addSeparator();
    for (const Group& g : groups) {
        QAction* item = sources->addAction(tr("Камеры группы «%1»").arg(g.name));
        item->setCheckable(true);
        item->setChecked(group == g.gid);
        sourceGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, gid = g.gid] { TourGroup(gid); });
    }
    menu.exec(globalPos);
}

void TourControl::AskInterval(QWidget* parent) {
    bool ok = false;
    const int seconds = QInputDialog::getInt(
        parent, tr("Обход страниц"),
        tr("Смена страницы через, секунд (%1–%2):")
            .arg(WallTour::kMinSeconds)
            .arg(WallTour::kMaxSeconds),
        tour_.Current().intervalSeconds, WallTour::kMinSeconds, WallTour::kMaxSeconds, 1, &ok);
    if (ok) SetInterval(seconds);
}

}  // namespace nimbrel
