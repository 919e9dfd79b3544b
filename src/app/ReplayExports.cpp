#include "app/ReplayExports.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/SeekSpanBar.h"
#include "app/SyncedView.h"
#include "video/MediaEngine.h"
#include "wave/WaveCsvSpan.h"
#include "wave/WavePainter.h"

namespace velatrace {

namespace {

constexpr int kPollMs = 100;

QString FromPath(const char* path) {
    return QString::fromUtf8(path);
}

// The same file, whether or not both names exist yet.
bool SameFile(const QString& a, const QString& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a.toStdString(), b.toStdString(), ec)) {
        return true;
    }
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// The wave file beside a media file: its name with ".csv" for its extension.
QString WaveFileBeside(const QString& media) {
    char csv[kMaxPath];
    WaveCsvPathFor(csv, sizeof csv, media.toUtf8().constData(), false);
    return FromPath(csv);
}

// A still of the clip (24-bit, rows bottom-up) as a picture the right way up.
QImage PictureOf(const StillImage* still) {
    if (still == nullptr || still->width <= 0 || still->height <= 0) {
        return {};
    }
    return QImage(still->rows.data(), still->width, still->height,
                  static_cast<qsizetype>(StillRowBytes(still->width)), QImage::Format_BGR888)
        .mirrored(false, true);
}

// The chosen name with the export's extension when the user left it out.
QString WithSuffix(const QString& path, const QString& suffix) {
    return path.isEmpty() || QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) == 0
               ? path
               : path + QLatin1Char('.') + suffix;
}

}  // namespace

ReplayExports::ReplayExports(MainWindow& window, MainFrame& frame, MediaEngine& engine)
    : QObject(&window), window_(window), frame_(frame), engine_(engine) {
    QMenu* view = window_.Menu(Submenu::View);
    view->addSeparator();
    actions_[0] = AddAction(cmd::kSpanIn, tr("Set &in point\tI"), QStringLiteral("I"));
    actions_[1] = AddAction(cmd::kSpanOut, tr("Set &out point\tO"), QStringLiteral("O"));
    actions_[2] = AddAction(cmd::kExportSpan, tr("Export &span..."), QString());
    actions_[3] = AddAction(cmd::kExportPicture, tr("Export pictu&re..."), QString());
    actions_[4] = AddAction(cmd::kExportVideo, tr("Export vi&deo to share..."), QString());
    for (QAction* action : actions_) {
        view->addAction(action);
    }
    connect(actions_[0], &QAction::triggered, this,
            [this] { frame_.ReplayControl().SetSpanPoint(SpanPoint::In); });
    connect(actions_[1], &QAction::triggered, this,
            [this] { frame_.ReplayControl().SetSpanPoint(SpanPoint::Out); });
    connect(actions_[2], &QAction::triggered, this, &ReplayExports::ExportSpanCommand);
    connect(actions_[3], &QAction::triggered, this, &ReplayExports::ExportPictureCommand);
    connect(actions_[4], &QAction::triggered, this, &ReplayExports::ExportVideoCommand);
    connect(view, &QMenu::aboutToShow, this, &ReplayExports::UpdateState);

    // The seek bar shows the span and sets its points where the user points.
    QSlider* seek = window_.SeekBar();
    spanBar_ = new SeekSpanBar(seek);
    seek->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(seek, &QWidget::customContextMenuRequested, this, [this, seek](const QPoint& at) {
        if (!frame_.Replay().IsOpen()) {
            return;
        }
        const int percent = spanBar_->PercentAt(at.x());
        QMenu menu;
        QAction* in = menu.addAction(tr("Set in point here"));
        QAction* out = menu.addAction(tr("Set out point here"));
        QAction* chosen = menu.exec(seek->mapToGlobal(at));
        if (chosen == in || chosen == out) {
            frame_.ReplayControl().SetSpanPointAt(chosen == in ? SpanPoint::In : SpanPoint::Out,
                                                  percent);
        }
    });
    frame_.ReplayControl().AddListener([this] { UpdateState(); });

    status_ = new QLabel(&window_);
    status_->hide();
    window_.statusBar()->addPermanentWidget(status_);
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &ReplayExports::Poll);
    UpdateState();
}

ReplayExports::~ReplayExports() {
    job_.reset();  // cancels and waits; its temporary file is removed
}

QAction* ReplayExports::AddAction(uint32_t id, const QString& text, const QString& shortcut) {
    auto* action = new QAction(text.section(QLatin1Char('\t'), 0, 0), &window_);
    action->setData(id);
    if (!shortcut.isEmpty()) {
        action->setShortcut(QKeySequence(shortcut));
    }
    window_.addAction(action);
    return action;
}

