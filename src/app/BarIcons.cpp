#include "app/BarIcons.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRadialGradient>
#include <functional>

#include "app/CommandIds.h"

namespace velatrace {

namespace {

using Draw = std::function<void(QPainter&)>;

// One palette for all pictures, so the bars read as one set.
const QColor kOutline(0x2b, 0x2b, 0x2b);
const QColor kSlate(0x34, 0x49, 0x5e);
const QColor kGreen(0x2e, 0x9e, 0x44);
const QColor kGreenDark(0x1d, 0x6b, 0x2c);
const QColor kRed(0xd6, 0x2d, 0x20);
const QColor kRedDark(0x8e, 0x1b, 0x12);
const QColor kBlue(0x2a, 0x6f, 0xb0);
const QColor kBlueDark(0x1b, 0x4a, 0x78);
const QColor kAmber(0xe8, 0xb8, 0x4a);
const QColor kAmberLight(0xf7, 0xd7, 0x7c);
const QColor kAmberDark(0x8a, 0x64, 0x12);

// Renders the picture at 1x and 2x so it stays sharp on high-density screens.
QIcon MakeIcon(QSize size, const Draw& draw) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(scale);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen Outline(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void DrawOpen(QPainter& p) {
    // Folder body with its tab, then the opened front flap.
    QPainterPath back;
    back.moveTo(2.5, 17.5);
    back.lineTo(2.5, 5.5);
    back.lineTo(8.0, 5.5);
    back.lineTo(10.0, 7.5);
    back.lineTo(17.5, 7.5);
    back.lineTo(17.5, 17.5);
    back.closeSubpath();
    p.setPen(Outline(kAmberDark));
    p.setBrush(kAmber);
    p.drawPath(back);

    QPolygonF flap;
    flap << QPointF(5.5, 10.5) << QPointF(20.5, 10.5) << QPointF(17.5, 17.5) << QPointF(2.5, 17.5);
    QLinearGradient light(0, 10, 0, 18);
    light.setColorAt(0, kAmberLight);
    light.setColorAt(1, kAmber);
    p.setBrush(light);
    p.drawPolygon(flap);
}

void DrawStop(QPainter& p) {
    p.setPen(Outline(kOutline));
    p.setBrush(kSlate);
    p.drawRoundedRect(QRectF(5.5, 5.5, 11, 11), 1.5, 1.5);
}

void DrawStart(QPainter& p) {
    QPolygonF triangle;
    triangle << QPointF(6.5, 4.5) << QPointF(17.5, 11.0) << QPointF(6.5, 17.5);
    p.setPen(Outline(kGreenDark));
    QLinearGradient fill(0, 4, 0, 18);
    fill.setColorAt(0, kGreen.lighter(130));
    fill.setColorAt(1, kGreen);
    p.setBrush(fill);
    p.drawPolygon(triangle);
}

void DrawPause(QPainter& p) {
    p.setPen(Outline(kOutline));
    p.setBrush(kSlate);
    p.drawRoundedRect(QRectF(5.5, 4.5, 4, 13), 1, 1);
    p.drawRoundedRect(QRectF(12.5, 4.5, 4, 13), 1, 1);
}

void DrawDdeTransfer(QPainter& p) {
    // A still picture (top left) going into a spreadsheet's cell (bottom right).
    p.setPen(Outline(kOutline));
    p.setBrush(Qt::white);
    const QRectF sheet(7.5, 8.5, 13, 12);
    p.drawRect(sheet);
    p.setPen(Outline(QColor(0x90, 0x90, 0x90)));
    for (qreal x : {11.5, 15.5}) {
        p.drawLine(QPointF(x, 8.5), QPointF(x, 20.5));
    }
    for (qreal y : {12.5, 16.5}) {
        p.drawLine(QPointF(7.5, y), QPointF(20.5, y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(12, 13, 3, 3));  // the target cell

    p.setPen(Outline(kOutline));
    p.setBrush(QColor(0xcf, 0xe4, 0xf7));
    const QRectF picture(1.5, 1.5, 9, 7);
    p.drawRect(picture);
    QPolygonF hill;
    hill << QPointF(2, 8) << QPointF(5, 4.5) << QPointF(7, 6.5) << QPointF(8.5, 5.5)
         << QPointF(10, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreenDark);
    p.drawPolygon(hill);

    p.setPen(Outline(kBlue, 1.6));
    p.drawLine(QPointF(9.0, 10.0), QPointF(12.5, 13.5));
    p.setBrush(kBlue);
    p.setPen(Outline(kBlue, 1.0));
    QPolygonF head;
    head << QPointF(14.0, 15.0) << QPointF(9.8, 13.8) << QPointF(12.8, 10.8);
    p.drawPolygon(head);
}

void DrawCapture(QPainter& p) {
    QRadialGradient fill(QPointF(9, 9), 8);
    fill.setColorAt(0, kRed.lighter(150));
    fill.setColorAt(1, kRed);
    p.setPen(Outline(kRedDark));
    p.setBrush(fill);
    p.drawEllipse(QPointF(11, 11), 6.5, 6.5);
}

void DrawPreview(QPainter& p) {
    // A video camera: body and lens hood.
    p.setPen(Outline(kBlueDark));
    QLinearGradient fill(0, 6, 0, 17);
    fill.setColorAt(0, kBlue.lighter(140));
    fill.setColorAt(1, kBlue);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 10), 2, 2);
    QPolygonF hood;
    hood << QPointF(14.5, 9.5) << QPointF(20.5, 6.5) << QPointF(20.5, 16.5) << QPointF(14.5, 13.5);
    p.drawPolygon(hood);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(6, 11.5), 2.2, 2.2);
}

// A vertical arrow for the channel selection; `down` selects the next channel.
void DrawMarker(QPainter& p) {
    // A flag on its pole.
    p.setPen(Outline(kOutline, 1.5));
    p.drawLine(QPointF(6.5, 3.5), QPointF(6.5, 19.5));
    QPolygonF flag;
    flag << QPointF(7, 4) << QPointF(18.5, 7.5) << QPointF(7, 11);
    p.setPen(Outline(kAmberDark));
    p.setBrush(kAmber);
    p.drawPolygon(flag);
}

void DrawChannelArrow(QPainter& p, bool down) {
    p.save();
    if (!down) {
        p.translate(0, 22);
        p.scale(1, -1);
    }
    // Three short channel traces behind the arrow.
    p.setPen(Outline(QColor(0x9a, 0x9a, 0x9a)));
    for (qreal y : {5.5, 9.5, 13.5}) {
        p.drawLine(QPointF(1.5, y), QPointF(4.5, y));
        p.drawLine(QPointF(11.5, y), QPointF(14.5, y));
    }
    p.setPen(Outline(kBlueDark));
    p.setBrush(kBlue);
    QPolygonF arrow;
    arrow << QPointF(6.5, 3.5) << QPointF(9.5, 3.5) << QPointF(9.5, 12.5) << QPointF(13.5, 12.5)
          << QPointF(8.0, 19.5) << QPointF(2.5, 12.5) << QPointF(6.5, 12.5);
    p.drawPolygon(arrow);
    p.restore();
}

// A magnifier with + or - and a mark for the axis: "V" for the level axis, "T" for the time axis.
void DrawZoom(QPainter& p, bool zoomIn, bool levelAxis) {
    const QPointF centre(7.0, 7.5);
    p.setPen(Outline(kOutline, 2.2));
    p.drawLine(QPointF(10.5, 11.0), QPointF(14.0, 14.5));  // handle
    p.setPen(Outline(kOutline, 1.2));
    QRadialGradient glass(QPointF(5.5, 6.0), 6);
    glass.setColorAt(0, Qt::white);
    glass.setColorAt(1, QColor(0xcf, 0xe4, 0xf7));
    p.setBrush(glass);
    p.drawEllipse(centre, 5.0, 5.0);
    p.setPen(Outline(zoomIn ? kGreenDark : kRedDark, 1.6));
    p.drawLine(QPointF(4.5, 7.5), QPointF(9.5, 7.5));
    if (zoomIn) {
        p.drawLine(QPointF(7.0, 5.0), QPointF(7.0, 10.0));
    }
    // The axis mark, drawn as strokes so it stays legible at this size.
    p.setPen(Outline(kBlueDark, 1.4));
    if (levelAxis) {
        p.drawLine(QPointF(2.0, 15.5), QPointF(4.5, 20.5));
        p.drawLine(QPointF(4.5, 20.5), QPointF(7.0, 15.5));
    } else {
        p.drawLine(QPointF(1.5, 15.5), QPointF(7.5, 15.5));
        p.drawLine(QPointF(4.5, 15.5), QPointF(4.5, 20.5));
    }
}

void DrawProgram(QPainter& p) {
    // A dark screen with a live trace and the recording dot.
    p.setPen(Outline(kOutline));
    p.setBrush(QColor(0x1e, 0x27, 0x30));
    p.drawRoundedRect(QRectF(1.5, 3.5, 29, 25), 3, 3);
    p.setPen(Outline(QColor(0x4c, 0xd9, 0x64), 1.8));
    QPainterPath trace;
    trace.moveTo(4, 20);
    trace.lineTo(9, 20);
    trace.lineTo(12, 10);
    trace.lineTo(16, 24);
    trace.lineTo(19, 14);
    trace.lineTo(22, 18);
    trace.lineTo(28, 18);
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    p.setPen(Outline(kRedDark));
    p.setBrush(kRed);
    p.drawEllipse(QPointF(25, 8.5), 3, 3);
}

}  // namespace

QIcon CommandIcon(uint32_t id) {
    switch (id) {
        case cmd::kFileOpen:
            return MakeIcon(kWideButtonSize, DrawOpen);
        case cmd::kClipStop:
            return MakeIcon(kWideButtonSize, DrawStop);
        case cmd::kClipStart:
            return MakeIcon(kWideButtonSize, DrawStart);
        case cmd::kClipPause:
            return MakeIcon(kWideButtonSize, DrawPause);
        case cmd::kDdeTransfer:
            return MakeIcon(kWideButtonSize, DrawDdeTransfer);
        case cmd::kCapture:
            return MakeIcon(kWideButtonSize, DrawCapture);
        case cmd::kPreview:
            return MakeIcon(kWideButtonSize, DrawPreview);
        case cmd::kMarker:
            return MakeIcon(kWideButtonSize, DrawMarker);
        case cmd::kNextChannel:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawChannelArrow(p, true); });
        case cmd::kPreviousChannel:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawChannelArrow(p, false); });
        case cmd::kLevelZoomOut:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawZoom(p, false, true); });
        case cmd::kLevelZoomIn:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawZoom(p, true, true); });
        case cmd::kTimeZoomIn:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawZoom(p, true, false); });
        case cmd::kTimeZoomOut:
            return MakeIcon(kNarrowButtonSize, [](QPainter& p) { DrawZoom(p, false, false); });
        default:
            return QIcon();
    }
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 32, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 32.0, side / 32.0);
        DrawProgram(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace velatrace
