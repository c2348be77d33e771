#include "service/ui/SharingDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

#include "widgets/CoreText.h"
#include "widgets/FormStyle.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

// A core text in the user's language.
QString Text(const char* utf8) {
    return CoreText(utf8);
}

bool AskOkCancel(QWidget* parent, const QString& text, const QString& caption) {
    return FramedMessageBox::Ask(parent, caption, text, FramedMessageBox::Buttons::OkCancel);
}

}  // namespace

SharingDialog::SharingDialog(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                             std::string sid, HttpOptions http, QWidget* parent)
    : FramedDialog(parent),
      flow_(g, app, notifier, std::move(sid), SharingFlow::Options{http}),
      confirm_(&AskOkCancel) {
    using namespace sharing_text;
    setWindowTitle(tr("Управление пользователями"));
    setFixedSize(kWidth, kHeight);
    ApplyFormStyle(this, Qt::white);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(3);
    list_->setHeaderLabels({Text(kColumnUser), Text(kColumnNick), Text(kColumnAdmin)});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsMovable(false);
    list_->setColumnWidth(0, 150);
    list_->setColumnWidth(1, 280);
    list_->setColumnWidth(2, 155);
    connect(list_, &QWidget::customContextMenuRequested, this, &SharingDialog::ShowMenu);

    name_ = new QLineEdit(this);
    name_->setMaxLength(259);
    name_->setPlaceholderText(tr("Имя пользователя"));
    add_ = new FlatButton(tr("Добавить"), FlatButton::Scheme::Primary, this);
    delete_ = new FlatButton(tr("Удалить"), FlatButton::Scheme::Secondary, this);
    close_ = new FlatButton(tr("Закрыть"), FlatButton::Scheme::Secondary, this);
    status_ = MakeStatusLine(this);
    connect(add_, &QPushButton::clicked, this, &SharingDialog::Add);
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteRow(DeleteSource::Button); });
    connect(close_, &QPushButton::clicked, this, &SharingDialog::reject);
    connect(name_, &QLineEdit::textEdited, status_, &QLabel::clear);
    connect(name_, &QLineEdit::returnPressed, this, &SharingDialog::Add);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(20, BandHeight() + 14, 20, 16);
    body->setSpacing(10);
    body->addWidget(list_, 1);
    auto* adding = new QHBoxLayout;
    adding->addWidget(new QLabel(tr("Пользователь:"), this));
    adding->addWidget(name_, 1);
    adding->addWidget(add_);
    adding->addWidget(delete_);
    body->addLayout(adding);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(close_);
    body->addLayout(bottom);

    flow_.SetEventHandler([this](const SharingEvent& event) {
        const int kind = static_cast<int>(event.kind);
        QMetaObject::invokeMethod(
            this,
            [this, kind] {
                ShowUsers();
                emit Reported(kind);
            },
            Qt::QueuedConnection);
    });
    flow_.RequestList();
    name_->setFocus();
}

SharingDialog::~SharingDialog() {
    flow_.Close();
}

void SharingDialog::reject() {
    // Rows of a list still arriving are no longer inserted.
    flow_.Close();
    FramedDialog::reject();
}

std::optional<std::size_t> SharingDialog::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    const int row = list_->indexOfTopLevelItem(selected.front());
    if (row < 0) return std::nullopt;
    return static_cast<std::size_t>(row);
}

void SharingDialog::ShowUsers() {
    list_->clear();
    for (const SharedUser& user : flow_.Users()) {
        auto* item =
            new QTreeWidgetItem({QString::fromStdString(user.uid),
                                 QString::fromStdString(user.nickName), Text(user.AdminText())});
        list_->addTopLevelItem(item);
    }
}

void SharingDialog::Add() {
    const SharingFlow::AddCheck check = flow_.Add(name_->text().toStdString());
    if (check.clearBox) name_->clear();
    if (check.started) {
        // The list shows the refreshed rows once the add and the list request report.
        status_->clear();
        return;
    }
    status_->setText(CoreText(check.hint));
    if (check.selectText) name_->selectAll();
    name_->setFocus();
}

void SharingDialog::DeleteRow(DeleteSource source) {
    const DeletePrompt prompt = flow_.PrepareDelete(SelectedRow(), source);
    if (prompt.action != DeletePrompt::Action::Confirm) return;
    if (!confirm_(this, CoreText(prompt.text), CoreText(prompt.caption))) return;
    flow_.Delete(prompt.name);
}

std::vector<SharingMenuItem> SharingDialog::MenuItems() const {
    return flow_.Menu(SelectedRow());
}

void SharingDialog::RunMenuCommand(int command) {
    if (command == SharingFlow::kMenuDeleteCommand) DeleteRow(DeleteSource::Menu);
    if (command == SharingFlow::kMenuRefreshCommand && flow_.RequestList()) list_->clear();
}

void SharingDialog::ShowMenu(const QPoint& at) {
    // A right press on a row selects it first, as a left press would.
    if (QTreeWidgetItem* item = list_->itemAt(at)) list_->setCurrentItem(item);
    QMenu menu(this);
    for (const SharingMenuItem& item : MenuItems())
        menu.addAction(Text(item.text))->setData(item.command);
    if (const QAction* chosen = menu.exec(list_->viewport()->mapToGlobal(at)))
        RunMenuCommand(chosen->data().toInt());
}

}  // namespace nimbrel