void ReplayExports::UpdateState() {
    const ReplaySession& replay = frame_.Replay();
    const bool open = replay.IsOpen();
    const bool idle = job_ == nullptr;
    actions_[0]->setEnabled(open);
    actions_[1]->setEnabled(open);
    actions_[2]->setEnabled(open && idle);
    actions_[3]->setEnabled(open);
    actions_[4]->setEnabled(open && idle && replay.HasClip());
    const ReplaySpan& span = replay.Span();
    const int64_t length = replay.Length().count();
    const auto permille = [length](bool set, MediaTime at) {
        return !set ? -1 : (length <= 0 ? 0 : static_cast<int>(at.count() * 1000 / length));
    };
    spanBar_->SetSpan(open ? permille(span.hasIn, span.in) : -1,
                      open ? permille(span.hasOut, span.out) : -1);
}

QString ReplayExports::Problem() const {
    return status_->property("failed").toBool() ? status_->text() : QString();
}

void ReplayExports::Report(bool failed, const QString& text) {
    status_->setText(text);
    status_->setProperty("failed", failed);
    status_->setVisible(!text.isEmpty());
    if (failed) {
        QMessageBox::warning(&window_, window_.windowTitle(), text);
    }
}

bool ReplayExports::RefusedAsSource(const QString& aviPath, const QString& csvPath) {
    const ReplaySession& replay = frame_.Replay();
    for (const QString& mine : {FromPath(replay.MediaPath()), FromPath(replay.WavePath())}) {
        if (!mine.isEmpty() && (SameFile(aviPath, mine) || SameFile(csvPath, mine))) {
            Report(true, tr("The export cannot replace the recording it is made of: %1")
                             .arg(QFileInfo(mine).fileName()));
            return true;
        }
    }
    return false;
}

// ---- the span as a pair ------------------------------------------------------------------------

void ReplayExports::ExportSpanCommand() {
    const ReplaySession& replay = frame_.Replay();
    if (!replay.IsOpen() || job_ != nullptr) {
        return;
    }
    const QFileInfo source(FromPath(replay.HasClip() ? replay.MediaPath() : replay.WavePath()));
    const QString suggested =
        source.dir().filePath(source.completeBaseName() + QStringLiteral("_span.") +
                              (replay.HasClip() ? QStringLiteral("avi") : QStringLiteral("csv")));
    const QString path =
        WithSuffix(QFileDialog::getSaveFileName(
                       &window_, tr("Export span"), suggested,
                       replay.HasClip() ? tr("AVI files (*.avi)") : tr("Wave files (*.csv)")),
                   replay.HasClip() ? QStringLiteral("avi") : QStringLiteral("csv"));
    if (!path.isEmpty()) {
        StartSpanExport(path);
    }
}

bool ReplayExports::StartSpanExport(const QString& aviPath) {
    ReplaySession& replay = frame_.ReplayControl();
    if (!replay.IsOpen() || job_ != nullptr) {
        return false;
    }
    const bool clip = replay.HasClip();
    const QString csvPath = clip ? WaveFileBeside(aviPath) : aviPath;
    if (RefusedAsSource(aviPath, csvPath)) {
        return false;
    }
    span_ = replay.SpanToExport();
    const Recording& recording = replay.Loaded();
    intervalMs_ = recording.setup.intervalMs;
    for (int c = 0; c < kChannels; ++c) {
        scales_[c] = recording.setup.channel[c].scale;
    }
    waveSource_ = recording.loaded ? FromPath(replay.WavePath()) : QString();
    waveTarget_ = csvPath;
    markerSource_ = FromPath(clip ? replay.MediaPath() : replay.WavePath());
    target_ = aviPath;
    pairExport_ = true;
    if (!clip) {  // a wave file alone: its records and markers, counted from the span's start
        FinishPair(span_.in);
        return true;
    }
    ExportSpan span{replay.MediaPath(), aviPath.toStdString(), span_.in, span_.out};
    std::unique_ptr<ExportJob> job;
    const MediaError started = engine_.StartSpanCopy(span, &job);
    return StartJob(tr("Exporting the span..."), started, std::move(job));
}

// ---- the picture -------------------------------------------------------------------------------

void ReplayExports::ExportPictureCommand() {
    const ReplaySession& replay = frame_.Replay();
    if (!replay.IsOpen()) {
        return;
    }
    const QFileInfo source(FromPath(replay.HasClip() ? replay.MediaPath() : replay.WavePath()));
    const QString suggested = source.dir().filePath(
        source.completeBaseName() +
        QString::asprintf("_%lld.png", static_cast<long long>(replay.Position().count() / 1000)));
    const QString path =
        WithSuffix(QFileDialog::getSaveFileName(&window_, tr("Export picture"), suggested,
                                                tr("PNG pictures (*.png)")),
                   QStringLiteral("png"));
    if (!path.isEmpty()) {
        ExportPicture(path);
    }
}

