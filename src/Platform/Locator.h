#pragma once

#include <functional>

#include "Support/Handle.h"
#include "Support/Result.h"

namespace vesperine {

// Where this computer is, as the machine's location service estimates it. Asked only when
// the person asks (a button, a command), once each time: the program never follows the
// position in the background.
class Locator {
public:
    struct Fix {
        double latitude = 0;   // degrees north
        double longitude = 0;  // degrees east
        double accuracyMetres = 0;
    };
    // The fix, or an error whose description says in one line why there is none (no
    // service, a refusal, no answer in time).
    using Answer = std::function<void(Result<Fix>)>;

    virtual ~Locator() = default;

    // Asks once. `answer` runs once, on the main loop and never from inside this call. When
    // the handle is cancelled or destroyed first it never runs, and the service is told to
    // stop looking once nobody waits any more. Asks made while one is under way share its
    // answer.
    [[nodiscard]] virtual Handle locate(Answer answer) = 0;
};

}  // namespace vesperine
