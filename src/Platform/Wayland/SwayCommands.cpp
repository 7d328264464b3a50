#include "Platform/Wayland/SwayCommands.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>

#include "Support/Json.h"

namespace vesperine {

namespace {

// Every message on the socket: this magic, the payload's length and the message's type
// (native byte order), then the payload.
constexpr std::string_view swayMagic = "i3-ipc";
constexpr std::uint32_t runCommand = 0;
constexpr std::size_t swayHeaderSize = swayMagic.size() + 2 * sizeof(std::uint32_t);
constexpr int swayAnswerWithinMs = 250;

// Closes the socket on every way out.
struct SwaySocket {
    int fd = -1;
    ~SwaySocket() {
        if (fd >= 0) ::close(fd);
    }
};

using SwayClock = std::chrono::steady_clock;

// Reads exactly `size` bytes before `deadline`.
bool readAll(int fd, char* into, std::size_t size, SwayClock::time_point deadline) {
    while (size > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SwayClock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return false;
        const ssize_t got = ::recv(fd, into, size, 0);
        if (got <= 0) return false;
        into += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

Status SwayCommands::run(std::string_view commands) const {
    SwaySocket socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket.fd < 0 || path_.empty() || path_.size() >= sizeof address.sun_path)
        return Status::failure("no sway command socket");
    std::memcpy(address.sun_path, path_.data(), path_.size());
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Status::failure("sway's command socket " + path_ + ": " + std::strerror(errno));

    std::string message(swayMagic);
    const auto length = static_cast<std::uint32_t>(commands.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&runCommand), sizeof runCommand);
    message.append(commands);
    if (::send(socket.fd, message.data(), message.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(message.size()))
        return Status::failure("sway's command socket took no command");

    const auto deadline = SwayClock::now() + std::chrono::milliseconds(swayAnswerWithinMs);
    char header[swayHeaderSize];
    std::uint32_t answerLength = 0;
    if (!readAll(socket.fd, header, sizeof header, deadline) ||
        std::string_view(header, swayMagic.size()) != swayMagic)
        return Status::failure("sway did not answer the command");
    std::memcpy(&answerLength, header + swayMagic.size(), sizeof answerLength);
    std::string answer(answerLength, '\0');
    if (!readAll(socket.fd, answer.data(), answer.size(), deadline))
        return Status::failure("sway did not answer the command");

    // One result per command: [{"success": true}, {"success": false, "error": "..."}].
    auto results = json::parse(answer);
    if (!results || !results->is_array()) return Status::failure("sway's answer is not a list");
    for (const Json& result : *results) {
        if (json::boolean(result, "success").valueOr(false)) continue;
        return Status::failure(json::string(result, "error").valueOr("refused"));
    }
    return success();
}

std::string SwayCommands::exactly(std::string_view text) {
    std::string pattern = "^";
    for (const char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}\"", c)) pattern += '\\';
        pattern += c;
    }
    return pattern + "$";
}

}  // namespace vesperine
