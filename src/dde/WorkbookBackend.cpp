#include "dde/WorkbookBackend.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/FixedText.h"
#include "dde/DdeTransfer.h"
#include "session/CaptureNaming.h"

namespace velatrace {

namespace {
constexpr size_t kMaxSheetName = 31;
// The sheet's limits in an .xlsx workbook.
constexpr int32_t kMaxSheetRow = 1048576;
constexpr int32_t kMaxSheetColumn = 16384;

bool EndsWithNoCase(const std::string& text, const char* end) {
    const size_t n = std::strlen(end);
    return text.size() >= n && EqualsNoCase(text.c_str() + text.size() - n, end);
}
}  // namespace

bool SplitWorkbookTopic(const char* topic, std::string* book, std::string* sheet) {
    const std::string t = topic;
    if (!t.empty() && t[0] == '[') {
        const size_t close = t.find(']');
        if (close == std::string::npos) {
            return false;
        }
        *book = t.substr(1, close - 1);
        *sheet = t.substr(close + 1);
    } else {
        *book = t;
        sheet->clear();
    }
    if (sheet->empty()) {
        *sheet = "Sheet1";
    }
    if (EndsWithNoCase(*book, ".xlsx")) {
        book->resize(book->size() - 5);
    }
    // The workbook stays in the capture folder: no separators, no parent or hidden names.
    if (book->empty() || (*book)[0] == '.' || book->find_first_of("/\\:") != std::string::npos) {
        return false;
    }
    return sheet->size() <= kMaxSheetName && sheet->find_first_of("[]:*?/\\") == std::string::npos;
}

bool WorkbookBackend::Connect(const char* service, const char* topic) {
    connected_ = false;
    problem_.clear();
    std::string book;
    std::string sheet;
    if (!EqualsNoCase(service, kDdeServices[kDdeAppSpreadsheet]) ||
        !SplitWorkbookTopic(topic, &book, &sheet)) {
        return false;
    }
    const std::string folder = folder_ ? folder_() : std::string();
    if (folder.empty()) {
        return false;
    }
    const std::string path = folder + book + ".xlsx";
    // Back to the same workbook (new settings, same topic): its pictures stay.
    if (path != path_ || sheet != sheet_) {
        placed_.clear();
        written_ = path == path_ && written_;
        path_ = path;
        sheet_ = sheet;
    }
    folderPath_ = folder;
    connected_ = true;
    return true;
}

bool WorkbookBackend::PutPicture(const uint8_t* dib, size_t size, const StillNote& note) {
    clipboardDib_.assign(dib, dib + size);
    clipboardNote_ = note;
    return clipboard_ == nullptr || clipboard_->PutDib(dib, size);
}

bool WorkbookBackend::Execute(const char* command) {
    if (!connected_) {
        return false;
    }
    problem_.clear();
    int row = 0;
    int column = 0;
    int used = 0;
    if (std::sscanf(command, "[SELECT(\"R%dC%d\")][PASTE]%n", &row, &column, &used) != 2 ||
        command[used] != '\0') {
        return true;  // a command the sheet does not know does nothing, as in a spreadsheet
    }
    char cell[32];
    std::snprintf(cell, sizeof cell, "R%dC%d", row, column);
    if (row < 1 || row > kMaxSheetRow || column < 1 || column > kMaxSheetColumn) {
        problem_ = std::string("No picture placed: ") + cell +
                   " is not a cell of the sheet. Check the initial and next cell.";
        return true;
    }
    PlacedPicture picture;
    if (!EncodePicture(clipboardDib_.data(), clipboardDib_.size(), &picture)) {
        problem_ = std::string("No picture placed at ") + cell + ": the picture cannot be read.";
        return true;
    }
    picture.row = row;
    picture.column = column;
    picture.note = clipboardNote_;
    placed_.push_back(std::move(picture));
    // The capture folder may not have been made yet (the first run's default folder).
    char reason[256] = {};
    if (!PrepareCaptureFolder(folderPath_.c_str(), reason, sizeof reason)) {
        problem_ = "Cannot write " + path_ + ": " + reason;
        return true;  // the picture stays placed and is written with the next one
    }
    if (!written_ && !KeepEarlierWorkbook()) {
        return true;  // the picture stays placed; the earlier file is never written over
    }
    // A picture that cannot be written now stays placed and is written with the next one.
    if (WriteWorkbook(path_, sheet_, placed_, &problem_)) {
        written_ = true;
    }
    return true;
}

bool WorkbookBackend::KeepEarlierWorkbook() {
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) {
        return true;
    }
    const std::string stem = path_.substr(0, path_.size() - 5);
    for (int n = 1; n < 1000; ++n) {
        const std::string kept = stem + " (" + std::to_string(n) + ").xlsx";
        if (!std::filesystem::exists(kept, ec)) {
            std::filesystem::rename(path_, kept, ec);
            if (ec) {
                problem_ = "Cannot keep the earlier " + path_ + " as " + kept + ": " + ec.message();
            }
            return !ec;
        }
    }
    problem_ = "Cannot keep the earlier " + path_ + ": no free name beside it";
    return false;
}

}  // namespace velatrace
