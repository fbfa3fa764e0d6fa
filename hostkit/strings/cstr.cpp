// CStr and SplitPathFile.
#include <cstdlib>
#include <cstring>

#include "host/cstr.h"

static char* copyText(const char* text, int length) {
    char* p = static_cast<char*>(std::malloc(size_t(length) + 1));
    if (!p) std::abort();
    std::memcpy(p, text, size_t(length));
    p[length] = 0;
    return p;
}

CStr::CStr() : text_(copyText("", 0)), length_(0) {}

CStr::CStr(const char* text) {
    if (!text) text = "";
    length_ = int(std::strlen(text));
    text_ = copyText(text, length_);
}

CStr::CStr(const CStr& other)
    : text_(copyText(other.text_, other.length_)), length_(other.length_) {}

CStr& CStr::operator=(const CStr& other) {
    if (this != &other) *this = other.text_;
    return *this;
}

CStr& CStr::operator=(const char* text) {
    if (!text) text = "";
    int length = int(std::strlen(text));
    char* copy = copyText(text, length); // copy first: text may point into text_
    std::free(text_);
    text_ = copy;
    length_ = length;
    return *this;
}

CStr::~CStr() {
    std::free(text_);
}

bool CStr::operator==(const CStr& o) const {
    return length_ == o.length_ && std::memcmp(text_, o.text_, size_t(length_)) == 0;
}

void SplitPathFile(const CStr& fullName, CStr* path, CStr* file) {
    const char* text = fullName.data();
    const char* slash = nullptr;
    for (const char* p = text; *p; ++p)
        if (*p == '/' || *p == '\\') slash = p;
    if (file) *file = slash ? slash + 1 : text;
    if (path) {
        CStr dir;
        if (slash) {
            char* copy = copyText(text, int(slash - text));
            dir = copy;
            std::free(copy);
        }
        *path = dir;
    }
}
