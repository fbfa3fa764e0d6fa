// The host's owning narrow string.
#pragma once

#include "host/api.h"

class HOSTKIT_API CStr {
  public:
    CStr();                 // empty
    CStr(const char* text); // a null text gives the empty string
    CStr(const CStr& other);
    CStr& operator=(const CStr& other);
    CStr& operator=(const char* text);
    ~CStr();

    const char* data() const { return text_; }
    int Length() const { return length_; }
    bool operator==(const CStr& o) const;
    bool operator!=(const CStr& o) const { return !(*this == o); }

  private:
    char* text_;
    int length_;
};

// Splits a full file name at its last '/' or '\\'. Either output may be null.
// The file part is the name without its directory; the path part is the directory
// without the trailing separator (empty when there is none).
HOSTKIT_API void SplitPathFile(const CStr& fullName, CStr* path, CStr* file);
