#include "dde/QtPictureClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "dde/StillPicture.h"

namespace velatrace {

bool QtPictureClipboard::PutDib(const uint8_t* dib, size_t size) {
    DibView view;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr || !ReadPackedDib(dib, size, &view)) {
        return false;
    }
    // The rows are stored bottom-up; the image is their mirror, copied before the DIB goes.
    const QImage rows(view.rows, view.width, view.height, static_cast<qsizetype>(view.rowBytes),
                      QImage::Format_BGR888);
    clipboard->setImage(rows.mirrored(false, true));
    return true;
}

}  // namespace velatrace
