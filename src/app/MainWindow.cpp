#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/BarIcons.h"
#include "app/CommandActions.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "app/MarkedSeekBar.h"
#include "video/VideoPane.h"

namespace velatrace {

namespace {

constexpr int kSeekBarWidth = 150;
constexpr int kSeekBarHeight = 20;
constexpr int kSeekPageSize = 20;   // a fifth of the range, like a trackbar's default page
constexpr int kSplitterBar = 4;     // the thickness of a sizing frame
constexpr int kSyncPeriodMs = 250;  // safety net; every core call syncs at once anyway
constexpr int kStatusPanePadding = 12;
constexpr int kRecordingPaneWidth = 520;  // widest the recording indicator grows
constexpr int kReachable = 24;            // so much of the title bar must lie on a screen

// The window's fixed texts come from the command table, in the running language.
QString Text(const char* text) {
    return CommandTr(text);
}

// A pane standing in for the wave pane until the program puts the real one in.
QWidget* MakeBlackPane() {
    auto* pane = new QWidget;
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, Qt::black);
    pane->setPalette(palette);
    pane->setAutoFillBackground(true);
    return pane;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(Text(kTitleAtCreation));
    setWindowIcon(ProgramIcon());
    actions_ = new CommandActions(this);
    connect(actions_, &CommandActions::Triggered, this, &MainWindow::RunCommand);
    BuildMenus();
    BuildBars();
    BuildPanes();
    BuildStatusBar();
    resize(kDefaultFrameCx, kDefaultFrameCy);

    syncTimer_ = new QTimer(this);
    syncTimer_->setInterval(kSyncPeriodMs);
    connect(syncTimer_, &QTimer::timeout, this, [this] { SyncActions(false); });
    syncTimer_->start();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetHandler(FrameHandler* handler) {
    handler_ = handler;
    SyncActions(true);
}

void MainWindow::CreateFrame() {
    if (handler_ != nullptr) {
        handler_->Create();
    }
    setWindowTitle(Text(kTitle));
    SyncActions(true);
}

// ---- building ----------------------------------------------------------------------------------

void MainWindow::BuildMenus() {
    const auto add = [this](QMenu* menu, uint32_t id) { menu->addAction(actions_->Action(id)); };
    using namespace cmd;

    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(file, kFileOpen);
    add(file, kFileClose);
    file->addSeparator();
    add(file, kCaptureSetting);
    file->addSeparator();
    recent_ = file->addMenu(tr("Recent &file"));  // position 5
    file->addSeparator();
    add(file, kExit);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (uint32_t id : {kFileBar, kSeekBar, kCaptureBar, kChannelBar, kVideoPane, kWavePane}) {
        add(view, id);
    }
    view->addSeparator();
    for (uint32_t id : {kClipStop, kClipStart, kClipPause, kClipInformation}) {
        add(view, id);
    }
    view->addSeparator();
    add(view, kNextChannel);
    add(view, kPreviousChannel);
    view->addSeparator();
    for (uint32_t id : {kLevelZoomOut, kLevelZoomIn, kTimeZoomIn, kTimeZoomOut}) {
        add(view, id);
    }
    view->addSeparator();
    for (uint32_t id : {kNextMarker, kPreviousMarker, kMarkerList}) {
        add(view, id);
    }
    view->addSeparator();
    add(view, kLanguage);

    QMenu* capture = menuBar()->addMenu(tr("&Capture"));
    add(capture, kCapture);
    add(capture, kPreview);
    capture->addSeparator();
    add(capture, kFilter);
    add(capture, kFormat);
    capture->addSeparator();
    add(capture, kMarker);

    QMenu* transfer = menuBar()->addMenu(tr("&Transfer"));
    add(transfer, kTransportSetting);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, kHelpTopics);
    add(help, kAbout);

