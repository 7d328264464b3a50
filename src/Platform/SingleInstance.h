#pragma once

#include <functional>
#include <string>

namespace vesperine {

// One running program per user. The first launch claims it; a later launch hands its request
// to the first one and leaves without touching anything itself.
class SingleInstance {
public:
    // What a later launch asks of the running instance.
    enum class Request {
        activate,       // come to the front
        resetDisplays,  // what "--reset" does at start: displays given back, Off held
    };
    enum class Outcome {
        claimed,     // this process is the one instance now (or, where nothing can be claimed,
                     // runs without the guarantee, which the backend has logged)
        handedOver,  // another instance runs and has carried out the request
        refused,     // another instance runs and answered that it cannot carry it out
        noAnswer,    // another instance holds the claim but could not be talked to: the
                     // request never reached it
        unanswered,  // another instance holds the claim and was sent the request, but did
                     // not answer in time: it may still carry it out once it runs again
    };
    struct Claim {
        Outcome outcome = Outcome::claimed;
        // For the others: why, as words that follow "the running instance", such as "did not
        // answer within 2 s".
        std::string detail;
    };

    virtual ~SingleInstance() = default;
    // Claims the instance or hands `request` to the one that runs. Waits a bounded time (a few
    // seconds at most) for a running instance to answer; never hangs on one that is stopped.
    virtual Claim claimOrHandOver(Request request) = 0;
    // Called on the main loop for each request of a later launch; once it returns, the launch
    // is told that its request was carried out.
    virtual void setOnRequest(std::function<void(Request)> onRequest) = 0;
};

}  // namespace vesperine
