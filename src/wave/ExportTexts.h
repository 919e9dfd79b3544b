#pragma once
// The texts the exports of a recording show the user, kept together for the catalog of texts.
namespace velatrace::export_texts {

inline constexpr const char* kCannotRead = "Cannot read";
inline constexpr const char* kCannotWrite = "Cannot write";

}  // namespace velatrace::export_texts
