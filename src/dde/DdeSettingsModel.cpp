#include "dde/DdeSettingsModel.h"

#include "base/FixedText.h"

namespace velatrace {

namespace {
// The number edits take digits only; anything after the first other character is ignored.
int32_t NumberEdit(const char* text) {
    int32_t value = 0;
    for (int i = 0; i < DdeSettingsModel::kNumberChars && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}
}  // namespace

void DdeSettingsModel::SelectApp(int32_t app) {
    if (app >= 0 && app < kDdeAppCount) {
        copy_.app = app;
    }
}

const char* DdeSettingsModel::Topic() const {
    return copy_.app >= 0 && copy_.app < kDdeAppCount ? copy_.topic[copy_.app] : "";
}

void DdeSettingsModel::Accept(const char* topic, const char* initialCell, const char* nextCell,
                              const char* rowStep, const char* colStep, const char* colCount) {
    if (copy_.app < 0 || copy_.app >= kDdeAppCount) {
        return;
    }
    CopyText(copy_.topic[copy_.app], topic, kTopicChars);
    if (copy_.app != kDdeAppSpreadsheet) {
        return;
    }
    CopyText(copy_.initialCell, initialCell, kCellChars);
    CopyText(copy_.nextCell, nextCell, kCellChars);
    copy_.rowStep = NumberEdit(rowStep);
    copy_.colStep = NumberEdit(colStep);
    copy_.colCount = NumberEdit(colCount);
}

void DdeSettingsModel::Apply(DdeSettings& target) const {
    target.app = copy_.app;
    if (copy_.app != kDdeAppSpreadsheet) {
        return;
    }
    CopyText(target.topic[kDdeAppSpreadsheet], copy_.topic[kDdeAppSpreadsheet]);
    CopyText(target.initialCell, copy_.initialCell);
    CopyText(target.nextCell, copy_.nextCell);
    target.rowStep = copy_.rowStep;
    target.colStep = copy_.colStep;
    target.colCount = copy_.colCount;
}

}  // namespace velatrace
