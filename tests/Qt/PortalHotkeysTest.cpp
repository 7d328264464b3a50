#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "BusFixture.h"
#include "FakeBusService.h"
#include "Platform/Linux/Portal/PortalHotkeys.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Spin.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using State = PortalHotkeys::State;
using Texts = std::map<std::string, std::string>;

const KeyCombo ctrlAltB{11, 0x1800, "B"};
const KeyCombo ctrlAltUp{126, 0x1800, "↑"};
const KeyCombo ctrlAltW{13, 0x1800, "W"};
constexpr std::uint32_t sig = 0x534F4C56;
constexpr const char* session = "/org/freedesktop/portal/desktop/session/x/s1";

// The text values of the a{sv} at the message's position.
Texts readTexts(sd_bus_message* m) {
    Texts texts;
    sd_bus_message_enter_container(m, 'a', "{sv}");
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char *key = nullptr, *value = nullptr;
        sd_bus_message_read(m, "s", &key);
        if (sd_bus_message_read(m, "v", "s", &value) > 0) texts[key] = value;
        else sd_bus_message_skip(m, "v");
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    return texts;
}

// The portal's GlobalShortcuts as a desktop plays it: each request replies with its path,
// then answers with Response on it. `declines`: shortcut ids the user leaves unbound;
// `response`: BindShortcuts' answer code (1: the user cancelled, 2: failed).
class FakePortal {
  public:
      FakePortal(GLibMainLoop& loop, const std::string& address, bool withInterface = true) {
          const PortalHotkeys::Names names;
          service = std::make_unique<FakeBusService>(loop, address, names.service, names.path,
                                                     names.interface);
          if (withInterface) service->property("version", std::uint32_t{1});
          service->method("CreateSession", "a{sv}", "o", [this](sd_bus_message* call) {
              return answer(call, readTexts(call)["handle_token"], 0, [](sd_bus_message* m) {
                  return sd_bus_message_append(m, "{sv}", "session_handle", "o", session);
              });
          });
          service->method("BindShortcuts", "oa(sa{sv})sa{sv}", "o", [this](sd_bus_message* call) {
              Texts asked;  // id → "trigger (description)"
              sd_bus_message_skip(call, "o");
              sd_bus_message_enter_container(call, 'a', "(sa{sv})");
              while (sd_bus_message_enter_container(call, 'r', "sa{sv}") > 0) {
                  const char* id = nullptr;
                  sd_bus_message_read(call, "s", &id);
                  auto texts = readTexts(call);
                  asked[id] = texts["preferred_trigger"] + " (" + texts["description"] + ")";
                  sd_bus_message_exit_container(call);
              }
              sd_bus_message_exit_container(call);
              sd_bus_message_skip(call, "s");
              binds.push_back(asked);
              return answer(call, readTexts(call)["handle_token"], response,
                            [this, asked](sd_bus_message* m) {
                                sd_bus_message_open_container(m, 'e', "sv");
                                sd_bus_message_append(m, "s", "shortcuts");
                                sd_bus_message_open_container(m, 'v', "a(sa{sv})");
                                sd_bus_message_open_container(m, 'a', "(sa{sv})");
                                for (const auto& [id, text] : asked) {
                                    if (declines.count(id)) continue;
                                    sd_bus_message_append(
                                        m, "(sa{sv})", id.c_str(), 1, "trigger_description", "s",
                                        ("Pressed " + text.substr(0, text.find(' '))).c_str());
                                }
                                for (int i = 0; i < 3; ++i) sd_bus_message_close_container(m);
                                return 0;
                            });
          });
          EXPECT_TRUE(service->publish());
      }
    void activate(const std::string& id, const char* of = session) {
        sd_bus_emit_signal(service->connection()->raw(), "/org/freedesktop/portal/desktop",
                           "org.freedesktop.portal.GlobalShortcuts", "Activated", "osta{sv}", of,
                           id.c_str(), std::uint64_t{0}, 0);
        service->connection()->flush();
    }

    std::unique_ptr<FakeBusService> service;
    std::vector<Texts> binds;
    std::set<std::string> declines;
    std::uint32_t response = 0;

  private:
    // Replies with the request path the caller expects, then answers on it.
    int answer(sd_bus_message* call, const std::string& token, std::uint32_t code,
               const std::function<int(sd_bus_message*)>& results) {
        std::string sender = sd_bus_message_get_sender(call) + 1;
        for (char& c : sender) c = c == '.' ? '_' : c;
        const std::string path = "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
        const int r = sd_bus_reply_method_return(call, "o", path.c_str());
        sd_bus_message* signal = nullptr;
        sd_bus_message_new_signal(service->connection()->raw(), &signal, path.c_str(),
                                  "org.freedesktop.portal.Request", "Response");
        sd_bus_message_append(signal, "u", code);
        sd_bus_message_open_container(signal, 'a', "{sv}");
        results(signal);
        sd_bus_message_close_container(signal);
        sd_bus_send(nullptr, signal, nullptr);
        sd_bus_message_unref(signal);
        service->connection()->flush();
        return r;
    }
};

class PortalHotkeysTest : public BusFixture<> {
  protected:
    std::unique_ptr<PortalHotkeys> service() {
        auto made = std::make_unique<PortalHotkeys>(
            connection.get(), loop, logger, [](HotkeyID id) { return "Action " + std::to_string(id.id); },
            300ms, PortalHotkeys::Names{});
        changed = 0;
        changes = made->observe([this] { ++changed; });
        return made;
    }
    static Handle take(Result<Handle> registration) {
        EXPECT_TRUE(registration) << registration.error().description;
        return registration ? std::move(registration).value() : Handle();
    }

