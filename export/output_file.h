// The export file while an export runs. The lines go to a temporary file beside the
// target, which replaces the target only when it is complete; so a failed export
// leaves the old file as it was.
#pragma once

#include <cstdio>
#include <string>

class OutputFileGuard {
  public:
    FILE* stream = nullptr;

    OutputFileGuard() = default;
    ~OutputFileGuard(); // closes and discards a file that was not committed
    OutputFileGuard(const OutputFileGuard&) = delete;
    OutputFileGuard& operator=(const OutputFileGuard&) = delete;

    // Opens the temporary file for target in text mode. False when the target
    // cannot be written (its folder is missing, it is a folder, it is read-only)
    // or the temporary file cannot be made.
    bool open(const char* target);
    // Closes a non-null stream and sets it to null; returns fclose's result.
    int close();
    // Moves the closed temporary file over the target; false when that fails.
    bool commit();
    // Removes the temporary file.
    void discard();

  private:
    std::string target_;
    std::string temporary_;
};
