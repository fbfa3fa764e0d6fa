// A scoped "C" locale for the calling thread. The preparation switches the process's
// numeric locale to a decimal comma for good; code that reads or writes other
// formats (Assimp's importers and exporters) runs inside one of these so that its
// numbers keep their ".".
#pragma once

#include <clocale>

#ifdef _WIN32
class CNumericLocale {
  public:
    CNumericLocale() : previous_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
        std::setlocale(LC_NUMERIC, "C");
    }
    ~CNumericLocale() { _configthreadlocale(previous_); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

  private:
    int previous_;
};
#else
#include <locale.h>

class CNumericLocale {
  public:
    CNumericLocale()
        : c_(newlocale(LC_ALL_MASK, "C", locale_t(0))), previous_(c_ ? uselocale(c_) : nullptr) {}
    ~CNumericLocale() {
        if (!c_) return;
        uselocale(previous_);
        freelocale(c_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

  private:
    locale_t c_;
    locale_t previous_;
};
#endif
