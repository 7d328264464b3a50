#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct wl_display;

namespace vesperine::testing {

// A small Wayland compositor for the Wayland backends' tests, on its own thread: outputs (with
// xdg-output), wlr-gamma-control that records every table it is given and lets only one
// client hold an output's gamma (a "competitor" can hold it instead), and wlr-foreign-toplevel
// windows. Everything it is asked runs on its thread; each call waits until done.
class TestCompositor {
  public:
    struct Options {
        bool gammaControl = true;
        bool toplevels = true;
    };
    explicit TestCompositor(Options options);
    TestCompositor() : TestCompositor(Options{}) {}
    ~TestCompositor();
    TestCompositor(const TestCompositor&) = delete;
    TestCompositor& operator=(const TestCompositor&) = delete;

    // One end of a new client connection; the caller owns it.
    int connectClient();
    // Listens on a socket at `path` too, for clients that find it by WAYLAND_DISPLAY (a
    // program that starts another one); false when it cannot.
    bool listenAt(const std::string& path);
    // The compositor goes away: every client sees its connection end.
    void stop();

    void addOutput(const std::string& name, const std::string& description,
                   std::uint32_t gammaSize, int x = 0, int width = 1920);
    void removeOutput(const std::string& name);

    // Another client takes the output's gamma: a holder of ours hears `failed`, and new
    // controls fail until `releaseCompetitor`.
    void takeByCompetitor(const std::string& output);
    void releaseCompetitor(const std::string& output);
    // The tables set on the output, in order: red, green and blue, 16 bits each.
    std::vector<std::vector<std::uint16_t>> tables(const std::string& output);
    // Live gamma controls of ours on the output (0 or 1), and how many were ever made.
    int controls(const std::string& output);
    int controlsMade(const std::string& output);

    std::uint32_t addToplevel(const std::string& appID);
    void activate(std::uint32_t toplevel);  // the others lose the activated state
    void setFullScreen(std::uint32_t toplevel, bool fullScreen);
    void closeToplevel(std::uint32_t toplevel);

    struct State;

  private:
    void run(std::function<void()> job);
    // What `job` gives, computed on the compositor's thread.
    template <class Job>
    auto ask(Job job) {
        decltype(job()) result{};
        run([&] { result = job(); });
        return result;
    }

    std::unique_ptr<State> state_;
    std::thread thread_;
};

}  // namespace vesperine::testing