bool ReplayExports::ExportPicture(const QString& path) {
    ReplaySession& replay = frame_.ReplayControl();
    if (!replay.IsOpen()) {
        return false;
    }
    const QImage picture = replay.HasClip() ? PictureOf(frame_.Video().GrabFrame()) : QImage();
    QImage canvas(SyncedViewSize(picture.size()), QImage::Format_RGB32);
    PaintSyncedView(canvas, picture, frame_.View(), replay.Position(), WavePaneFont());
    if (!canvas.save(path, "PNG")) {
        Report(true, tr("Cannot write %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    Report(false, tr("Picture saved: %1").arg(QFileInfo(path).fileName()));
    return true;
}

// ---- the video to share ------------------------------------------------------------------------

void ReplayExports::ExportVideoCommand() {
    const ReplaySession& replay = frame_.Replay();
    if (!replay.IsOpen() || !replay.HasClip() || job_ != nullptr) {
        return;
    }
    const QFileInfo source(FromPath(replay.MediaPath()));
    const QString path = WithSuffix(
        QFileDialog::getSaveFileName(
            &window_, tr("Export video to share"),
            source.dir().filePath(source.completeBaseName() + QStringLiteral("_share.mp4")),
            tr("MP4 videos (*.mp4)")),
        QStringLiteral("mp4"));
    if (!path.isEmpty()) {
        StartVideoExport(path);
    }
}

bool ReplayExports::StartVideoExport(const QString& mp4Path) {
    ReplaySession& replay = frame_.ReplayControl();
    if (!replay.IsOpen() || !replay.HasClip() || job_ != nullptr ||
        RefusedAsSource(mp4Path, mp4Path)) {
        return false;
    }
    span_ = replay.SpanToExport();
    pairExport_ = false;
    target_ = mp4Path;
    snapshot_ = std::make_unique<SyncedViewSnapshot>(replay.Loaded(), frame_.View());
    const StreamSettings& stream = frame_.Video().Stream();
    const QSize size =
        SyncedViewSize(QSize(stream.lvw > 0 ? stream.lvw : 640, stream.lvh > 0 ? stream.lvh : 480));
    ExportSpan span{replay.MediaPath(), mp4Path.toStdString(), span_.in, span_.out};
    std::unique_ptr<ExportJob> job;
    const MediaError started = engine_.StartShareVideo(
        span, ShareVideoFormat{size.width(), size.height(), snapshot_->Composer()}, &job);
    return StartJob(tr("Exporting the video..."), started, std::move(job));
}

// ---- running -----------------------------------------------------------------------------------

bool ReplayExports::StartJob(const QString& what, MediaError started,
                             std::unique_ptr<ExportJob> job) {
    if (Failed(started) || job == nullptr) {
        Report(true,
               tr("Cannot export %1: %2")
                   .arg(QFileInfo(target_).fileName(), QString::fromUtf8(ErrorText(started))));
        return false;
    }
    job_ = std::move(job);
    progress_ = new QProgressDialog(what, tr("Cancel"), 0, 1000, &window_);
    progress_->setWindowModality(Qt::NonModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
        if (job_ != nullptr) {
            job_->Cancel();
        }
    });
    progress_->show();
    poll_->start();
    UpdateState();
    return true;
}

void ReplayExports::Poll() {
    if (job_ == nullptr) {
        poll_->stop();
        return;
    }
    if (progress_ != nullptr) {
        progress_->setValue(job_->Progress());
    }
    if (job_->Done()) {
        poll_->stop();
        Finish();
    }
}

void ReplayExports::Finish() {
    ExportResult result;
    if (job_ != nullptr) {
        result = job_->Result();
        job_.reset();
    }
    snapshot_.reset();
    if (progress_ != nullptr) {
        progress_->deleteLater();
        progress_ = nullptr;
    }
    const QString name = QFileInfo(target_).fileName();
    if (result.cancelled) {
        Report(false, tr("Export cancelled: %1").arg(name));
    } else if (Failed(result.error)) {
        Report(true, tr("Cannot export %1: %2").arg(name, QString::fromUtf8(result.text.c_str())));
    } else if (pairExport_) {
        FinishPair(result.firstAt);
    } else {
        Report(false, tr("Exported: %1").arg(name));
    }
    UpdateState();
}

void ReplayExports::FinishPair(MediaTime firstAt) {
    const QString name = QFileInfo(target_).fileName();
    if (!waveSource_.isEmpty()) {
        // The span's records beside its frames; without them the pair is not made at all.
        const CsvSpanResult rows = WriteWaveCsvSpan(
            waveSource_.toUtf8().constData(), waveTarget_.toUtf8().constData(), span_.inRecord,
            span_.outRecord, int64_t{span_.inRecord} * intervalMs_, scales_);
        if (!rows.ok) {
            if (waveTarget_ != target_) {
                std::error_code ec;
                std::filesystem::remove(target_.toStdString(), ec);
            }
            Report(true, tr("Cannot export %1: %2").arg(name, QString::fromUtf8(rows.error)));
            return;
        }
    }
    // The markers of the span come along, counted from the new pair's start.
    const MarkerSpan markers{span_.in.count() / 1000, span_.out.count() / 1000,
                             firstAt.count() / 1000, span_.inRecord, span_.outRecord};
    char error[kMaxPath + 160] = {};
    if (CopyMarkersOfSpan(markerSource_.toUtf8().constData(), target_.toUtf8().constData(), markers,
                          error, sizeof error) != 0) {
        Report(true,
               tr("The span was exported without its markers: %1").arg(QString::fromUtf8(error)));
        return;
    }
    Report(false, tr("Span exported: %1").arg(name));
}

}  // namespace velatrace
