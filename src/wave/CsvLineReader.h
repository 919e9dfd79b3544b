#pragma once
// Reading a wave file's lines in place from large blocks, as loading and exporting share it.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "wave/CsvRecord.h"

namespace velatrace {

// The file is read in blocks of this size and parsed where it lies, whatever its length.
inline constexpr size_t kBlockBytes = size_t{1} << 18;

// Reads a file line by line from blocks read into `block` (kBlockBytes long). A line ends with
// LF or CR LF; the last line may lack its end. A line longer than kCsvLineChars is passed over
// whole, however long, and reported as such: it is never cut into several lines.
class CsvLineReader {
  public:
    CsvLineReader(std::FILE* file, char* block) : file_(file), buffer_(block) {}

    // The next line, without its line end; `tooLong` set (and no text) for a line passed over.
    // False at the end of the file.
    bool Next(const char*& text, size_t& length, bool& tooLong) {
        tooLong = false;
        if (end_ - pos_ <= kCsvLineChars + 1 && !atEnd_) {
            Refill();
        }
        const size_t available = end_ - pos_;
        if (available == 0) {
            return false;
        }
        text = buffer_ + pos_;
        // Up to 255 characters and the line end (CR LF) lie in this window.
        const size_t window = available < kCsvLineChars + 2 ? available : kCsvLineChars + 2;
        const void* lf = std::memchr(text, '\n', window);
        if (lf != nullptr) {
            size_t content = static_cast<size_t>(static_cast<const char*>(lf) - text);
            const size_t consumed = content + 1;
            if (content > 0 && text[content - 1] == '\r') {
                --content;
            }
            if (content <= kCsvLineChars) {
                length = content;
                pos_ += consumed;
                return true;
            }
        } else if (atEnd_ && available <= kCsvLineChars + 1) {
            length = available;  // the last line, without its end
            if (length > 0 && text[length - 1] == '\r') {
                --length;
            }
            if (length <= kCsvLineChars) {
                pos_ = end_;
                return true;
            }
        }
        PassLine();
        text = buffer_;
        length = 0;
        tooLong = true;
        return true;
    }

  private:
    void Refill() {
        std::memmove(buffer_, buffer_ + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ <= kCsvLineChars + 1 && !atEnd_) {
            const size_t got = std::fread(buffer_ + end_, 1, kBlockBytes - end_, file_);
            end_ += got;
            atEnd_ = got == 0;
        }
    }

    // Moves past the end of the current line, or to the end of the file.
    void PassLine() {
        for (;;) {
            const void* lf = std::memchr(buffer_ + pos_, '\n', end_ - pos_);
            if (lf != nullptr) {
                pos_ = static_cast<size_t>(static_cast<const char*>(lf) - buffer_) + 1;
                return;
            }
            pos_ = end_;
            if (atEnd_) {
                return;
            }
            Refill();
        }
    }

    std::FILE* file_;
    char* buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool atEnd_ = false;
};

}  // namespace velatrace
