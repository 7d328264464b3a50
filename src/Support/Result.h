#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vesperine {

// A failure that a caller can log or show: the text is the "localized description" of the
// error, the words a log line or the user sees.
struct Error {
    std::string description;
    bool operator==(const Error&) const = default;
};

// Either a value or an Error. Used wherever a platform call or a decoder can fail, so that
// failures travel as values and nothing throws across the main loop.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    static Result failure(std::string description) { return Result(Error{std::move(description)}); }

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }

    // Precondition: ok().
    const T& value() const& { return std::get<T>(state_); }
    T& value() & { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    // Precondition: !ok().
    const Error& error() const { return std::get<Error>(state_); }

    std::optional<T> toOptional() const& {
        return ok() ? std::optional<T>(value()) : std::nullopt;
    }
    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> state_;
};

// Result of an operation that gives nothing back but can fail.
struct Done {
    bool operator==(const Done&) const = default;
};
using Status = Result<Done>;
inline Status success() { return Status(Done{}); }

}  // namespace vesperine
