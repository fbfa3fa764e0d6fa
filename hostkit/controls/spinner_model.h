// The value of a float spinner, its limits and step, and the text it shows: the part
// of the host's spinner that is the same on every platform.
#pragma once

#include <string>

#include "host/api.h"

class HOSTKIT_API SpinnerModel {
  public:
    // minimum above maximum is taken as equal limits at minimum.
    SpinnerModel(float minimum, float maximum, float value, float scale);

    float value() const { return value_; }
    float resetValue() const { return reset_; }
    void setValue(float value); // clamped to the limits
    void setResetValue(float value) { reset_ = value; }
    void step(int direction); // +1/-1 scale steps, clamped
    void reset() { setValue(reset_); }
    // The value as the linked edit shows it: decimal comma, as many decimals as the
    // step has (at least one), e.g. "30,1".
    std::string text() const;

  private:
    float minimum_, maximum_, value_, scale_, reset_;
};

// Reads a number written with a decimal comma or point ("0,5", "45.5", " 3 ").
// False for empty or non-numeric text, which then leaves value alone.
HOSTKIT_API bool parseSpinnerText(const std::string& text, float& value);
