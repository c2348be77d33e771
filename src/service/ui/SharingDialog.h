// Sharing one camera: the list of accounts it is bound to (user name, nickname, administrator;
// the administrator first), a name box with the add button, the delete button, a red status
// line, the list's right-click menu, and close. Requests run on the flow's workers; the list is
// filled again here whenever one of them reports.
// Threading: the UI thread; the flow's event handler only posts here.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <functional>

#include "service/SharingFlow.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class SharingDialog : public FramedDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 470;

    // Asks `text` under `caption` with OK and Cancel (Cancel the default); true for OK.
    using Confirm =
        std::function<bool(QWidget* parent, const QString& text, const QString& caption)>;

    SharingDialog(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                  std::string sid, HttpOptions http = {}, QWidget* parent = nullptr);
    ~SharingDialog() override;

    // Replaces the confirmation message box (tests answer it themselves).
    void SetConfirm(Confirm confirm) { confirm_ = std::move(confirm); }

    SharingFlow& Flow() { return flow_; }
    QTreeWidget* List() const { return list_; }
    QLineEdit* NameBox() const { return name_; }
    FlatButton* AddButton() const { return add_; }
    FlatButton* DeleteButton() const { return delete_; }
    QLabel* StatusLine() const { return status_; }

    // The right-click menu's items for the selected row, and running one of its commands.
    std::vector<SharingMenuItem> MenuItems() const;
    void RunMenuCommand(int command);

  signals:
    // A request reported and the list shows what the flow holds (tests wait for it).
    void Reported(int kind);

  public slots:
    void reject() override;

  private:
    std::optional<std::size_t> SelectedRow() const;
    void Add();
    void DeleteRow(DeleteSource source);
    void ShowUsers();
    void ShowMenu(const QPoint& at);

    SharingFlow flow_;
    Confirm confirm_;
    QTreeWidget* list_;
    QLineEdit* name_;
    FlatButton* add_;
    FlatButton* delete_;
    QLabel* status_;
    FlatButton* close_;
};

}  // namespace nimbrel
