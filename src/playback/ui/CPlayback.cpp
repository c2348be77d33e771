#include "playback/ui/CPlayback.h"

#include <pthread.h>

#include <algorithm>

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include "playback/PlaybackLayout.h"
#include "playback/PlaybackTexts.h"
#include "playback/ui/CPlaybkCanvas.h"
#include "widgets/BitmapButton.h"
#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

const QColor kTitleText(240, 240, 240);
constexpr int kSyncMs = 100;  // how often the window follows the stream's state
// A stream the camera closed that showed no frame for this many looks has played out.
constexpr int kPlayedOutSyncs = 10;
// How long the window keeps showing a jump's point while the stream still reports pictures from
// before it.
constexpr int kJumpHoldSeconds = 5;

// A core text in the user's language.
QString Text(const char* utf8) {
    return CoreText(utf8);
}

QRect ToQRect(const PlaybackRect& r) {
    return {r.x, r.y, r.w, r.h};
}

constexpr const char* kListStyle =
    "QListWidget { border: 1px solid rgb(64,155,228); background: white; color: rgb(60,60,60);"
    " font-size: 13px; outline: none; }"
    "QListWidget::item { padding: 2px 0px; }"
    "QListWidget::item:selected { background: rgb(64,155,228); color: white; }";
constexpr const char* kSliderStyle =
    "QSlider { background: rgb(64,155,228); }"
    "QSlider::groove:horizontal { height: 4px; margin: 0px 8px; background: rgb(208,229,248);"
    " border-radius: 2px; }"
    "QSlider::sub-page:horizontal { margin: 0px 8px; background: white; border-radius: 2px; }"
    "QSlider::handle:horizontal { width: 12px; height: 12px; margin: -5px 0px;"
    " background: white; border: 2px solid rgb(36,118,190); border-radius: 7px; }";

}  // namespace

