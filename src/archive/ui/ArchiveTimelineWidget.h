// The archive window's 24-hour timeline: a row per camera with its recorded spans (kept ones in
// green, one being recorded in red), the gaps between them empty, the hours marked, the played
// time as a line. A click plays that camera from the time under the pointer; dragging moves the
// played time; dragging with Shift held marks a span to export.
// Threading: the UI thread.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveTimeline.h"

namespace nimbrel {

class ArchiveTimelineWidget : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLabelWidth = 120;
    static constexpr int kRowHeight = 26;
    static constexpr int kAxisHeight = 18;

    explicit ArchiveTimelineWidget(QWidget* parent = nullptr);

    void SetDay(int64_t dayStartMs, std::vector<archive::TimelineRow> rows);
    void SetPlayed(const std::string& sid, int64_t timeMs);
    // The cameras' names for the rows (empty for one it does not know: its id is shown).
    void SetNames(std::function<std::string(const std::string& sid)> nameOf);
    // What row `row` is labelled with: the camera's name or id, and a mark for damaged files.
    QString LabelOf(int row) const;
    // The span marked with Shift and a drag; nothing when none is marked.
    std::optional<std::pair<int64_t, int64_t>> Marked() const;
    void ClearMark();
    const std::vector<archive::TimelineRow>& Rows() const { return rows_; }
    archive::ArchiveTimeline Timeline() const;
    // The point of row `row` at time `timeMs`, in this widget.
    QPoint PointOf(int row, int64_t timeMs) const;

  signals:
    // Play camera `sid` from `timeMs` (a click or a drag on its row).
    void PlayRequested(const QString& sid, qint64 timeMs);
    void MarkChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QSize sizeHint() const override;

  private:
    int RowAt(int y) const;
    int64_t TimeAtX(int x) const;

    int64_t day_ = 0;
    std::vector<archive::TimelineRow> rows_;
    std::function<std::string(const std::string&)> nameOf_;
    std::string playedSid_;
    int64_t playedMs_ = 0;
    int dragRow_ = -1;
    bool marking_ = false;
    int64_t markFrom_ = 0;
    int64_t markTo_ = 0;
    bool marked_ = false;
};

}  // namespace nimbrel
