// The file system Assimp's exporters write through: every file they open for writing
// is saved as the export saves its file (a temporary beside the target that replaces it
// only when complete), so a failed save through Assimp never costs an old file.
#pragma once

#include <assimp/DefaultIOSystem.h>

// Reads go to Assimp's default file system; writes go through SafeSave. failed() tells
// whether any written file could not be put in place.
class CarefulIOSystem : public Assimp::DefaultIOSystem {
  public:
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;
    bool failed() const { return failed_; }

  private:
    bool failed_ = false;
};
