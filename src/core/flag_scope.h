#pragma once
// A flag raised for the length of a scope: set on entry, given back its old value on the way
// out, also when a callback throws, and right when scopes nest.

namespace tessarin {

class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = before_; }

private:
    bool& flag_;
    bool before_;
};

}  // namespace tessarin
