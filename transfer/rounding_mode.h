// Switches the processor's floating-point rounding toward zero for the lifetime of the
// object and restores the previous mode on every path out of the scope.
#pragma once

#include <cfenv>

class TruncatingRounding {
public:
    TruncatingRounding() : previous(std::fegetround()) { std::fesetround(FE_TOWARDZERO); }
    ~TruncatingRounding() { std::fesetround(previous); }
    TruncatingRounding(const TruncatingRounding&) = delete;
    TruncatingRounding& operator=(const TruncatingRounding&) = delete;

private:
    int previous;
};
