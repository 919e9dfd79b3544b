#pragma once
// Where a still image goes: the transfer application, its topic, and for the spreadsheet the
// cell the transfers start at and how the target cell steps on.
#include <cstddef>
#include <cstdint>

namespace velatrace {

// Transfer applications.
inline constexpr int32_t kDdeAppViewer = 0;       // "Korview"
inline constexpr int32_t kDdeAppSpreadsheet = 1;  // "Excel"
inline constexpr int32_t kDdeAppTw = 2;           // "Tw"
inline constexpr int32_t kDdeAppCount = 3;

inline constexpr size_t kDdeTopicSize = 32;  // at most 31 characters
inline constexpr size_t kDdeCellSize = 8;    // A1 notation, at most 7 characters

struct DdeSettings {
    int32_t app = kDdeAppViewer;
    char topic[kDdeAppCount][kDdeTopicSize] = {};  // one topic per application
    char initialCell[kDdeCellSize] = {};           // where a row of transfers starts
    char nextCell[kDdeCellSize] = {};              // where the next transfer pastes; not saved
    int32_t rowStep = 0;                           // rows down after a row of transfers
    int32_t colStep = 0;                           // columns right after each transfer
    int32_t colCount = 0;                          // transfers per row
};

}  // namespace velatrace
