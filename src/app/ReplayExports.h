#pragma once
// The replay's span and what the user exports of a recording: the in and out points (keys I and
// O, and the seek bar's context menu), the span as a new AVI + CSV pair (frames copied), the
// synced view at the cursor as a PNG, and the span as an H.264 MP4 to share. The two video exports
// run on the media engine's worker thread; this window polls their progress with a timer and
// shows it with Cancel, so it stays responsive. A failure is told once in a message box and stays
// in the status bar.
#include <QObject>
#include <QString>
#include <memory>

#include "session/ReplaySession.h"
#include "video/ExportJob.h"

class QAction;
class QLabel;
class QProgressDialog;
class QTimer;

namespace velatrace {

class MainFrame;
class MainWindow;
class MediaEngine;
class SeekSpanBar;
class SyncedViewSnapshot;

class ReplayExports : public QObject {
    Q_OBJECT

  public:
    ReplayExports(MainWindow& window, MainFrame& frame, MediaEngine& engine);
    ~ReplayExports() override;

    // Each asks for the file name first; the Start ones return whether an export began.
    void ExportSpanCommand();
    void ExportPictureCommand();
    void ExportVideoCommand();

    // The same with the file named.
    bool ExportPicture(const QString& path);
    bool StartSpanExport(const QString& aviPath);
    bool StartVideoExport(const QString& mp4Path);
    // The export running, or null.
    ExportJob* Running() const { return job_.get(); }
    // The bar's span, for tests.
    const SeekSpanBar* SpanBar() const { return spanBar_; }
    // The last problem shown (empty after a success).
    QString Problem() const;

  private:
    QAction* AddAction(uint32_t id, const QString& text, const QString& shortcut);
    void UpdateState();
    // Polls the running job; once it is done, finishes it.
    void Poll();
    void Finish();
    // The wave file and the markers of an exported span, once its frames are written.
    void FinishPair(MediaTime firstAt);
    bool StartJob(const QString& what, MediaError started, std::unique_ptr<ExportJob> job);
    // Tells a failure once and leaves it in the status bar; success only in the status bar.
    void Report(bool failed, const QString& text);
    // A target that is the open recording's own media or wave file is refused.
    bool RefusedAsSource(const QString& aviPath, const QString& csvPath);

    MainWindow& window_;
    MainFrame& frame_;
    MediaEngine& engine_;
    SeekSpanBar* spanBar_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* poll_ = nullptr;
    QProgressDialog* progress_ = nullptr;
    QAction* actions_[5] = {};

    // What the running export needs at its end (the job is destroyed before the snapshot).
    std::unique_ptr<SyncedViewSnapshot> snapshot_;
    std::unique_ptr<ExportJob> job_;
    bool pairExport_ = false;
    QString target_;
    QString waveSource_;
    QString waveTarget_;
    QString markerSource_;
    ReplaySpan span_;
    int32_t intervalMs_ = 0;
    double scales_[kChannels] = {};
};

}  // namespace velatrace
