#pragma once

#include <utility>
#include <vector>

namespace vesperine {

// A vector kept from one call to the next, for a call made on every frame of a fade: once it
// has run, it allocates nothing (an allocation is code and data a wake-up touches again after
// a sleep, which is most of what that wake-up costs). `lend()` hands out the vector, empty
// with its capacity, until the loan ends; a call made inside another while the vector is out
// gets one of its own.
template <class T>
class Reused {
public:
    class Loan {
    public:
        explicit Loan(Reused& owner) : owner_(owner), items_(std::move(owner.kept_)) {
            owner.kept_ = {};
            items_.clear();
        }
        ~Loan() {
            items_.clear();
            owner_.kept_ = std::move(items_);
        }
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

        std::vector<T>& operator*() { return items_; }
        std::vector<T>* operator->() { return &items_; }

    private:
        Reused& owner_;
        std::vector<T> items_;
    };

    Loan lend() { return Loan(*this); }

private:
    std::vector<T> kept_;
};

}  // namespace vesperine