CPlayback::CPlayback(std::unique_ptr<PlaybackFlow> flow, std::unique_ptr<PlaybackStream> stream,
                     QWidget* parent)
    : FramedDialog(parent, PlaybackLayout::kBandHeight),
      flow_(std::move(flow)),
      stream_(std::move(stream)),
      title_(QString::fromStdString(flow_->Title())),
      currentTime_(Text(playback_text::kZeroTime)),
      endTime_(Text(playback_text::kZeroTime)),
      canvas_(new CPlaybkCanvas(this)),
      start_(new FlatButton(tr("Воспроизвести"), FlatButton::Scheme::Primary, this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      rewind_(TransportButton("PlayRewind", playback_text::kTipRewind)),
      pause_(TransportButton("PlayPause", playback_text::kTipPause)),
      resume_(TransportButton("PlayResume", playback_text::kTipResume)),
      forward_(TransportButton("PlayForward", playback_text::kTipForward)),
      maximise_(new BitmapButton(this)),
      restore_(new BitmapButton(this)),
      save_(new FlatButton(tr("Сохранить"), FlatButton::Scheme::Secondary, this)),
      saveCancel_(new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this)),
      saveFolder_(QDir::homePath()) {
    setWindowTitle(QString::fromStdString(flow_->DeviceName()));
    setModal(true);
    canvas_->setObjectName(QStringLiteral("video"));
    for (int level = 0; level < 4; ++level) {
        auto* list = new QListWidget(this);
        list->setObjectName(QStringList{"years", "months", "days", "hours"}[level]);
        list->setStyleSheet(QString::fromLatin1(kListStyle));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list, &QListWidget::currentRowChanged, this,
                [this, level](int row) { OnPicked(level, row); });
        lists_[static_cast<std::size_t>(level)] = list;
    }
    start_->setObjectName(QStringLiteral("start"));
    start_->setAutoDefault(false);
    connect(start_, &QPushButton::clicked, this, &CPlayback::OnStart);

    slider_->setObjectName(QStringLiteral("timeline"));
    slider_->setStyleSheet(QString::fromLatin1(kSliderStyle));
    slider_->setRange(0, 0);
    slider_->setSingleStep(1);
    connect(slider_, &QSlider::actionTriggered, this, &CPlayback::OnSliderAction);
    connect(slider_, &QSlider::sliderReleased, this, &CPlayback::OnSliderReleased);
    slider_->installEventFilter(this);

    resume_->hide();
    connect(rewind_, &QAbstractButton::clicked, this, &CPlayback::OnRewind);
    connect(pause_, &QAbstractButton::clicked, this, &CPlayback::OnPause);
    connect(resume_, &QAbstractButton::clicked, this, &CPlayback::OnResume);
    connect(forward_, &QAbstractButton::clicked, this, &CPlayback::OnForward);

    maximise_->SetPictureBase(QStringLiteral("TitleMax"));
    maximise_->setObjectName(QStringLiteral("maximise"));
    maximise_->setToolTip(tr("Развернуть"));
    maximise_->setFocusPolicy(Qt::NoFocus);
    restore_->SetPictureBase(QStringLiteral("TitleRestore"));
    restore_->setObjectName(QStringLiteral("restore"));
    restore_->setToolTip(tr("Восстановить"));
    restore_->setFocusPolicy(Qt::NoFocus);
    restore_->hide();
    connect(maximise_, &QAbstractButton::clicked, this, [this] { SetMaximised(true); });
    connect(restore_, &QAbstractButton::clicked, this, [this] { SetMaximised(false); });

    save_->setObjectName(QStringLiteral("save"));
    save_->setToolTip(tr("Сохранить воспроизводимое видео в файл MP4"));
    save_->setAutoDefault(false);
    save_->setEnabled(false);
    saveCancel_->setObjectName(QStringLiteral("saveCancel"));
    saveCancel_->setToolTip(tr("Отменить сохранение и удалить файл"));
    saveCancel_->setAutoDefault(false);
    saveCancel_->hide();
    connect(save_, &QPushButton::clicked, this, &CPlayback::OnSave);
    connect(saveCancel_, &QPushButton::clicked, this, [this] { EndSave(true); });
    chooseFile_ = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, tr("Сохранить запись в файл"), suggested,
                                            tr("Видео MP4 (*.mp4)"));
    };

    if (stream_) {
        canvas_->SetSurface(&stream_->Surface());
        // The stream's animation thread steps the starting animation, as a live camera's does
        // its pane's; only a queued call crosses to this thread.
        stream_->Animation().SetRepaint([this] {
            QMetaObject::invokeMethod(
                this, [this] { canvas_->SetAnimationStep(stream_->Animation().Step()); },
                Qt::QueuedConnection);
        });
    }
    sync_.setInterval(kSyncMs);
    connect(&sync_, &QTimer::timeout, this, &CPlayback::Sync);
    sync_.start();

    flow_->SetChangeHandler([this] {
        QMetaObject::invokeMethod(
            this, [this] { ShowIndex(); }, Qt::QueuedConnection);
    });
    setMinimumSize(PlaybackLayout::kMinimumWidth, PlaybackLayout::kMinimumHeight);
    resize(PlaybackLayout::kInitialWidth, PlaybackLayout::kInitialHeight);
}

CPlayback::~CPlayback() {
    flow_->Close();
    StopPlayback();
}

void CPlayback::SetSaving(const QString& folder, FileChooser chooser) {
    if (!folder.isEmpty()) saveFolder_ = folder;
    if (chooser) chooseFile_ = std::move(chooser);
}

void CPlayback::StopPlayback() {
    if (!stream_) return;
    EndSave(false);  // what was saved is kept
    stream_->Abort();  // a start sequence under way ends within its bounded waits
    if (startThread_.joinable()) startThread_.join();
    stream_->Stop();
    stream_->Animation().SetRepaint(nullptr);
    canvas_->SetSurface(nullptr);
}

