#pragma once
// The engine's exports of a span of a clip (ExportJob.h): a copy of its frames as they are, and an
// H.264 MP4 of composed pictures.
#include <memory>

#include "video/ExportJob.h"

namespace velatrace {

MediaError StartSpanCopyJob(const ExportSpan& span, std::unique_ptr<ExportJob>* job);
MediaError StartShareVideoJob(const ExportSpan& span, const ShareVideoFormat& format,
                              std::unique_ptr<ExportJob>* job);

}  // namespace velatrace
