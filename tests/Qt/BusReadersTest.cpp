#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "BusFixture.h"
#include "FakeBusService.h"
#include "Platform/Linux/NightLight/GnomeNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"
#include "Platform/Linux/Power/PowerProfilesReader.h"
#include "Platform/Linux/Power/UPowerReader.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Spin.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;
using Status = SystemFeatureStatus;

constexpr auto timeout = 300ms;

// The settings store for the whole run: in memory, with a test schema compiled into a temp
// folder. Set before anything in the process first looks at GSettings.
class SettingsEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        dir_.write("test.gschema.xml", R"(<schemalist>
  <schema id="org.example.vesperine.color" path="/org/example/vesperine/color/">
    <key name="night-light-enabled" type="b"><default>false</default></key>
  </schema>
  <schema id="org.example.vesperine.tint" path="/org/example/vesperine/tint/">
    <key name="night-light-enabled" type="b"><default>false</default></key>
    <key name="night-light-temperature" type="u">
      <range min="1700" max="4700"/><default>2700</default>
    </key>
    <key name="night-light-schedule-automatic" type="b"><default>true</default></key>
    <key name="night-light-schedule-from" type="d"><default>20.0</default></key>
    <key name="night-light-schedule-to" type="d"><default>6.0</default></key>
  </schema>
  <schema id="org.example.vesperine.text" path="/org/example/vesperine/text/">
    <key name="night-light-enabled" type="s"><default>'yes'</default></key>
  </schema>
</schemalist>)");
        ASSERT_EQ(std::system(("glib-compile-schemas " + dir_.root()).c_str()), 0);
        ::setenv("GSETTINGS_SCHEMA_DIR", dir_.root().c_str(), 1);
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
    }

  private:
    TempFolder dir_;
};
const auto* const settingsEnvironment = testing::AddGlobalTestEnvironment(new SettingsEnvironment);

GnomeNightLight::Names testNames(const char* schema = "org.example.vesperine.color") {
    GnomeNightLight::Names names;
    names.schema = schema;
    return names;
}

class BusReadersTest : public BusFixture<> {
  protected:
    void SetUp() override {
        BusFixture::SetUp();
        setKey(false);
    }
    static void setKey(bool on) {
        GSettings* settings = g_settings_new("org.example.vesperine.color");
        g_settings_set_boolean(settings, "night-light-enabled", on);
        g_object_unref(settings);
    }
    static bool key() {
        GSettings* settings = g_settings_new("org.example.vesperine.color");
        const bool on = g_settings_get_boolean(settings, "night-light-enabled");
        g_object_unref(settings);
        return on;
    }
    std::unique_ptr<FakeBusService> gnomeDaemon() {
        const GnomeNightLight::Names names;
        return std::make_unique<FakeBusService>(loop, bus.address(), names.service, names.path,
                                                names.interface);
    }
    // KWin's night light: inhibit gives cookie 7 and inhibits, uninhibit lifts it.
    std::unique_ptr<FakeBusService> kwin(const KWinNightLight::Interface& at) {
        auto fake = std::make_unique<FakeBusService>(loop, bus.address(), at.service, at.path,
                                                     at.interface);
        fake->property("available", true);
        fake->property("enabled", true);
        fake->property("inhibited", false);
        fake->method("inhibit", "", "u", [this, raw = fake.get()](sd_bus_message* call) {
            inhibitedBy = sd_bus_message_get_sender(call);
            raw->set("inhibited", true);
            return sd_bus_reply_method_return(call, "u", std::uint32_t{7});
        });
        fake->method("uninhibit", "u", "", [this, raw = fake.get()](sd_bus_message* call) {
            sd_bus_message_read(call, "u", &uninhibited);
            raw->set("inhibited", false);
            return sd_bus_reply_method_return(call, "");
        });
        return fake;
    }
    // Runs the request and waits for its answer.
    std::optional<bool> switchTo(SystemColourFeature& feature, bool on) {
        std::optional<bool> answer;
        feature.setEnabled(on, [&](bool held) { answer = held; });
        spin([&] { return answer.has_value(); });
        return answer;
    }

    CapturingLogger logger;
    std::string inhibitedBy;
    std::uint32_t uninhibited = 0;
};

