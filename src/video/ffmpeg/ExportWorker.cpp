#include "video/ffmpeg/ExportWorker.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

extern "C" {
#include <libavutil/error.h>
}

#include "video/ffmpeg/ThreadName.h"

namespace velatrace {

std::string AvErrorText(int averror) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return text;
}

MediaError WriteErrorKind(int averror) {
    switch (averror) {
        case AVERROR(ENOSPC):
        case AVERROR(EDQUOT):
            return MediaError::DiskFull;
        case AVERROR(EACCES):
        case AVERROR(EPERM):
        case AVERROR(EROFS):
            return MediaError::AccessDenied;
        case AVERROR(ENOENT):
            return MediaError::NotFound;
        default:
            return MediaError::Failed;
    }
}

ExportWorker::ExportWorker(std::string target, const char* threadName)
    : target_(std::move(target)), temp_(target_ + ".part"), threadName_(threadName) {}

ExportWorker::~ExportWorker() {
    Cancel();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ExportWorker::Start(Work work) {
    thread_ = std::thread([this, work = std::move(work)] { Run(work); });
}

void ExportWorker::Run(const Work& work) {
    NameThisThread(threadName_);
    ExportResult result;
    work(*this, result);
    std::error_code ec;
    if (Failed(result.error) || Cancelled()) {
        result.cancelled = Cancelled() && !Failed(result.error);
        if (result.cancelled) {
            result.error = MediaError::Nothing;
        }
        std::filesystem::remove(temp_, ec);
    } else {
        std::filesystem::rename(temp_, target_, ec);
        if (ec) {
            result.error = MediaError::Failed;
            result.text = "Cannot write " + target_ + ": " + ec.message();
            std::filesystem::remove(temp_, ec);
        } else {
            progress_.store(1000);
        }
    }
    result_ = std::move(result);
    done_.store(true);
}

}  // namespace velatrace
