#pragma once
// The spreadsheet where there is no DDE: a workbook in the capture folder. The topic names it as
// a spreadsheet user writes it, "[Book1]Sheet1" (or "Book1" for its first sheet), which is
// "<capture folder>/Book1.xlsx". Each select-and-paste command places the picture last put on
// the clipboard at the selected cell and rewrites the workbook with every picture placed since
// it was opened. The viewer and Tw have no counterpart: connecting to them fails.
#include <functional>
#include <string>
#include <vector>

#include "dde/DdeBackend.h"
#include "dde/PictureClipboard.h"
#include "dde/WorkbookFile.h"

namespace velatrace {

class WorkbookBackend final : public DdeBackend {
  public:
    // `folder` gives the capture folder (ending with its separator) when a conversation opens;
    // pictures also go to `clipboard` when one is given.
    WorkbookBackend(std::function<std::string()> folder, PictureClipboard* clipboard)
        : folder_(std::move(folder)), clipboard_(clipboard) {}

    bool Initialize() override { return true; }
    void Uninitialize() override {}
    bool Connect(const char* service, const char* topic) override;
    void Disconnect() override { connected_ = false; }
    bool PutPicture(const uint8_t* dib, size_t size, const StillNote& note) override;
    bool Execute(const char* command) override;
    const char* Problem() const override { return problem_.c_str(); }

    // The workbook the open conversation writes; empty when none is open.
    const std::string& WorkbookPath() const { return path_; }
    size_t PictureCount() const { return placed_.size(); }
    const std::vector<PlacedPicture>& Pictures() const { return placed_; }

  private:
    // Before the first write of a workbook that exists from an earlier run, that file is kept
    // under the first free name "<book> (n).xlsx", since its pictures cannot be read back.
    // False (with the problem set) when it could not be moved aside.
    bool KeepEarlierWorkbook();

    std::function<std::string()> folder_;
    PictureClipboard* clipboard_;
    bool connected_ = false;
    std::string folderPath_;
    std::string path_;
    std::string sheet_;
    bool written_ = false;  // this run wrote path_ already
    std::vector<PlacedPicture> placed_;
    std::vector<uint8_t> clipboardDib_;  // what a paste places
    StillNote clipboardNote_;
    std::string problem_;
};

// Splits a spreadsheet topic into workbook and sheet: "[Book1]Sheet1", "[Book1.xlsx]Data" or a
// bare "Book1" (its first sheet, "Sheet1"). False for a topic that names no workbook, or a name
// that would leave the folder or cannot be a file or sheet name.
bool SplitWorkbookTopic(const char* topic, std::string* book, std::string* sheet);

}  // namespace velatrace
