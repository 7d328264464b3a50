#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesperine {

// Something else that changes the displays' colours and so fights this program's tables:
// a competing program that is running, the desktop's night light, or tables that somebody
// else has set. Compares by case and payload.
class Conflict {
  public:
    enum class Kind { app, nightLight, foreignGamma };

    // A competing program by its display name; `bundleID` identifies the program (on Linux
    // its executable name) and is what `fix` asks to quit.
    static Conflict app(std::string name, std::string bundleID);
    static Conflict nightLight();
    static Conflict foreignGamma();

    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    const std::string& bundleID() const { return bundleID_; }

    // "app:<bundleID>", "nightLight" or "foreignGamma".
    std::string id() const;
    // The sentence shown to the user; `appName` is this program's display name.
    std::string message(std::string_view appName) const;
    // The title of the one-click fix, or none when there is nothing to click.
    std::optional<std::string> fixTitle() const;

    bool operator==(const Conflict&) const = default;

  private:
    Conflict(Kind kind, std::string name, std::string bundleID)
        : kind_(kind), name_(std::move(name)), bundleID_(std::move(bundleID)) {}

    Kind kind_;
    std::string name_;
    std::string bundleID_;
};

}  // namespace vesperine
