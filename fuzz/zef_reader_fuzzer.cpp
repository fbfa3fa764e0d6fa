// Fuzz target: any text through the strict ZEF reader, which either accepts it with
// counts that add up or names the line that breaks the format.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scenes/zef_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ZefSummary summary;
    FileError error;
    if (!readZefText(text, "fuzz.zef", summary, error)) {
        // a failure names the file, a line of it and what is wrong
        if (error.file != "fuzz.zef" || error.line < 1 || error.problem.empty()) std::abort();
        return 0;
    }
    long long faces = 0;
    for (const ZefObjectSummary& object : summary.objects) faces += object.faces;
    if (summary.objects.empty() || faces != summary.faces) std::abort();
    return 0;
}
