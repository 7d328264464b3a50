#pragma once

namespace vesperine {

// An update framework's controller: it fetches the update feed, checks signatures, asks the
// user and installs. This build has none (updates come with the distribution); the updater
// makes one only for a build configured with a feed and a signing key.
class UpdateController {
public:
    virtual ~UpdateController() = default;

    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool checks) = 0;
    // Checks now, showing what it finds.
    virtual void checkForUpdates() = 0;
};

}  // namespace vesperine