    CapturingLogger logger;
    Handle changes;
    int changed = 0;
};

TEST_F(PortalHotkeysTest, ShortcutsAreAskedForOnceAndPressesArrive) {
    FakePortal portal(loop, bus.address());
    auto hotkeys = service();
    std::vector<std::uint32_t> pressed;
    auto handler = hotkeys->installPressHandler([&](HotkeyID id) { pressed.push_back(id.id); });
    Handle b = take(hotkeys->registerHotkey(ctrlAltB, {sig, 0}));
    Handle up = take(hotkeys->registerHotkey(ctrlAltUp, {sig, 1}));
    EXPECT_FALSE(hotkeys->registerHotkey(ctrlAltB, {sig, 4}));  // the same keys twice
    ASSERT_TRUE(spin([&] { return hotkeys->state() == State::bound; }));
    ASSERT_EQ(portal.binds.size(), 1u);  // one session, one request for both
    EXPECT_EQ(portal.binds[0], (Texts{{"hotkey-0", "CTRL+ALT+b (Action 0)"},
                                      {"hotkey-1", "CTRL+ALT+Up (Action 1)"}}));
    EXPECT_EQ(hotkeys->boundTrigger({sig, 1}), "Pressed CTRL+ALT+Up");

    portal.activate("hotkey-1");
    portal.activate("hotkey-0", "/org/freedesktop/portal/desktop/session/x/other");  // not ours
    portal.activate("hotkey-9");  // never registered
    EXPECT_TRUE(spin([&] { return pressed.size() == 1; }));

    // The same again (as after recording a shortcut) asks the user nothing; a new
    // combination asks for everything, in a new session.
    b.cancel();
    up.cancel();
    b = take(hotkeys->registerHotkey(ctrlAltB, {sig, 0}));
    up = take(hotkeys->registerHotkey(ctrlAltUp, {sig, 1}));
    spinFor(50ms);
    EXPECT_EQ(portal.binds.size(), 1u);
    Handle w = take(hotkeys->registerHotkey(ctrlAltW, {sig, 3}));
    ASSERT_TRUE(spin([&] { return portal.binds.size() == 2; }));
    EXPECT_EQ(portal.binds[1].size(), 3u);

    up.cancel();  // given back: its presses no longer arrive
    portal.activate("hotkey-1");
    portal.activate("hotkey-3");
    EXPECT_TRUE(spin([&] { return pressed.size() == 2; }));
    spinFor(50ms);
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{1, 3}));
}

TEST_F(PortalHotkeysTest, WhatTheDesktopDoesNotBindIsRefusedWhenRegisteredAgain) {
    struct Case {
        const char* name;
        std::set<std::string> declines;
        std::uint32_t response;
        bool bRefused, upRefused;
    } cases[] = {
        {"the user left one unbound", {"hotkey-1"}, 0, false, true},
        {"the user cancelled the dialog", {}, 1, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePortal portal(loop, bus.address());
        portal.declines = c.declines;
        portal.response = c.response;
        auto hotkeys = service();
        {
            Handle b = take(hotkeys->registerHotkey(ctrlAltB, {sig, 0}));
            Handle up = take(hotkeys->registerHotkey(ctrlAltUp, {sig, 1}));
            ASSERT_TRUE(spin([&] { return changed == 1; }));
        }
        // Registered again, as the hot-key manager does on hearing of the change.
        auto b = hotkeys->registerHotkey(ctrlAltB, {sig, 0});
        auto up = hotkeys->registerHotkey(ctrlAltUp, {sig, 1});
        EXPECT_EQ(!b, c.bRefused);
        EXPECT_EQ(!up, c.upRefused);
        spinFor(50ms);
        EXPECT_EQ(portal.binds.size(), 1u);  // and that starts no second round
        portal.service->stop();
        ASSERT_TRUE(spin([&] { return hotkeys->state() == State::unavailable; }));
    }
}

TEST_F(PortalHotkeysTest, WithoutThePortalsInterfaceHotKeysAreUnavailable) {
    for (bool portalRuns : {false, true}) {
        SCOPED_TRACE(portalRuns ? "a portal without global shortcuts" : "no portal");
        auto portal = portalRuns ? std::make_unique<FakePortal>(loop, bus.address(), false) : nullptr;
        auto hotkeys = service();
        EXPECT_TRUE(hotkeys->registerHotkey(ctrlAltB, {sig, 0}));  // taken until the answer
        ASSERT_TRUE(spin([&] { return hotkeys->state() == State::unavailable; }));
        EXPECT_EQ(changed, 1);
        auto later = hotkeys->registerHotkey(ctrlAltB, {sig, 0});
        ASSERT_FALSE(later);
        EXPECT_EQ(later.error().description, "This desktop offers no global shortcuts");
    }
    EXPECT_TRUE(logger.contains("offers no global shortcuts", "hotkeys"));
    PortalHotkeys noBus(nullptr, loop, logger, nullptr);
    EXPECT_FALSE(noBus.registerHotkey(ctrlAltB, {sig, 0}));
}

}  // namespace
}  // namespace vesperine
