// The settings dialog: a blue band with the two tab buttons, the basic page and the other page
// (one shown at a time) on a white body, and save and cancel. Each opening reads the account file
// afresh; nothing changes before save, which writes both pages at once and closes. A save that
// cannot write the file says so and the dialog stays open.
// Threading: the UI thread.
#pragma once

#include <map>

#include "platform/UserNotifier.h"
#include "service/GlobalSettings.h"
#include "settings/SettingsFlow.h"
#include "settings/ui/BasicSettingsPage.h"
#include "settings/ui/OtherSettingsPage.h"
#include "settings/ui/SettingsHooks.h"
#include "widgets/BitmapButton.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class SettingsDialog : public FramedDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 470;
    static constexpr int kBandHeight = 47;
    static constexpr int kPageLeft = 8;

    struct Options {
        SettingsFlow::Options flow{{}, {}, AccountFileDefaults::FromUserDirs()};
        SettingsHooks hooks = SettingsHooks::Desktop();
        HttpOptions http;
    };

    SettingsDialog(GlobalSettings& g, AppRecord& app, UserNotifier& notifier, Options options,
                   QWidget* parent = nullptr);
    SettingsDialog(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                   QWidget* parent = nullptr)
        : SettingsDialog(g, app, notifier, Options{}, parent) {}

    // The basic page (true) or the other page.
    void ShowPage(bool basic);
    bool BasicShown() const;

    BasicSettingsPage* BasicPage() const { return basic_; }
    OtherSettingsPage* OtherPage() const { return other_; }
    // The tab buttons by number: 1257 / 1140 (basic, selected / not), 1144 / 1256 (other).
    BitmapButton* TabButton(int id) const;
    FlatButton* SaveButton() const { return save_; }
    FlatButton* CancelButton() const { return cancel_; }
    // The user took a newer version and its updater runs: the program is to end.
    bool UpdaterStarted() const { return updaterStarted_; }

  protected:
    void PaintBand(QPainter& painter, const QRect& band) override;

  private:
    void Save();

    SettingsFlow flow_;
    UserNotifier& notifier_;
    BasicSettingsPage* basic_;
    OtherSettingsPage* other_;
    std::map<int, BitmapButton*> tabs_;
    FlatButton* save_;
    FlatButton* cancel_;
    bool updaterStarted_ = false;
};

}  // namespace nimbrel