BitmapButton* CPlayback::TransportButton(const char* base, const char* tip) {
    auto* button = new BitmapButton(this);
    button->SetPictureBase(QString::fromLatin1(base));
    button->setObjectName(QString::fromLatin1(base));
    button->setToolTip(Text(tip));
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void CPlayback::showEvent(QShowEvent* event) {
    FramedDialog::showEvent(event);
    if (!indexRequested_) {
        indexRequested_ = true;
        flow_->LoadIndex();
    }
}

void CPlayback::ShowIndex() {
    title_ = QString::fromStdString(flow_->Title());
    const PickLists l = flow_->Lists();
    FillList(0, l.years, l.year);
    FillList(1, l.months, l.month);
    FillList(2, l.days, l.day);
    FillList(3, l.hours, l.hour);
    update(0, 0, width(), PlaybackLayout::kBandHeight);
}

void CPlayback::FillList(int level, const std::vector<std::string>& texts, int selected) {
    QListWidget* list = lists_[static_cast<std::size_t>(level)];
    filling_ = true;
    list->clear();
    for (const std::string& text : texts) list->addItem(QString::fromStdString(text));
    list->setCurrentRow(selected);
    filling_ = false;
}

void CPlayback::OnPicked(int level, int row) {
    if (filling_ || row < 0) return;
    switch (level) {
        case 0:
            flow_->PickYear(lists_[0]->item(row)->text().toStdString());
            break;
        case 1:
            flow_->PickMonth(row);
            break;
        case 2:
            flow_->PickDay(row);
            break;
        default:
            flow_->PickHour(row);
            return;  // nothing below the hours to refill
    }
    // The levels below the one picked start again at their first rows.
    const PickLists l = flow_->Lists();
    if (level < 1) FillList(1, l.months, l.month);
    if (level < 2) FillList(2, l.days, l.day);
    FillList(3, l.hours, l.hour);
}

void CPlayback::OnStart() {
    // One start at a time; a failed playback may be started again at once.
    if (startRunning_ && !(stream_ && stream_->State() == PlaybackStream::kFailed)) return;
    const auto date = flow_->CheckStart();
    if (!date || !stream_) return;
    if (startThread_.joinable()) {
        stream_->Abort();
        startThread_.join();
    }
    EndSave(false);  // the hour played until now is saved
    hour_ = *date;
    timeline_.reset();
    slider_->setRange(0, 0);
    currentTime_ = endTime_ = Text(playback_text::kZeroTime);
    canvas_->SetPlayState(CPlaybkCanvas::kStarting);
    paused_ = false;
    jumpTarget_.reset();
    ShowTransport(PlaybackStream::kStarting);
    startRunning_ = true;
    startThread_ = std::thread([this, hour = *date] {
        pthread_setname_np(pthread_self(), "pb-start");
        stream_->Start(hour);
        startRunning_ = false;
    });
    update();
}

QString CPlayback::SuggestedFileName() const {
    // "<camera>-YYYY-MM-DD-hh-mm-ss.mp4" of the card's time at the slider.
    const QString day = QString::fromStdString(hour_.substr(0, 8));
    QString time = QString::fromStdString(timeline_->TimeAt(slider_->value()));
    return QStringLiteral("%1-%2-%3-%4-%5.mp4")
        .arg(QString::fromStdString(flow_->Sid()), day.left(4), day.mid(4, 2), day.mid(6, 2),
             time.replace(':', '-'));
}

void CPlayback::OnSave() {
    if (saving_) {
        EndSave(false);
        return;
    }
    if (!stream_ || stream_->State() != PlaybackStream::kPlaying || !timeline_) return;
    const auto track = stream_->Track();
    if (!track) return;
    const QString file = chooseFile_(this, QDir(saveFolder_).filePath(SuggestedFileName()));
    if (file.isEmpty()) return;
    std::string error;
    if (!saver_.Begin(file.toStdString(), *track, error)) {
        saveStatus_ = Text(PlaybackSaver::kSaveFailed);
        save_->setToolTip(QString::fromStdString(error));
        update(0, 0, width(), PlaybackLayout::kBandHeight);
        return;
    }
    stream_->SetFrameTap(&saver_);
    saving_ = true;
    save_->setText(tr("Готово"));
    save_->setToolTip(tr("Закончить сохранение в %1").arg(QDir::toNativeSeparators(file)));
    saveCancel_->show();
    SyncSave();
}

void CPlayback::EndSave(bool cancel) {
    if (!saving_) return;
    saving_ = false;
    // Once the stream no longer hands the saver a frame, the file is completed.
    stream_->SetFrameTap(nullptr);
    const QString file = QDir::toNativeSeparators(QString::fromStdString(saver_.File().string()));
    if (cancel) {
        saver_.Cancel();
        saveStatus_ = tr("Сохранение отменено");
    } else if (saver_.Finish()) {
        saveStatus_ = tr("Сохранено: %1").arg(file);
    } else {
        saveStatus_ = Text(PlaybackSaver::kSaveFailed);
    }
    save_->setText(tr("Сохранить"));
    save_->setToolTip(saveStatus_);
    saveCancel_->hide();
    update(0, 0, width(), PlaybackLayout::kBandHeight);
}

void CPlayback::SyncSave() {
    if (!stream_) return;
    const int state = stream_->State();
    save_->setEnabled(saving_ || (state == PlaybackStream::kPlaying && timeline_));
    if (!saving_) return;
    // The stream stopped or failed, or the camera closed it and its last frames were shown.
    const uint64_t shown = stream_->Stats().framesShown;
    quietSyncs_ = shown == shownAtLastSync_ ? quietSyncs_ + 1 : 0;
    shownAtLastSync_ = shown;
    const bool playedOut = stream_->Closed() && quietSyncs_ >= kPlayedOutSyncs;
    if (saver_.Status() == PlaybackSaver::State::Failed || state != PlaybackStream::kPlaying ||
        playedOut) {
        EndSave(false);
        return;
    }
    const double seconds =
        saver_.Frames() == 0 ? 0.0 : (saver_.LastMs() - saver_.FirstMs()) / 1000.0;
    saveStatus_ = tr("Сохранение: %1 с").arg(seconds, 0, 'f', 1);
    update(0, 0, width(), PlaybackLayout::kBandHeight);
}

void CPlayback::Sync() {
    if (!stream_) return;
    SyncSave();
    const int state = stream_->State();
    canvas_->SetPlayState(state);
    ShowTransport(state);
    if (state == PlaybackStream::kIdle || state == PlaybackStream::kFailed) return;
    if (!timeline_) {
        timeline_ = stream_->Timeline();
        if (!timeline_) return;
        // A new playback: its range and its start and end times.
        slider_->setRange(0, timeline_->Length());
        endTime_ = QString::fromStdString(timeline_->EndText());
    }
    if (!slider_->isSliderDown()) {
        const int position = ShownPosition();
        slider_->setSliderPosition(position);
        currentTime_ = QString::fromStdString(timeline_->TimeAt(position));
    }
    update(0, PlaybackLayout::kBandHeight, width(), height() - PlaybackLayout::kBandHeight);
}

int CPlayback::ShownPosition() {
    const int position = stream_->Position();
    if (!jumpTarget_) return position;
    // The stream has arrived when it reports the jump's second or the few after it.
    const auto since = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - jumpAt_)
                           .count();
    const bool arrived = position >= *jumpTarget_ && position <= *jumpTarget_ + since + 1;
    if (arrived || since >= kJumpHoldSeconds) {
        jumpTarget_.reset();
        return position;
    }
    return *jumpTarget_;
}

