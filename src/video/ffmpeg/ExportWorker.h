#pragma once
// The engine's side of an export job: one worker thread running the job's work against a
// temporary file beside the target, with its progress and a cancel flag shared with the GUI
// thread. The work writes to TempPath(); when it succeeds the temporary file is renamed to the
// target, otherwise (failure or cancel) it is removed, so no partial file is ever left.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "video/ExportJob.h"

namespace velatrace {

class ExportWorker : public ExportJob {
  public:
    // What the worker runs: fills `result` (error, frames, text); may check Cancelled and call
    // SetProgress as it goes.
    using Work = std::function<void(ExportWorker& job, ExportResult& result)>;

    ExportWorker(std::string target, const char* threadName);
    ~ExportWorker() override;
    ExportWorker(const ExportWorker&) = delete;
    ExportWorker& operator=(const ExportWorker&) = delete;

    // Starts the worker thread on `work`.
    void Start(Work work);

    int32_t Progress() const override { return progress_.load(); }
    void Cancel() override { cancel_.store(true); }
    bool Done() const override { return done_.load(); }
    const ExportResult& Result() const override { return result_; }

    // Worker side.
    bool Cancelled() const { return cancel_.load(); }
    void SetProgress(int32_t thousandths) { progress_.store(thousandths); }
    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }

  private:
    void Run(const Work& work);

    std::string target_;
    std::string temp_;
    const char* threadName_;
    std::atomic<int32_t> progress_{0};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> done_{false};
    ExportResult result_;
    std::thread thread_;
};

// The system's words for an FFmpeg error code.
std::string AvErrorText(int averror);
// The kind of a failure to write (disk full, no permission...) from its FFmpeg code.
MediaError WriteErrorKind(int averror);

// What both exports share while they run on the worker: the job, its span and how a failure is
// written into the result (each returns false, for the caller to return).
class ExportSteps {
  protected:
    ExportSteps(ExportWorker& job, ExportResult& result, const ExportSpan& span)
        : job_(job), result_(result), span_(span) {}
    bool Fail(MediaError kind, const std::string& what, int averror) {
        result_.error = kind;
        result_.text = what + ": " + AvErrorText(averror);
        return false;
    }
    bool WriteFailed(int averror) {
        return Fail(WriteErrorKind(averror), "Cannot write " + span_.target, averror);
    }

    ExportWorker& job_;
    ExportResult& result_;
    const ExportSpan& span_;
};

}  // namespace velatrace
