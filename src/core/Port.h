// A call upward. A library names what it needs from the libraries above it as ports; each
// port does the documented least until the wiring root binds it, once, at start-up. Every
// port is listed by name, so a test can see which ones the running program leaves unbound.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace zemo {

class PortBase {
public:
    explicit PortBase(const char* name);
    ~PortBase();
    PortBase(const PortBase&) = delete;
    PortBase& operator=(const PortBase&) = delete;

    const char* Name() const { return name_; }
    bool Bound() const { return bound_; }

    // Every port that exists now, in the order they were made.
    static const std::vector<const PortBase*>& All();

protected:
    void SetBound(bool on) { bound_ = on; }

private:
    const char* name_;
    bool bound_ = false;
};

template <class Signature>
class Port;

template <class R, class... Args>
class Port<R(Args...)> : public PortBase {
public:
    using Function = std::function<R(Args...)>;

    Port(const char* name, Function least) : PortBase(name), least_(std::move(least)) {}

    void Bind(Function f)
    {
        bound_ = std::move(f);
        SetBound(static_cast<bool>(bound_));
    }
    // Back to the least (tests that bind their own).
    void Unbind() { Bind({}); }

    R operator()(Args... args) const
    {
        return bound_ ? bound_(std::forward<Args>(args)...) : least_(std::forward<Args>(args)...);
    }

private:
    Function least_;
    Function bound_;
};

} // namespace zemo
