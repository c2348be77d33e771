// The in-place editor of a group's name: a borderless white box with one edit field laid over
// the group's header row, opened with the current name selected.
// Threading: UI thread only.
#pragma once

#include <QWidget>

class QLineEdit;

namespace nimbrel {

class GroupNameEditor : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMaxLength = 259;

    explicit GroupNameEditor(QWidget* parent);

    // Shows the editor at `where` (parent coordinates) with `text`, all of it selected, focused.
    void Open(const QRect& where, const QString& text);
    // The typed name, at most 259 characters.
    QString Text() const;
    QLineEdit* Edit() const { return edit_; }

  signals:
    // Enter: store the name.
    void Commit();
    // Escape: close without storing.
    void Cancel();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* edit_;
};

}  // namespace nimbrel
