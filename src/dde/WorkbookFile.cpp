#include "dde/WorkbookFile.h"

#include <turbojpeg.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "dde/StillPicture.h"

namespace velatrace {

namespace {
constexpr int kJpegQuality = 90;
// A new sheet's columns are 64 pixels wide; the values start in the first column the picture
// leaves free.
constexpr double kColumnPixels = 64.0;

struct TjHandle {
    tjhandle handle = tjInitCompress();
    ~TjHandle() {
        if (handle != nullptr) {
            tjDestroy(handle);
        }
    }
};

double PictureScale(const PlacedPicture& p) {
    return std::min(
        {1.0, double{kSheetPictureWidth} / p.width, double{kSheetPictureHeight} / p.height});
}

void WriteNote(lxw_worksheet* sheet, const PlacedPicture& p, lxw_format* bold) {
    const auto row = static_cast<lxw_row_t>(p.row - 1);
    const auto col = static_cast<lxw_col_t>(
        p.column - 1 + static_cast<int32_t>(std::ceil(p.width * PictureScale(p) / kColumnPixels)));
    worksheet_write_string(sheet, row, col, "Time", bold);
    worksheet_write_string(sheet, row, col + 1, p.note.time, nullptr);
    for (int c = 0; c < kChannels; ++c) {
        const StillNote::Channel& ch = p.note.channel[c];
        char label[8];
        std::snprintf(label, sizeof label, "CH%d", c + 1);
        const auto r = static_cast<lxw_row_t>(row + 1 + c);
        worksheet_write_string(sheet, r, col, label, bold);
        if (ch.on) {
            worksheet_write_number(sheet, r, col + 1, ch.value, nullptr);
            worksheet_write_string(sheet, r, col + 2, ch.unit, nullptr);
        } else {
            worksheet_write_string(sheet, r, col + 1, "off", nullptr);
        }
    }
}
}  // namespace

bool EncodePicture(const uint8_t* dib, size_t size, PlacedPicture* picture) {
    DibView view;
    if (!ReadPackedDib(dib, size, &view)) {
        return false;
    }
    TjHandle tj;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (tj.handle == nullptr ||
        tjCompress2(tj.handle, view.rows, view.width, static_cast<int>(view.rowBytes), view.height,
                    TJPF_BGR, &out, &outSize, TJSAMP_420, kJpegQuality, TJFLAG_BOTTOMUP) != 0) {
        tjFree(out);
        return false;
    }
    picture->jpeg.assign(out, out + outSize);
    tjFree(out);
    picture->width = view.width;
    picture->height = view.height;
    return true;
}

bool WriteWorkbook(const std::string& path, const std::string& sheetName,
                   const std::vector<PlacedPicture>& pictures, std::string* problem) {
    // The temporary file sits beside the workbook, so the rename never crosses file systems.
    const std::string temporary = path + ".partial";
    lxw_workbook* book = workbook_new(temporary.c_str());
    if (book == nullptr) {
        *problem = "Cannot write " + path + ": out of memory";
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.c_str());
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_error error = sheet == nullptr ? LXW_ERROR_PARAMETER_VALIDATION : LXW_NO_ERROR;
    for (const PlacedPicture& p : pictures) {
        if (error != LXW_NO_ERROR) {
            break;
        }
        lxw_image_options options{};
        options.x_scale = options.y_scale = PictureScale(p);
        error = worksheet_insert_image_buffer_opt(sheet, static_cast<lxw_row_t>(p.row - 1),
                                                  static_cast<lxw_col_t>(p.column - 1),
                                                  p.jpeg.data(), p.jpeg.size(), &options);
        WriteNote(sheet, p, bold);
    }
    errno = 0;
    const lxw_error closed = workbook_close(book);  // frees the book whatever happens
    const int systemError = errno;
    if (error == LXW_NO_ERROR) {
        error = closed;
    }
    std::error_code ec;
    if (error == LXW_NO_ERROR) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec) {
            return true;
        }
        *problem = "Cannot write " + path + ": " + ec.message();
    } else {
        *problem =
            "Cannot write " + path + ": " +
            (error == LXW_ERROR_CREATING_XLSX_FILE && systemError != 0 ? std::strerror(systemError)
                                                                       : lxw_strerror(error));
    }
    std::filesystem::remove(temporary, ec);
    return false;
}

}  // namespace velatrace
