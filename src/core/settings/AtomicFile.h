#pragma once
// Whole-file reads and crash-safe whole-file replacement, for the settings store.
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "settings/FileFacts.h"

// Appends the bytes of a regular file to content; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& content);

enum class ReplaceResult {
  kReplaced,       // target now holds the bytes
  kTargetChanged,  // `unchanged` said no: target was left as it was
  kFailed,         // nothing could be written; target was left as it was
};

// Writes bytes to a temporary file beside target, flushes it to the disk and
// renames it over target: readers see the old file or the new one, never a
// part of either. The replacement keeps target's owner, group and mode as far
// as the user may set them. No temporary file is left behind.
//
// `unchanged`, when given, is asked whether the file at a path is still the
// one the caller read: of target right before it is replaced, and where the
// system can swap two files in one step (Linux), also of the file the swap
// displaced, so that a save made in the instant between the two is caught too.
// When it says no (someone else has replaced the file meanwhile), target holds
// what that someone wrote and the result is kTargetChanged.
//
// When no temporary file can be made beside an existing target (a folder the
// user may not write), the target is rewritten in place instead: not atomic,
// but the only way to save at all; a write that fails half-way puts the old
// bytes back.
//
// On kReplaced, `written` (when given) receives the identity of the file that
// now holds the bytes, taken before it took target's name, so that a save by
// someone else right after this one still shows as a change. On kFailed,
// `error` (when given) receives what went wrong first (no space, no such folder).
ReplaceResult ReplaceFile(const std::filesystem::path& target, const std::string& bytes,
                          const std::function<bool(const std::filesystem::path&)>& unchanged = {},
                          FileIdentity* written = nullptr, std::error_code* error = nullptr);

// Removes the temporary files ReplaceFile left beside target when its process
// was killed: only names of its own pattern, and only when the process whose
// id the name holds is gone.
void RemoveAbandonedTempFiles(const std::filesystem::path& target);
