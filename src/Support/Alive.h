#pragma once

#include <memory>
#include <utility>

namespace vesperine {

// Lets callbacks hold their owner weakly. An object keeps an `Alive` member (declare it last,
// so it dies first) and hands out `guard(f)`: the wrapped callback does nothing once the
// object is gone, whoever still holds it (a timer, a platform notification, a queued call).
class Alive {
public:
    Alive() = default;
    Alive(const Alive&) = delete;
    Alive& operator=(const Alive&) = delete;

    template <class F>
    auto guard(F f) const {
        return [weak = std::weak_ptr<const int>(token_), f = std::move(f)](auto&&... args) mutable {
            if (weak.expired()) return;
            f(std::forward<decltype(args)>(args)...);
        };
    }

    std::weak_ptr<const int> token() const { return token_; }

private:
    std::shared_ptr<const int> token_ = std::make_shared<const int>(0);
};

}  // namespace vesperine
