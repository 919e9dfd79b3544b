#include "app/SyncedView.h"

#include <QPainter>
#include <QString>
#include <algorithm>

#include "dde/StillNote.h"
#include "wave/WavePainter.h"

namespace velatrace {

namespace {

constexpr int kMinWaveHeight = 160;
constexpr int kTextMargin = 6;

QString TimeText(MediaTime at) {
    const int64_t ms = at.count() / 1000;
    return QString::asprintf("%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                             static_cast<long long>(ms / 60000 % 60),
                             static_cast<long long>(ms / 1000 % 60),
                             static_cast<long long>(ms % 1000));
}

// The time, then "CHn value unit" of each channel that has a value at the cursor.
QString ValuesText(const WaveView& view, MediaTime at) {
    StillNote note;
    NoteChannels(view.Source(), view.NewestRow(), &note);
    QString text = TimeText(at);
    for (int c = 0; c < kChannels; ++c) {
        if (note.channel[c].on) {
            text += QString::asprintf("   CH%d %.3f %s", c + 1, note.channel[c].value,
                                      note.channel[c].unit);
        }
    }
    return text;
}

}  // namespace

QSize SyncedViewSize(QSize picture) {
    const int width = std::max(picture.width(), 320);
    const int height = std::max(picture.height(), 0);
    return {width, height + std::max(kMinWaveHeight, height / 2)};
}

void PaintSyncedView(QImage& canvas, const QImage& picture, const WaveView& view, MediaTime at,
                     const QFont& font) {
    QPainter painter(&canvas);
    painter.fillRect(canvas.rect(), Qt::black);
    const int frameHeight = picture.isNull() ? 0 : std::min(picture.height(), canvas.height());
    if (!picture.isNull()) {
        painter.drawImage(QPoint((canvas.width() - picture.width()) / 2, 0), picture);
    }
    const QRect wave(0, frameHeight, canvas.width(), canvas.height() - frameHeight);
    if (view.HasCurves() && wave.height() > 0) {
        painter.save();
        painter.setClipRect(wave);
        painter.translate(wave.topLeft());
        PaintWave(painter, QRect(QPoint(0, 0), wave.size()), view, &font);
        painter.restore();
    }
    // The time and values on a dark band at the top of the frame, readable on any picture.
    painter.setFont(font);
    const QString text = ValuesText(view, at);
    const QFontMetrics metrics(font);
    const QRect band(0, 0, canvas.width(), metrics.height() + 2 * kTextMargin);
    painter.fillRect(band, QColor(0, 0, 0, 160));
    painter.setPen(Qt::white);
    painter.drawText(band.adjusted(kTextMargin, 0, -kTextMargin, 0),
                     Qt::AlignVCenter | Qt::AlignLeft, text);
}

SyncedViewSnapshot::SyncedViewSnapshot(const Recording& recording, const WaveView& view)
    : recording_(recording), scales_(view.Scales()), channel_(view.CurrentChannel()) {
    const int32_t interval = recording_.setup.intervalMs > 0 ? recording_.setup.intervalMs : 100;
    recordMicros_ = int64_t{interval} * 1000;
}

ExportComposer SyncedViewSnapshot::Composer() {
    return [this](const VideoFrame& picture, MediaTime at, VideoFrame* canvas) {
        Compose(picture, at, canvas);
    };
}

void SyncedViewSnapshot::Compose(const VideoFrame& picture, MediaTime at, VideoFrame* canvas) {
    if (!font_) {
        font_ = std::make_unique<QFont>(WavePaneFont());
    }
    WaveView view;
    view.SetScales(scales_);
    if (recording_.loaded && recording_.records.Records() > 0) {
        view.ShowRecording(recording_.setup, recording_.records);
        view.SelectChannel(channel_);
        // The record whose time span holds the frame is the newest drawn, as in the replay.
        const int64_t row = (at.count() < 0 ? 0 : at.count() / recordMicros_) + 1;
        view.MoveCursor(static_cast<int32_t>(std::min<int64_t>(row, recording_.records.Records())));
    }
    const QImage frame(picture.pixels.data(), picture.width, picture.height, picture.stride,
                       QImage::Format_RGB32);
    QImage target(canvas->pixels.data(), canvas->width, canvas->height, canvas->stride,
                  QImage::Format_RGB32);
    PaintSyncedView(target, frame, view, at, *font_);
}

}  // namespace velatrace
