#pragma once
// A private folder for the fuzz targets that touch files: made once per process
// (in /dev/shm when there is one, so the store's flushes to disk cost nothing),
// removed at exit.
#include <filesystem>
#include <string>

const std::filesystem::path& FuzzTempDir();

// Replaces the file's contents with exactly these bytes; aborts when it cannot.
void WriteFuzzFile(const std::filesystem::path& path, const std::string& bytes);

// The whole file, or an empty string when there is none.
std::string ReadFuzzFile(const std::filesystem::path& path);