TEST_F(BusReadersTest, GnomeFollowsTheDaemonAndTheSwitch) {
    GnomeNightLight light(connection.get(), loop, logger, testNames(), timeout);
    auto daemon = gnomeDaemon();
    daemon->property("NightLightActive", false);
    daemon->property("DisabledUntilTomorrow", false);
    ASSERT_TRUE(daemon->publish());
    EXPECT_TRUE(spin([&] { return light.status() == Status::off; }));
    setKey(true);
    EXPECT_TRUE(spin([&] { return light.status() == Status::on; }));
    daemon->set("DisabledUntilTomorrow", true);
    EXPECT_TRUE(spin([&] { return light.status() == Status::off; }));
    daemon->set("NightLightActive", true);  // tinting now, whatever the switch says
    EXPECT_TRUE(spin([&] { return light.status() == Status::on; }));

    EXPECT_EQ(switchTo(light, false), true);
    EXPECT_FALSE(key());
    daemon->set("NightLightActive", false);
    EXPECT_TRUE(spin([&] { return light.status() == Status::off; }));
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(BusReadersTest, KWinIsInhibitedWhileWeRunOnEitherGeneration) {
    for (const auto* at : {&KWinNightLight::plasma6, &KWinNightLight::plasma5}) {
        SCOPED_TRACE(at->interface);
        auto fake = kwin(*at);
        ASSERT_TRUE(fake->publish());
        KWinNightLight light(connection.get(), loop, logger, timeout);
        ASSERT_TRUE(spin([&] { return light.status() == Status::on; }));
        EXPECT_EQ(light.interface()->interface, at->interface);

        EXPECT_EQ(switchTo(light, false), true);
        EXPECT_EQ(light.status(), Status::off);
        // The inhibition is ours, held by our connection: KWin lifts it when that closes.
        const char* ours = nullptr;
        sd_bus_get_unique_name(connection->raw(), &ours);
        EXPECT_EQ(inhibitedBy, ours);
        EXPECT_EQ(switchTo(light, true), true);
        EXPECT_EQ(uninhibited, 7u);

        fake->set("enabled", false);  // the user switched it off in KWin's settings
        EXPECT_TRUE(spin([&] { return light.status() == Status::off; }));
        EXPECT_EQ(switchTo(light, true), false);  // not ours to switch on
        fake->set("available", false);
        EXPECT_TRUE(spin([&] { return light.status() == Status::unavailable; }));
        fake->stop();
        spinFor(50ms);
    }
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(BusReadersTest, OddAnswersMakeANightLightUnavailableAndAreLoggedOnce) {
    struct Case {
        const char* name;
        std::function<void(FakeBusService&)> play;
        const char* schema = "org.example.vesperine.color";
        bool gnome = true;
    } cases[] = {
        {"GNOME: NightLightActive as text",
         [](FakeBusService& s) { s.property("NightLightActive", std::string("yes")); }},
        {"GNOME: no NightLightActive",
         [](FakeBusService& s) { s.property("DisabledUntilTomorrow", false); }},
        {"GNOME: switch not installed",
         [](FakeBusService& s) { s.property("NightLightActive", false); }, "org.example.Missing"},
        {"KWin: no inhibited",
         [](FakeBusService& s) { s.property("available", true), s.property("enabled", true); },
         "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logger.clear();
        const auto& at = KWinNightLight::plasma6;
        auto fake = c.gnome ? gnomeDaemon()
                            : std::make_unique<FakeBusService>(loop, bus.address(), at.service,
                                                               at.path, at.interface);
        c.play(*fake);
        ASSERT_TRUE(fake->publish());
        std::unique_ptr<SystemColourFeature> light;
        if (c.gnome)
            light = std::make_unique<GnomeNightLight>(connection.get(), loop, logger,
                                                      testNames(c.schema), timeout);
        else
            light = std::make_unique<KWinNightLight>(connection.get(), loop, logger, timeout);
        EXPECT_TRUE(spin([&] { return light->status() == Status::unavailable; }));
        spinFor(50ms);
        EXPECT_EQ(logger.count("Night Light can't be read", "conflicts"), 1u);
        EXPECT_EQ(switchTo(*light, false), false);
    }
}

// What every reader of a bus service shares: the service starting, stopping, not answering
// or answering with an error, and coming back.
TEST_F(BusReadersTest, EveryReaderFollowsItsServiceComingGoingAndFailing) {
    struct Reader {
        std::shared_ptr<void> object;
        std::function<bool()> read;  // holds what the service said
    };
    using Make = std::function<Reader(std::function<void()> told)>;
    struct Row {
        const char* name;
        std::string service, path, interface;
        std::function<void(FakeBusService&)> play;  // a service that answers
        Make make;
    };
    auto nightLight = [](std::shared_ptr<SystemColourFeature> light, std::function<void()> told) {
        auto watch = std::make_shared<Handle>(light->observe(std::move(told)));
        return Reader{std::make_shared<std::pair<decltype(light), decltype(watch)>>(light, watch),
                      [light] { return light->status() == Status::on; }};
    };
    const GnomeNightLight::Names gnome;
    const auto& kde = KWinNightLight::plasma6;
    const std::string profiles = "org.freedesktop.UPower.PowerProfiles";
    const Row rows[] = {
        {"GNOME", gnome.service, gnome.path, gnome.interface,
         [](FakeBusService& s) { s.property("NightLightActive", true); },
         [&](std::function<void()> told) {
             return nightLight(std::make_shared<GnomeNightLight>(connection.get(), loop, logger,
                                                                 testNames(), timeout),
                               std::move(told));
         }},
        {"KWin", kde.service, kde.path, kde.interface,
         [](FakeBusService& s) {
             s.property("available", true), s.property("enabled", true), s.property("inhibited", false);
         },
         [&](std::function<void()> told) {
             return nightLight(std::make_shared<KWinNightLight>(connection.get(), loop, logger, timeout),
                               std::move(told));
         }},
        {"UPower", "org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower",
         [](FakeBusService& s) {
             s.property("OnBattery", false);
             s.method("EnumerateDevices", "", "ao",
                      [](sd_bus_message* call) { return sd_bus_reply_method_return(call, "ao", 0); });
         },
         [&](std::function<void()> told) {
             auto reader = std::make_shared<UPowerReader>(*connection, loop, logger, told, timeout);
             return Reader{reader, [reader] { return reader->reading().has_value(); }};
         }},
        {"power profiles", profiles, "/org/freedesktop/UPower/PowerProfiles", profiles,
         [](FakeBusService& s) { s.property("ActiveProfile", std::string("power-saver")); },
         [&](std::function<void()> told) {
             auto reader = std::make_shared<PowerProfilesReader>(*connection, loop, logger, told, timeout);
             return Reader{reader, [reader] { return reader->lowPowerMode(); }};
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        logger.clear();
        {  // Silent: it owns the name and never answers; the loop keeps turning meanwhile.
            BusClient hung(bus.address(), row.service.c_str());
            ASSERT_TRUE(hung.ok());
            auto reader = row.make([] {});
            int ticks = 0;
            Timer ticking = loop.repeating(10ms, [&] { ++ticks; });
            EXPECT_TRUE(spin([&] { return logger.contains("can't be read"); }));
            spinFor(100ms);
            EXPECT_GT(ticks, 5);
            EXPECT_FALSE(reader.read());
        }
        // Not running yet (nothing said), then with an error for an answer, then restarted.
        logger.clear();
        int told = 0;
        auto reader = row.make([&] { ++told; });
        spinFor(50ms);
        EXPECT_FALSE(reader.read());
        EXPECT_EQ(logger.count("can't be read"), 0u);
        auto failing = std::make_unique<FakeBusService>(loop, bus.address(), row.service,
                                                        "/elsewhere", row.interface);
        ASSERT_TRUE(failing->publish());
        EXPECT_TRUE(spin([&] { return logger.contains("can't be read"); }));
        EXPECT_FALSE(reader.read());
        failing.reset();
        FakeBusService service(loop, bus.address(), row.service, row.path, row.interface);
        row.play(service);
        ASSERT_TRUE(service.publish());
        EXPECT_TRUE(spin([&] { return reader.read(); }));
        const int before = told;
        service.stop();
        EXPECT_TRUE(spin([&] { return !reader.read(); }));
        EXPECT_GT(told, before);
        EXPECT_EQ(logger.count("can't be read"), 1u);
    }
}

}  // namespace
}  // namespace vesperine