void CPlayback::ShowTransport(int state) {
    const bool playing = state == PlaybackStream::kPlaying;
    const bool offerPlay = (playing && paused_) || state == PlaybackStream::kIdle ||
                           state == PlaybackStream::kFailed;
    // Swapped only when it changes, so that the focus stays where the user left it.
    if (resume_->isHidden() == offerPlay) {
        const bool focused = pause_->hasFocus() || resume_->hasFocus();
        pause_->setVisible(!offerPlay);
        resume_->setVisible(offerPlay);
        if (focused) (offerPlay ? resume_ : pause_)->setFocus();
    }
    pause_->setEnabled(playing);
    resume_->setEnabled(playing);
}

void CPlayback::OnPause() {
    if (stream_) stream_->Pause();
    paused_ = true;
    pause_->hide();
    resume_->show();
    resume_->setFocus();
}

void CPlayback::OnResume() {
    if (stream_) stream_->Play();
    paused_ = false;
    resume_->hide();
    pause_->show();
    pause_->setFocus();
}

bool CPlayback::eventFilter(QObject* watched, QEvent* event) {
    if (watched != slider_ || event->type() != QEvent::MouseButtonPress || !timeline_)
        return FramedDialog::eventFilter(watched, event);
    const auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() != Qt::LeftButton) return false;
    QStyleOptionSlider option;
    option.initFrom(slider_);
    option.orientation = Qt::Horizontal;
    option.minimum = slider_->minimum();
    option.maximum = slider_->maximum();
    option.sliderPosition = slider_->sliderPosition();
    option.sliderValue = slider_->value();
    QStyle* style = slider_->style();
    const QRect handle =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider_);
    const QPoint at = press->position().toPoint();
    if (handle.contains(at)) return false;  // the thumb is dragged as usual
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider_);
    const int span = groove.width() - handle.width();
    const int x = at.x() - groove.x() - handle.width() / 2;
    JumpTo(QStyle::sliderValueFromPosition(slider_->minimum(), slider_->maximum(), x,
                                           std::max(1, span)));
    return true;
}

void CPlayback::OnForward() {
    if (timeline_) JumpTo(timeline_->Forward(slider_->value()));
}

