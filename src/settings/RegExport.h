#pragma once
// The registry-export text form of a RegistryTree ("Windows Registry Editor Version 5.00"),
// which the Windows registry editor imports.
//
// Written form: the header, a blank line, then each key as "[path]" followed by its values and
// a blank line. Numbers of 4 bytes are dword:xxxxxxxx (a negative number as its two's
// complement); a text of printable ASCII with one terminator is "quoted", with \ and " escaped.
// A text followed by more zero bytes than its terminator (a fixed buffer written whole) is
// quoted too, preceded by the comment line  ; "name" takes N bytes  that keeps its byte count;
// the registry editor skips comments and imports the text. Every other text (non-ASCII, control
// characters, bytes after the terminator, no terminator) is hex(1): the exact UTF-16 form the
// registry holds. Other types are hex: / hex(N): with their raw bytes.
#include <string>
#include <string_view>

#include "settings/RegistryTree.h"

namespace velatrace {

inline constexpr std::string_view kRegExportHeader = "Windows Registry Editor Version 5.00";

std::string FormatRegExport(const RegistryTree& tree);

struct RegParseError {
    int line = 0;  // 1-based line of the fault
    std::string reason;
};

// Reads an export text into `tree` (added to what it holds). Accepts the header above or
// "REGEDIT4", an optional UTF-8 or UTF-16LE byte-order mark, CRLF or LF line ends, comments,
// deletions ("name"=- and [-key]) and hex data continued over lines. Returns false at the
// first line it cannot read, describing it in *error.
bool ParseRegExport(std::string_view text, RegistryTree& tree, RegParseError* error);

}  // namespace velatrace
