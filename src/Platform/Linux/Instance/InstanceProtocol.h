#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "Platform/SingleInstance.h"

namespace vesperine {

// The lines a later launch and the running instance exchange on the instance socket: the
// launch sends one request line, the instance answers with one line and closes. Two versions
// of the program may meet here, so a word never changes meaning: a new request gets a new
// word, and an instance answers "unsupported" to any line it does not know exactly.
namespace InstanceProtocol {

inline constexpr std::size_t maxLine = 64;  // bytes, the newline included
inline constexpr std::string_view done = "ok\n";
inline constexpr std::string_view unsupported = "unsupported\n";
// The instance ends instead of carrying the request out (it only held a pick without
// windows): the launch is to start in its place once the lock is free.
inline constexpr std::string_view steppingAside = "stepping-aside\n";

inline std::string_view requestLine(SingleInstance::Request request) {
    switch (request) {
        case SingleInstance::Request::activate:
            return "activate\n";
        case SingleInstance::Request::resetDisplays:
            return "reset\n";
    }
    return "activate\n";
}

// The request a whole line (newline included) asks for, when it is one we know.
inline std::optional<SingleInstance::Request> parseRequest(std::string_view line) {
    for (auto request :
         {SingleInstance::Request::activate, SingleInstance::Request::resetDisplays}) {
        if (line == requestLine(request)) return request;
    }
    return std::nullopt;
}

}  // namespace InstanceProtocol

}  // namespace vesperine
