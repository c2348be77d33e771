// The tree's view side: painting, scrolling, hover, selection, dragging devices onto groups and
// the in-place group editor. The commands live in DeviceTreeWidgetCommands.cpp.
#include "devices/ui/DeviceTreeWidget.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include "devices/ui/GroupNameEditor.h"
#include "platform/RequestWorker.h"

namespace nimbrel {

DeviceTreeWidget::DeviceTreeWidget(DeviceTreeModel& model, DeviceList& list,
                                   DeviceThumbnails& thumbnails, TreeActions& actions,
                                   UserNotifier& notifier, const DeviceServiceContext& ctx,
                                   QWidget* parent)
    : QAbstractScrollArea(parent),
      model_(model),
      list_(list),
      thumbnails_(thumbnails),
      actions_(actions),
      notifier_(notifier),
      ctx_(ctx),
      editor_(new GroupNameEditor(viewport())) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    // The whole client area is painted on every paint: nothing to erase first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(kLineStep);
    connect(editor_, &GroupNameEditor::Commit, this, [this] { CommitGroupRename(true); });
    connect(editor_, &GroupNameEditor::Cancel, this, [this] { CommitGroupRename(false); });
    SyncScrollRange();
}

DeviceTreeWidget::~DeviceTreeWidget() {
    // Workers still running are abandoned: their results are never delivered to this window.
    workers_.clear();
    model_.SaveExpansion();
}

// --- repaint and scrolling ---

void DeviceTreeWidget::RequestRepaint() {
    if (repaintPending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            repaintPending_ = false;
            ModelChanged();
        },
        Qt::QueuedConnection);
}

int DeviceTreeWidget::Scroll() const {
    return verticalScrollBar()->value();
}

std::optional<TreeRow> DeviceTreeWidget::RowAt(int y, bool toggle) {
    return model_.ItemAt(y, Scroll(), toggle);
}

QString DeviceTreeWidget::ToolTipAt(int y) {
    const std::optional<TreeRow> row = RowAt(y, false);
    if (!row) return {};
    if (row->kind == TreeRow::Kind::Group) return HeaderText(row->groupSlot);
    const DeviceRecord* device = list_.At(row->deviceIndex);
    return device ? QString::fromStdString(device->Name()) : QString();
}

bool DeviceTreeWidget::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = ToolTipAt(help->pos().y());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
}

void DeviceTreeWidget::ModelChanged() {
    SyncScrollRange();
    PlaceEditor();
    viewport()->update();
}

void DeviceTreeWidget::SyncScrollRange() {
    const int page = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, model_.ContentHeight() - page));
}

void DeviceTreeWidget::scrollContentsBy(int, int) {
    PlaceEditor();
    viewport()->update();
}

void DeviceTreeWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SyncScrollRange();
    PlaceEditor();
}

void DeviceTreeWidget::wheelEvent(QWheelEvent* event) {
    // One line per notch, down for a negative angle.
    wheelRemainder_ += event->angleDelta().y();
    while (wheelRemainder_ >= 120) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        wheelRemainder_ -= 120;
    }
    while (wheelRemainder_ <= -120) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        wheelRemainder_ += 120;
    }
    event->accept();
}

void DeviceTreeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    DeviceTreePainter::Scene scene;
    scene.scroll = Scroll();
    scene.client = viewport()->size();
    scene.hot = hot_;
    scene.selected = selected_;
    scene.playing = &playing_;
    painter_.Paint(painter, scene, model_, list_, thumbnails_);
}

QString DeviceTreeWidget::HeaderText(int slot) const {
    const std::vector<TreeGroup> groups = model_.Groups();
    if (slot < 0 || slot >= static_cast<int>(groups.size())) return {};
    const auto [online, total] = model_.Counts(slot);
    return DeviceTreePainter::HeaderText(
        DeviceTreeModel::ShownName(groups[static_cast<std::size_t>(slot)]), online, total);
}

// --- mouse ---

void DeviceTreeWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        LeftPress(pos);
    else if (event->button() == Qt::RightButton)
        RightPress(pos, event->globalPosition().toPoint());
    event->accept();
}

void DeviceTreeWidget::LeftPress(const QPoint& pos) {
    CommitGroupRename(true);
    if (const std::optional<TreeRow> row = RowAt(pos.y(), true)) {
        selected_ = TreeItemRef::Of(*row, model_.Groups());
        if (row->kind == TreeRow::Kind::Device) {
            SetCurrent(row->deviceIndex);
            pressOnDevice_ = true;
        }
    }
    setFocus();
    ModelChanged();
}

void DeviceTreeWidget::RightPress(const QPoint& pos, const QPoint& globalPos) {
    const std::vector<MenuItem> items = MenuAt(pos.y());
    viewport()->update();
    ShowMenu(items, globalPos);
}

std::vector<MenuItem> DeviceTreeWidget::MenuAt(int y) {
    CommitGroupRename(true);
    const std::optional<TreeRow> row = RowAt(y, false);
    if (!row) return EmptySpaceMenu();
    const std::vector<TreeGroup> groups = model_.Groups();
    const TreeItemRef ref = TreeItemRef::Of(*row, groups);
    selected_ = ref;
    if (ref.IsGroup()) return GroupMenu(ref.gid);
    SetCurrent(ref.deviceIndex);
    const DeviceRecord* device = list_.At(ref.deviceIndex);
    if (!device) return EmptySpaceMenu();
    return DeviceMenu(*device, groups, model_.GroupOf(ref.deviceIndex).value_or(0));
}

void DeviceTreeWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pressOnDevice_ && (event->buttons() & Qt::LeftButton)) {
        if (dragging_)
            DragTo(pos, event->globalPosition().toPoint());
        else if (++dragMoves_ == kDragStartMove && selected_ && selected_->IsDevice())
            StartDrag(event->globalPosition().toPoint());
        return;
    }
    if (++hoverMoves_ % kHoverEvery == 0) UpdateHot(pos.y());
}

void DeviceTreeWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressOnDevice_ = false;
    dragMoves_ = 0;
    if (dragging_) EndDrag(event->position().toPoint());
}

void DeviceTreeWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::optional<TreeRow> row = RowAt(event->position().toPoint().y(), true);
    ModelChanged();
    if (!row || row->kind != TreeRow::Kind::Device) return;
    SetCurrent(row->deviceIndex);
    OpenDevice(row->deviceIndex, true, [this](int index) { actions_.PlayDevice(index); });
}

void DeviceTreeWidget::UpdateHot(int y) {
    std::optional<TreeItemRef> hot;
    if (const std::optional<TreeRow> row = RowAt(y, false))
        hot = TreeItemRef::Of(*row, model_.Groups());
    if (hot == hot_) return;
    hot_ = hot;
    viewport()->update();
}

void DeviceTreeWidget::HighlightDevice(const DeviceRecord* device) {
    if (!device) return;
    for (int i = 0, n = list_.Count(); i < n; ++i) {
        if (list_.At(i) != device) continue;
        hot_ = TreeItemRef::Device(i);
        viewport()->update();
        return;
    }
}

void DeviceTreeWidget::SetPlayingMarks(std::vector<bool> playing) {
    if (playing == playing_) return;
    playing_ = std::move(playing);
    viewport()->update();
}

bool DeviceTreeWidget::PlayingMarked(int deviceIndex) const {
    return deviceIndex >= 0 && deviceIndex < static_cast<int>(playing_.size()) &&
           playing_[static_cast<std::size_t>(deviceIndex)];
}

void DeviceTreeWidget::SetCurrent(int deviceIndex) {
    current_ = deviceIndex;
    actions_.CurrentDeviceChanged(deviceIndex);
}

// --- dragging a device onto a group ---

void DeviceTreeWidget::StartDrag(const QPoint& globalPos) {
    const DeviceRecord* device = list_.At(selected_->deviceIndex);
    if (!device) return;
    draggedDevice_ = selected_->deviceIndex;
    dragging_ = true;
    // Only the group headers stay, as drop targets; the drop opens the groups as they were.
    expansionBeforeDrag_.clear();
    for (const TreeGroup& group : model_.Groups())
        expansionBeforeDrag_.emplace_back(group.gid, group.expanded);
    model_.CollapseAll();
    ModelChanged();
    dragImage_ = std::make_unique<QLabel>(
        nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    dragImage_->setAttribute(Qt::WA_ShowWithoutActivating);
    dragImage_->setAttribute(Qt::WA_TranslucentBackground);
    dragImage_->setPixmap(QPixmap::fromImage(
        painter_.DragImage(draggedDevice_, *device, thumbnails_, devicePixelRatioF())));
    dragImage_->setFixedSize(DeviceTreePainter::kDragImageSize);
    dragImage_->move(globalPos - kDragHotspot);
    dragImage_->show();
}

void DeviceTreeWidget::DragTo(const QPoint& pos, const QPoint& globalPos) {
    if (dragImage_) dragImage_->move(globalPos - kDragHotspot);
    UpdateHot(pos.y());  // the drop target
}

void DeviceTreeWidget::EndDrag(const QPoint& pos) {
    dragging_ = false;
    dragImage_.reset();
    // The drop target comes from the height alone: a release beside the tree at a header's
    // height moves the device too.
    UpdateHot(pos.y());
    const std::optional<TreeItemRef> target = hot_;
    for (const auto& [gid, expanded] : expansionBeforeDrag_) model_.SetExpanded(gid, expanded);
    expansionBeforeDrag_.clear();
    // The device's new group opens, so that the user sees where it went.
    if (target && target->IsGroup() && model_.MoveDevice(draggedDevice_, target->gid))
        model_.SetExpanded(target->gid, true);
    draggedDevice_ = -1;
    ModelChanged();
}

// --- keys and the group editor ---

void DeviceTreeWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            CommitGroupRename(false);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            CommitGroupRename(true);
            break;
        case Qt::Key_Left:
        case Qt::Key_Right:
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void DeviceTreeWidget::PlaceEditor() {
    if (!editorGid_) return;
    const std::vector<TreeGroup> groups = model_.Groups();
    for (const TreeRow& row : model_.Rows()) {
        if (row.kind != TreeRow::Kind::Group || TreeItemRef::Of(row, groups).gid != *editorGid_)
            continue;
        const int h = DeviceTreeModel::kHeaderHeight;
        editor_->setGeometry(h, row.top - Scroll(), std::max(0, viewport()->width() - h), h);
        return;
    }
}

void DeviceTreeWidget::OpenGroupEditor(int32_t gid) {
    for (const TreeGroup& group : model_.Groups()) {
        if (group.gid != gid) continue;
        editorGid_ = gid;
        PlaceEditor();
        editor_->Open(editor_->geometry(),
                      QString::fromStdString(DeviceTreeModel::ShownName(group)));
        return;
    }
}

void DeviceTreeWidget::CommitGroupRename(bool store) {
    if (!editorGid_) return;
    const int32_t gid = *editorGid_;
    const std::string text = editor_->Text().toStdString();
    editorGid_.reset();
    editor_->hide();
    setFocus();
    if (!store) return;
    for (const TreeGroup& group : model_.Groups())
        // The editor opened with the name as shown: kept as it was, the stored name stays.
        if (group.gid == gid && DeviceTreeModel::ShownName(group) != text)
            model_.RenameGroup(gid, text);
    viewport()->update();
}

}  // namespace nimbrel