    menus_[0] = file;
    menus_[1] = view;
    menus_[2] = capture;
    menus_[3] = transfer;
    menus_[4] = help;
    for (QMenu* menu : menus_) {
        // Like a popup's update on opening: the items show the table as it is now.
        connect(menu, &QMenu::aboutToShow, this, [this] { SyncActions(false); });
    }
    SetRecentItems(nullptr, 0);
}

QToolBar* MainWindow::MakeBar(const char* title, QSize iconSize,
                              std::initializer_list<uint32_t> ids) {
    // The title shows in the language of the window; the name stays the English one.
    auto* bar = new QToolBar(tr(title), this);
    bar->setObjectName(QString::fromLatin1(title));
    bar->setIconSize(iconSize);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (uint32_t id : ids) {
        if (id == 0) {
            bar->addSeparator();
        } else {
            bar->addAction(actions_->Action(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

void MainWindow::BuildBars() {
    using namespace cmd;
    bars_[0] = MakeBar(QT_TR_NOOP("File bar"), kWideButtonSize,
                       {kFileOpen, 0, kClipStop, kClipStart, kClipPause});

    seek_ = new MarkedSeekBar;
    seek_->setRange(0, 100);
    seek_->setSingleStep(0);  // arrow keys and the wheel do not move it
    seek_->setPageStep(kSeekPageSize);
    seek_->setTickPosition(QSlider::TicksBelow);
    seek_->setTickInterval(100);  // ticks only at both ends
    seek_->setFixedSize(kSeekBarWidth, kSeekBarHeight);
    seek_->setToolTip(Text(kSeekBarToolTip));
    seek_->setFocusPolicy(Qt::ClickFocus);
    auto* seekBar = new QToolBar(tr("Seek bar"), this);
    seekBar->setObjectName(QStringLiteral("Seek bar"));
    seekBar->setMovable(false);
    seekBar->setFloatable(false);
    seekBar->addWidget(seek_);
    addToolBar(Qt::TopToolBarArea, seekBar);
    bars_[1] = seekBar;

    // The trackbar's notifications: thumb tracking while dragged, the thumb's position when it
    // is let go or moved by page, each followed by the end of the scroll.
    connect(seek_, &QSlider::sliderMoved, this,
            [this](int position) { RunSeek(SeekEvent::Track, position); });
    connect(seek_, &QSlider::sliderReleased, this, [this] {
        RunSeek(SeekEvent::ThumbPosition, seek_->value());
        RunSeek(SeekEvent::EndScroll, 0);
    });
    connect(seek_, &QSlider::valueChanged, this, [this](int position) {
        if (settingSeek_ || seek_->isSliderDown()) {
            return;
        }
        RunSeek(SeekEvent::ThumbPosition, position);
        RunSeek(SeekEvent::EndScroll, 0);
    });

    bars_[2] = MakeBar(QT_TR_NOOP("Capture bar"), kWideButtonSize,
                       {kDdeTransfer, kCapture, kPreview, kMarker});
    bars_[3] = MakeBar(QT_TR_NOOP("Channel bar"), kNarrowButtonSize,
                       {kNextChannel, kPreviousChannel, 0, kLevelZoomOut, kLevelZoomIn, kTimeZoomIn,
                        kTimeZoomOut});
}

void MainWindow::BuildPanes() {
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setHandleWidth(kSplitterBar);
    splitter_->setChildrenCollapsible(false);
    splitter_->setOpaqueResize(true);
    video_ = new VideoPane;
    wave_ = MakeBlackPane();
    splitter_->addWidget(video_);
    splitter_->addWidget(wave_);
    // Resizing the window keeps the bar where it is: the wave pane takes the difference.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->installEventFilter(this);
    connect(video_, &VideoPane::resized, this, &MainWindow::OnPaneResized);
    setCentralWidget(splitter_);
    pendingSplit_ = kDefaultSplit;
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    panes_[0] = new QLabel(Text(kReadyText));
    bar->addWidget(panes_[0], 1);
    const QFontMetrics metrics(bar->font());
    const char* samples[2] = {kStatusPane1Sample, kStatusPane2Sample};
    for (int i = 1; i <= 2; ++i) {
        auto* pane = new QLabel;
        pane->setFont(bar->font());
        pane->setFixedWidth(metrics.horizontalAdvance(Text(samples[i - 1])) + kStatusPanePadding);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addPermanentWidget(pane);
        panes_[i] = pane;
    }
    // Large bold text on a strong colour, so a recording (or its failure) is seen from afar.
    recording_ = new QLabel;
    QFont big = bar->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    recording_->setFont(big);
    recording_->setMargin(2);
    recording_->hide();
    // The program's own panes come after the three panes of the status bar's design.
    bar->addPermanentWidget(recording_);
}

void MainWindow::SetWavePane(QWidget* pane) {
    if (pane == nullptr || pane == wave_) {
        return;
    }
    QWidget* old = splitter_->replaceWidget(1, pane);
    wave_ = pane;
    if (old != nullptr) {
        old->deleteLater();
    }
    if (pane->metaObject()->indexOfSignal("resized()") >= 0) {
        connect(pane, SIGNAL(resized()), this, SLOT(OnPaneResized()));
    }
    splitter_->setStretchFactor(1, 1);
}

// ---- accessors ---------------------------------------------------------------------------------

QToolBar* MainWindow::Bar(uint32_t bandId) const {
    if (bandId < cmd::kBandFileBar || bandId > cmd::kBandChannelBar) {
        return nullptr;
    }
    return bars_[bandId - cmd::kBandFileBar];
}

QMenu* MainWindow::Menu(Submenu position) const {
    const int index = static_cast<int>(position);
    return index >= 0 && index < 5 ? menus_[index] : nullptr;
}

QLabel* MainWindow::StatusPane(int pane) const {
    return pane >= 0 && pane < 3 ? panes_[pane] : nullptr;
}

// ---- forwarding to the core --------------------------------------------------------------------

void MainWindow::RunCommand(uint32_t id) {
    if (id == cmd::kLanguage) {
        if (languageCommand_) {
            languageCommand_();
        }
        return;
    }
    if (handler_ != nullptr) {
        handler_->OnCommand(id);
    }
    // Also when nothing changed in the table: a checkable action flipped its own check.
    SyncActions(true);
}

void MainWindow::RunTimer(uint32_t id) {
    if (handler_ != nullptr) {
        handler_->OnTimer(id);
    }
    SyncActions(false);
}

void MainWindow::RunLoggerData(uint32_t result, uint32_t byteCount) {
    if (handler_ != nullptr) {
        handler_->OnLoggerData(result, byteCount);
    }
    SyncActions(false);
}

void MainWindow::RunSeek(SeekEvent event, int position) {
    if (handler_ != nullptr) {
        handler_->OnSeekBar(event, position);
    }
    SyncActions(false);
}

void MainWindow::NotifyEngineNews() {
    if (!newsPending_.exchange(true)) {
        QMetaObject::invokeMethod(this, &MainWindow::RunEngineNews, Qt::QueuedConnection);
    }
}

void MainWindow::RunEngineNews() {
    newsPending_.store(false);
    if (handler_ != nullptr) {
        handler_->OnEngineNews();
    }
    SyncActions(false);
}

void MainWindow::SyncActions(bool force) {
    if (handler_ != nullptr) {
        actions_->Sync(handler_->Ui(), force);
    }
}

void MainWindow::OnPaneResized() {
    RunCommand(cmd::kPaneResized);
}

// ---- what the window ports ask ----------------------------------------------------------------

void MainWindow::SetStatusText(int pane, const QString& text) {
    if (pane == 1 || pane == 2) {
        panes_[pane]->setText(text);
    }
}

void MainWindow::SetTransferStatus(const QString& text) {
    if (transferStatus_ == nullptr) {
        if (text.isEmpty()) {
            return;
        }
        transferStatus_ = new QLabel;
        transferStatus_->setStyleSheet(
            QStringLiteral("QLabel { background: #ffb000; color: black; }"));
        statusBar()->addPermanentWidget(transferStatus_);
    }
    const QFontMetrics metrics(transferStatus_->font());
    transferStatus_->setText(metrics.elidedText(text, Qt::ElideRight, kRecordingPaneWidth));
    transferStatus_->setToolTip(text);
    transferStatus_->setVisible(!text.isEmpty());
}

void MainWindow::SetRecordingStatus(const QString& text, RecordingLook look) {
    if (look == RecordingLook::Hidden || text.isEmpty()) {
        recording_->hide();
        recording_->clear();
        return;
    }
    // A long failure text is cut to fit beside the other panes; the whole of it is the tip.
    const QFontMetrics metrics(recording_->font());
    recording_->setText(metrics.elidedText(text, Qt::ElideRight, kRecordingPaneWidth));
    recording_->setToolTip(text);
    recording_->setStyleSheet(
        look == RecordingLook::Recording
            ? QStringLiteral("QLabel { background: #c00000; color: white; }")
            : QStringLiteral("QLabel { background: #ffb000; color: black; }"));
    recording_->show();
}

void MainWindow::SetSeekPosition(int position) {
    settingSeek_ = true;
    seek_->setValue(position);
    settingSeek_ = false;
}

void MainWindow::SetSeekTickFrequency(int frequency) {
    seek_->setTickInterval(frequency > 0 ? frequency : 100);
}

void MainWindow::SetSeekMarks(const std::vector<double>& shares) {
    seek_->SetMarks(QVector<double>(shares.begin(), shares.end()));
}

void MainWindow::AppendMenuItems(MenuExtension kind, Submenu position, const QStringList& names) {
    QMenu* menu = Menu(position);
    if (menu == nullptr) {
        return;
    }
    menu->addSeparator();
    switch (kind) {
        case MenuExtension::CaptureDevices: {
            const int count = std::min<int>(names.size(), cmd::kDeviceLast - cmd::kDeviceFirst + 1);
            for (int i = 0; i < count && !names[i].isEmpty(); ++i) {
                menu->addAction(actions_->Ensure(cmd::kDeviceFirst + i, names[i]));
            }
            break;
        }
        case MenuExtension::ChannelProperty:
            menu->addAction(actions_->Ensure(cmd::kChannelProperty, Text(kChannelPropertyText)));
            break;
        case MenuExtension::DdeTransfer:
            menu->addAction(actions_->Ensure(cmd::kDdeTransfer, Text(kDdeTransferText)));
            menu->addAction(
                actions_->Ensure(cmd::kDdeTransferSetting, Text(kDdeTransferSettingText)));
            break;
        case MenuExtension::Instrument:
            menu->addAction(actions_->Ensure(cmd::kInstrument, tr("&Instrument...")));
            break;
    }
    SyncActions(true);
}

void MainWindow::SetRecentItems(const RecentMenuItem* items, int count) {
    recent_->clear();  // the old items are owned by the menu and go with it
    const QString prompt = Text(kRecentPrompt);
    for (int i = 0; i < count; ++i) {
        const RecentMenuItem& item = items[i];
        // A path as it stands; the placeholder of an empty list in the running language.
        QAction* action =
            recent_->addAction(item.enabled ? QString::fromUtf8(item.text) : Text(item.text));
        action->setStatusTip(prompt);
        action->setEnabled(item.enabled);
        const uint32_t id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    if (count == 0) {
        // The list is not read yet: the empty placeholder.
        QAction* action = recent_->addAction(Text(kRecentEmptyText));
        action->setEnabled(false);
    }
}

void MainWindow::ShowBand(uint32_t bandId, bool show) {
    if (QToolBar* bar = Bar(bandId)) {
        bar->setVisible(show);
    }
}

void MainWindow::ShowPanes(int singlePane) {
    video_->setVisible(singlePane != 1);
    wave_->setVisible(singlePane != 0);
}

void MainWindow::PlaceWindow(const FramePlacement& placement) {
    if (placement.max != 0) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        // A place saved on a screen that is gone would leave the window out of reach.
        QPoint at(placement.x, placement.y);
        if (QGuiApplication::screenAt(at + QPoint(kReachable, kReachable)) == nullptr) {
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                at = screen->availableGeometry().topLeft();
            }
        }
        move(at);
        resize(std::max(placement.cx, 1), std::max(placement.cy, 1));
    }
    pendingSplit_ = std::max(placement.split, 0);
    ApplySplit();
}

FramePlacement MainWindow::CurrentPlacement() const {
    const QPoint at = pos();
    return PlacementAtClose(isMaximized(), at.x(), at.y(), width(), height(), video_->height());
}

void MainWindow::DestroyWindow() {
    allowClose_ = true;
    syncTimer_->stop();
    if (!inCloseEvent_) {
        close();
    }
}

void MainWindow::ApplySplit() {
    const int total = splitter_->height();
    if (pendingSplit_ < 0 || !splitter_->isVisible() || total <= 0) {
        return;  // set when the splitter gets its size
    }
    const int top = std::min(pendingSplit_, std::max(total - kSplitterBar, 0));
    splitter_->setSizes({top, std::max(total - top - kSplitterBar, 0)});
    pendingSplit_ = -1;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == splitter_ &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        ApplySplit();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (allowClose_ || handler_ == nullptr) {
        event->accept();
        return;
    }
    // The core runs its close sequence and destroys the window through its port when done.
    inCloseEvent_ = true;
    handler_->OnClose();
    inCloseEvent_ = false;
    if (allowClose_) {
        event->accept();
    } else {
        event->ignore();
        SyncActions(false);
    }
}

}  // namespace velatrace
