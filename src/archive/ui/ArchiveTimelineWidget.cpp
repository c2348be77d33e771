#include "archive/ui/ArchiveTimelineWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "archive/LocalTime.h"
#include "widgets/Palette.h"

namespace nimbrel {

using archive::ArchiveTimeline;

namespace {

const QColor kRecorded(64, 155, 228);
const QColor kKept(60, 170, 90);
const QColor kRecording(214, 60, 60);
const QColor kGap(236, 240, 244);
const QColor kGrid(200, 208, 216);
const QColor kMark(255, 200, 40, 110);

}  // namespace

ArchiveTimelineWidget::ArchiveTimelineWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(false);
    setMinimumHeight(kAxisHeight + kRowHeight + 4);
}

QSize ArchiveTimelineWidget::sizeHint() const {
    return {800, kAxisHeight + kRowHeight * std::max<int>(1, static_cast<int>(rows_.size())) + 4};
}

ArchiveTimeline ArchiveTimelineWidget::Timeline() const {
    return ArchiveTimeline(day_, std::max(1, width() - kLabelWidth - 8));
}

void ArchiveTimelineWidget::SetDay(int64_t dayStartMs, std::vector<archive::TimelineRow> rows) {
    const bool newDay = dayStartMs != day_;
    day_ = dayStartMs;
    rows_ = std::move(rows);
    if (newDay) ClearMark();
    setMinimumHeight(sizeHint().height());
    updateGeometry();
    update();
}

void ArchiveTimelineWidget::SetNames(std::function<std::string(const std::string&)> nameOf) {
    nameOf_ = std::move(nameOf);
    update();
}

QString ArchiveTimelineWidget::LabelOf(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    const archive::TimelineRow& r = rows_[static_cast<std::size_t>(row)];
    const std::string name = nameOf_ ? nameOf_(r.sid) : std::string();
    QString label = QString::fromStdString(name.empty() ? r.sid : name);
    if (r.damaged > 0) label += QStringLiteral(" ⚠");
    return label;
}

void ArchiveTimelineWidget::SetPlayed(const std::string& sid, int64_t timeMs) {
    if (sid == playedSid_ && timeMs == playedMs_) return;
    playedSid_ = sid;
    playedMs_ = timeMs;
    update();
}

std::optional<std::pair<int64_t, int64_t>> ArchiveTimelineWidget::Marked() const {
    if (!marked_ || markFrom_ == markTo_) return std::nullopt;
    return std::pair(std::min(markFrom_, markTo_), std::max(markFrom_, markTo_));
}

void ArchiveTimelineWidget::ClearMark() {
    marked_ = false;
    update();
    emit MarkChanged();
}

QPoint ArchiveTimelineWidget::PointOf(int row, int64_t timeMs) const {
    return {kLabelWidth + Timeline().XOf(timeMs), kAxisHeight + row * kRowHeight + kRowHeight / 2};
}

int ArchiveTimelineWidget::RowAt(int y) const {
    const int row = (y - kAxisHeight) / kRowHeight;
    if (y < kAxisHeight || row >= static_cast<int>(rows_.size())) return -1;
    return row;
}

int64_t ArchiveTimelineWidget::TimeAtX(int x) const {
    return Timeline().TimeAt(x - kLabelWidth);
}

void ArchiveTimelineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const ArchiveTimeline timeline = Timeline();
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    const int bottom = kAxisHeight + kRowHeight * static_cast<int>(rows_.size());
    // Hour marks, labelled every 2 hours.
    for (int hour = 0; hour <= 24; ++hour) {
        const int x = kLabelWidth + timeline.XOf(day_ + hour * 3600000LL);
        p.setPen(kGrid);
        p.drawLine(x, kAxisHeight - 4, x, bottom);
        if (hour % 2 == 0 && hour < 24) {
            p.setPen(QColor(90, 90, 90));
            p.drawText(QRect(x + 2, 0, 40, kAxisHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::asprintf("%02d:00", hour));
        }
    }
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const archive::TimelineRow& row = rows_[static_cast<std::size_t>(r)];
        const int y = kAxisHeight + r * kRowHeight;
        const QRect band(kLabelWidth, y + 4, timeline.XOf(day_ + archive::kDayMs), kRowHeight - 8);
        p.fillRect(band, kGap);
        for (const archive::Span& s : row.spans) {
            const int x0 = kLabelWidth + timeline.XOf(s.startMs);
            const int x1 = kLabelWidth + timeline.XOf(s.endMs);
            p.fillRect(QRect(x0, band.y(), std::max(2, x1 - x0), band.height()),
                       s.open ? kRecording : s.kept ? kKept : kRecorded);
        }
        p.setPen(row.sid == playedSid_ ? palette::kBlue : QColor(60, 60, 60));
        const QRect labelRect(4, y, kLabelWidth - 8, kRowHeight);
        p.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(LabelOf(r), Qt::ElideRight, labelRect.width()));
    }
    if (const auto mark = Marked()) {
        const int x0 = kLabelWidth + timeline.XOf(mark->first);
        const int x1 = kLabelWidth + timeline.XOf(mark->second);
        p.fillRect(QRect(x0, kAxisHeight, std::max(1, x1 - x0), bottom - kAxisHeight), kMark);
    }
    if (!playedSid_.empty() && playedMs_ >= day_ && playedMs_ < day_ + archive::kDayMs) {
        const int x = kLabelWidth + timeline.XOf(playedMs_);
        p.setPen(QPen(QColor(220, 40, 40), 2));
        p.drawLine(x, kAxisHeight - 6, x, bottom);
    }
}

void ArchiveTimelineWidget::mousePressEvent(QMouseEvent* event) {
    const int row = RowAt(event->position().toPoint().y());
    if (event->button() != Qt::LeftButton || row < 0) return;
    const int64_t t = TimeAtX(event->position().toPoint().x());
    if (event->modifiers() & Qt::ShiftModifier) {
        marking_ = true;
        marked_ = true;
        markFrom_ = markTo_ = t;
        update();
        return;
    }
    dragRow_ = row;
    emit PlayRequested(QString::fromStdString(rows_[static_cast<std::size_t>(row)].sid), t);
}

void ArchiveTimelineWidget::mouseMoveEvent(QMouseEvent* event) {
    const int64_t t = TimeAtX(event->position().toPoint().x());
    if (marking_) {
        markTo_ = t;
        update();
        return;
    }
    // Dragging moves the played time along the row pressed; the player follows on release.
    if (dragRow_ >= 0) SetPlayed(rows_[static_cast<std::size_t>(dragRow_)].sid, t);
}

void ArchiveTimelineWidget::mouseReleaseEvent(QMouseEvent* event) {
    const int64_t t = TimeAtX(event->position().toPoint().x());
    if (marking_) {
        marking_ = false;
        markTo_ = t;
        update();
        emit MarkChanged();
        return;
    }
    if (dragRow_ >= 0 && dragRow_ < static_cast<int>(rows_.size()))
        emit PlayRequested(QString::fromStdString(rows_[static_cast<std::size_t>(dragRow_)].sid), t);
    dragRow_ = -1;
}

}  // namespace nimbrel
