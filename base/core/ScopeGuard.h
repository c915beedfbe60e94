#pragma once
#include <utility>

// Runs a cleanup when the scope ends, on every path, exceptions included.
template <class F>
class [[nodiscard]] ScopeGuard {
public:
    explicit ScopeGuard(F cleanup) : cleanup_(std::move(cleanup)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard() {
        if (armed_) cleanup_();
    }
    void Dismiss() { armed_ = false; }

private:
    F cleanup_;
    bool armed_ = true;
};
