#pragma once
// Whole-file reads and crash-safe whole-file replacement, for the settings store.
#include <filesystem>
#include <string>

// Appends the bytes of a regular file to content; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& content);

// Writes bytes to a temporary file beside target, flushes it to the disk and
// renames it over target: readers see the old file or the new one, never a
// part of either. Keeps target's permissions. False when any step fails; no
// temporary file is left behind.
bool ReplaceFile(const std::filesystem::path& target, const std::string& bytes);
