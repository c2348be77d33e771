#include "settings/ui/SettingsDialog.h"

#include <QPainter>

#include "widgets/CoreText.h"
#include "widgets/Palette.h"
#include "widgets/TabPictures.h"

namespace nimbrel {
namespace {

constexpr int kTabWidth = 150;
constexpr int kTabHeight = 34;
constexpr int kFooterHeight = 58;

}  // namespace

SettingsDialog::SettingsDialog(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                               Options options, QWidget* parent)
    : FramedDialog(parent, kBandHeight), flow_(app, options.flow), notifier_(notifier) {
    setWindowTitle(CoreText(settings_text::kTitle));
    setFixedSize(kWidth, kHeight);

    const QRect pageRect(kPageLeft, kBandHeight, kWidth - 2 * kPageLeft,
                         kHeight - kBandHeight - kFooterHeight);
    basic_ = new BasicSettingsPage(flow_, notifier, options.hooks, this);
    basic_->setGeometry(pageRect);
    other_ = new OtherSettingsPage(g, app, notifier, options.hooks, options.http, this);
    other_->setGeometry(pageRect);
    connect(other_, &OtherSettingsPage::UpdaterStarted, this, [this] {
        updaterStarted_ = true;
        reject();
    });

    // Each tab is two bitmap buttons at one place: the selected look and the other.
    QFont tabFont = font();
    tabFont.setPixelSize(14);
    tabFont.setBold(true);
    const struct {
        int id;
        const char* text;
        bool current;
        int column;
    } tabs[] = {{kSetBasicTabSelected, QT_TR_NOOP("Основные"), true, 0},
                {kSetBasicTab, QT_TR_NOOP("Основные"), false, 0},
                {kSetOtherTab, QT_TR_NOOP("Дополнительно"), false, 1},
                {kSetOtherTabSelected, QT_TR_NOOP("Дополнительно"), true, 1}};
    for (const auto& t : tabs) {
        auto* tab = new BitmapButton(this);
        tab->SetId(t.id);
        const TabPictureSet pictures =
            TabPictures(tr(t.text), QSize(kTabWidth, kTabHeight), t.current, tabFont);
        tab->SetPictures(pictures.normal, pictures.selected, pictures.focused);
        tab->setGeometry(kPageLeft + t.column * (kTabWidth + 4), kBandHeight - kTabHeight,
                         kTabWidth, kTabHeight);
        tab->setFocusPolicy(Qt::NoFocus);
        tabs_[t.id] = tab;
    }
    connect(tabs_[kSetBasicTab], &QAbstractButton::clicked, this, [this] { ShowPage(true); });
    connect(tabs_[kSetOtherTab], &QAbstractButton::clicked, this, [this] { ShowPage(false); });

    save_ = new FlatButton(tr("Сохранить"), FlatButton::Scheme::Primary, this);
    cancel_ = new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this);
    save_->setObjectName(QString::number(kSetSave));
    cancel_->setObjectName(QString::number(kSetCancel));
    const int buttonsTop = kHeight - kFooterHeight + (kFooterHeight - 34) / 2;
    cancel_->setGeometry(kWidth - 24 - 110, buttonsTop, 110, 34);
    save_->setGeometry(kWidth - 24 - 110 - 12 - 110, buttonsTop, 110, 34);
    connect(save_, &QPushButton::clicked, this, &SettingsDialog::Save);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    const SettingsValues values = flow_.Open();
    basic_->Fill(values);
    other_->Fill(values);
    ShowPage(true);
}

void SettingsDialog::ShowPage(bool basic) {
    basic_->setVisible(basic);
    other_->setVisible(!basic);
    tabs_[kSetBasicTabSelected]->setVisible(basic);
    tabs_[kSetBasicTab]->setVisible(!basic);
    tabs_[kSetOtherTab]->setVisible(basic);
    tabs_[kSetOtherTabSelected]->setVisible(!basic);
}

bool SettingsDialog::BasicShown() const {
    return !basic_->isHidden();
}

BitmapButton* SettingsDialog::TabButton(int id) const {
    const auto found = tabs_.find(id);
    return found == tabs_.end() ? nullptr : found->second;
}

void SettingsDialog::Save() {
    SettingsValues values;
    values.loaded = true;
    basic_->Read(values);
    other_->Read(values);
    const SettingsSaveResult result = flow_.Save(values);
    if (result == SettingsSaveResult::Saved) {
        accept();
        return;
    }
    if (result == SettingsSaveResult::Refused) {
        // A folder typed as no place, or a retention limit that does not read: refused as the
        // command line refuses it, nothing was written, and the dialog stays open with what the
        // user typed so that it may be corrected.
        notifier_.MessageBox(flow_.Refusal(), settings_text::kCaption);
        return;
    }
    // The account file could not be read or written: it keeps what it had, and so do the
    // program's settings; the user may try again or cancel.
    notifier_.MessageBox(settings_text::kSaveFailed, settings_text::kCaption);
}

void SettingsDialog::PaintBand(QPainter& p, const QRect& band) {
    QFont f = font();
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    const int left = kPageLeft + 2 * (kTabWidth + 4) + 16;
    p.drawText(QRect(left, 0, band.width() - left - 44, band.height() - 4),
               Qt::AlignVCenter | Qt::AlignRight, windowTitle());
}

}  // namespace nimbrel
