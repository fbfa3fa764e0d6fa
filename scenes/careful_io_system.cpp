// Assimp's writes through the careful save.
#include "scenes/careful_io_system.h"

#include <assimp/IOStream.hpp>
#include <cstring>
#include <memory>

#include "export/safe_save.h"

namespace {
// One file being written: Assimp's stream over the save's stream.
// Assimp's exporters delete their streams rather than close them through the file
// system, so the file is put in place when the stream goes.
class CarefulWriteStream : public Assimp::IOStream {
  public:
    explicit CarefulWriteStream(bool& failed) : failed_(failed) {}
    ~CarefulWriteStream() override {
        if (!ok_ || !save_.commit()) failed_ = true;
    }
    bool open(const char* file) { return save_.open(file, SaveMode::Binary); }

    size_t Read(void*, size_t, size_t) override { return 0; }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        size_t written = std::fwrite(buffer, size, count, save_.stream());
        ok_ = ok_ && written == count;
        return written;
    }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        int whence = origin == aiOrigin_SET   ? SEEK_SET
                     : origin == aiOrigin_CUR ? SEEK_CUR
                                              : SEEK_END;
        return std::fseek(save_.stream(), long(offset), whence) == 0 ? aiReturn_SUCCESS
                                                                     : aiReturn_FAILURE;
    }
    size_t Tell() const override { return size_t(std::ftell(save_.stream())); }
    size_t FileSize() const override {
        long here = std::ftell(save_.stream());
        std::fseek(save_.stream(), 0, SEEK_END);
        long size = std::ftell(save_.stream());
        std::fseek(save_.stream(), here, SEEK_SET);
        return size_t(size);
    }
    void Flush() override { std::fflush(save_.stream()); }

  private:
    SafeSave save_;
    bool ok_ = true;
    bool& failed_;
};
} // namespace

Assimp::IOStream* CarefulIOSystem::Open(const char* file, const char* mode) {
    if (!std::strchr(mode, 'w') && !std::strchr(mode, 'a'))
        return Assimp::DefaultIOSystem::Open(file, mode);
    auto stream = std::make_unique<CarefulWriteStream>(failed_);
    if (!stream->open(file)) return nullptr; // failed_ is set as the stream goes
    return stream.release();
}

void CarefulIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}
