// Spinner arithmetic and its locale-independent text.
#include "hostkit/controls/spinner_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cctype>

namespace {

constexpr int kMaxDecimals = 4;

int decimalsOf(float scale) {
    int decimals = 1;
    double s = std::fabs((double)scale);
    while (decimals < kMaxDecimals && s > 0 &&
           std::fabs(s * std::pow(10.0, decimals) - std::round(s * std::pow(10.0, decimals))) >
               1e-6)
        ++decimals;
    return decimals;
}

} // namespace

SpinnerModel::SpinnerModel(float minimum, float maximum, float value, float scale)
    : minimum_(minimum), maximum_(std::max(minimum, maximum)), value_(minimum), scale_(scale),
      reset_(value) {
    setValue(value);
}

void SpinnerModel::setValue(float value) {
    if (std::isnan(value)) return;
    value_ = std::clamp(value, minimum_, maximum_);
}

void SpinnerModel::step(int direction) {
    setValue((float)((double)value_ + direction * (double)scale_));
}

std::string SpinnerModel::text() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimalsOf(scale_), (double)value_);
    std::string s = buffer;
    std::replace(s.begin(), s.end(), '.', ','); // in case the C locale already gives ','
    if (s == "-0,0") s = "0,0";
    return s;
}

bool parseSpinnerText(const std::string& text, float& value) {
    size_t i = 0, n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skipBlanks();
    bool negative = i < n && text[i] == '-';
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    double v = 0;
    int digits = 0;
    for (; i < n && std::isdigit((unsigned char)text[i]); ++i, ++digits)
        v = v * 10 + (text[i] - '0');
    if (i < n && (text[i] == ',' || text[i] == '.')) {
        double unit = 0.1;
        for (++i; i < n && std::isdigit((unsigned char)text[i]); ++i, ++digits, unit /= 10)
            v += (text[i] - '0') * unit;
    }
    skipBlanks();
    if (digits == 0 || i != n) return false;
    value = (float)(negative ? -v : v);
    return true;
}
