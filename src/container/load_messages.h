// What the reader is told when a book cannot be used, each message followed
// by kCorruptBookLine. The authoring tool's verifier prints the same texts.
#pragma once

namespace pagora::load_message {

inline constexpr char kSelfParseFailed[] = "Self Parse Failed";
inline constexpr char kNoFiles[] = "No files in E-Book!";
inline constexpr char kFileCountsDiffer[] = "File Counts do not match!";
inline constexpr char kExtractionFailed[] =
    "Error parsing content of E-Book.  Out of disk space, file handles or file corrupted.";
inline constexpr char kIndexNotFound[] = "Index file not found!";

inline constexpr char kCorruptBookLine[] = "\n\nThis E-Book seems to be corrupted.";

}  // namespace pagora::load_message