void CPlayback::OnRewind() {
    if (timeline_) JumpTo(timeline_->Rewind(slider_->value()));
}

void CPlayback::OnSliderAction(int action) {
    if (!timeline_) return;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            JumpTo(timeline_->ArrowStep(slider_->sliderPosition(), +1));
            break;
        case QAbstractSlider::SliderSingleStepSub:
            JumpTo(timeline_->ArrowStep(slider_->sliderPosition(), -1));
            break;
        case QAbstractSlider::SliderPageStepAdd:
        case QAbstractSlider::SliderPageStepSub:
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum:
            JumpTo(slider_->sliderPosition());
            break;
        default:
            break;  // tracking the thumb moves nothing until it is released
    }
}

void CPlayback::OnSliderReleased() {
    if (timeline_) JumpTo(slider_->sliderPosition());
}

void CPlayback::JumpTo(int position) {
    position = std::clamp(position, slider_->minimum(), slider_->maximum());
    jumpTarget_ = position;
    jumpAt_ = std::chrono::steady_clock::now();
    slider_->setSliderPosition(position);
    currentTime_ = QString::fromStdString(timeline_->TimeAt(position));
    if (stream_) stream_->Jump(position);
    update();
}

void CPlayback::SetMaximised(bool maximised) {
    if (maximised)
        showMaximized();
    else
        showNormal();
    maximise_->setVisible(!maximised);
    restore_->setVisible(maximised);
}

void CPlayback::resizeEvent(QResizeEvent* event) {
    FramedDialog::resizeEvent(event);
    const PlaybackLayout l = ComputePlaybackLayout(width(), height());
    canvas_->setGeometry(ToQRect(l.video));
    for (std::size_t k = 0; k < 4; ++k) lists_[k]->setGeometry(ToQRect(l.lists[k]));
    start_->setGeometry(ToQRect(l.start));
    slider_->setGeometry(ToQRect(l.slider));
    rewind_->setGeometry(ToQRect(l.rewind));
    pause_->setGeometry(ToQRect(l.pause));
    resume_->setGeometry(ToQRect(l.pause));
    forward_->setGeometry(ToQRect(l.forward));
    save_->setGeometry(ToQRect(l.save));
    saveCancel_->setGeometry(ToQRect(l.saveCancel));
    CloseButton()->setGeometry(ToQRect(l.close));
    maximise_->setGeometry(ToQRect(l.maximise));
    restore_->setGeometry(ToQRect(l.maximise));
}

void CPlayback::paintEvent(QPaintEvent* event) {
    FramedDialog::paintEvent(event);
    QPainter p(this);
    const PlaybackLayout l = ComputePlaybackLayout(width(), height());
    QFont f = font();
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(palette::kBlue);
    const char* captions[] = {playback_text::kYearCaption, playback_text::kMonthCaption,
                              playback_text::kDayCaption, playback_text::kHourCaption};
    for (std::size_t k = 0; k < 4; ++k)
        p.drawText(ToQRect(l.captions[k]), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                   Text(captions[k]));
    // The time texts fit the 50 pixels between the window's edge and the timeline.
    f.setPixelSize(11);
    p.setFont(f);
    p.drawText(ToQRect(l.currentTime), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
               currentTime_);
    p.drawText(ToQRect(l.endTime), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, endTime_);
}

void CPlayback::PaintBand(QPainter& p, const QRect& band) {
    QFont f = font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kTitleText);
    p.drawText(band.adjusted(10, 0, -80, 0), Qt::AlignVCenter | Qt::AlignLeft, title_);
    if (saveStatus_.isEmpty()) return;
    // The save's progress or outcome right of the title, before the band's buttons; a long
    // path loses its middle.
    f.setPixelSize(13);
    f.setBold(false);
    p.setFont(f);
    const QRect room = band.adjusted(band.width() / 3, 0, -80, 0);
    p.drawText(room, Qt::AlignVCenter | Qt::AlignRight,
               p.fontMetrics().elidedText(saveStatus_, Qt::ElideMiddle, room.width()));
}

void CPlayback::keyPressEvent(QKeyEvent* event) {
    // Enter starts nothing; Escape closes (the dialog's own handling).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    FramedDialog::keyPressEvent(event);
}

void CPlayback::done(int result) {
    sync_.stop();
    flow_->Close();
    StopPlayback();
    FramedDialog::done(result);
}

}  // namespace nimbrel
