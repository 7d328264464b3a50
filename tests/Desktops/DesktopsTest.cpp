// Our tints against the desktops' real night lights, headless, each in a session of the test's
// own. Both are driven through the classes the program uses (DesktopNightLight's tint for the
// desktop, the defaults in a file) and read back through the service's own interface, as any
// other client sees it. A run that crashes is a second process of this binary killed with
// SIGKILL while it holds the night light.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <link.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Linux/DBus/BusConnection.h"
#include "Platform/Linux/Files/JsonFileDefaultsStore.h"
#include "Platform/Linux/Files/PosixFileSystem.h"
#include "Platform/Linux/NightLight/DesktopNightLight.h"
#include "Platform/Linux/NightLight/GnomeNightLight.h"
#include "Platform/Linux/NightLight/GnomeNightLightTint.h"
#include "Platform/Linux/NightLight/KWinNightLight.h"
#include "Platform/Linux/NightLight/KWinNightLightTint.h"
#include "Platform/Linux/System/GLibMainLoop.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Qt/GnomeNightLightKeys.h"
#include "Qt/Spin.h"
#include "Support/ChildProcess.h"
#include "Support/PrivateBus.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Service = BusServiceReader::Name;

std::string onPath(const std::string& name) {
    const auto found = runCommand("command -v " + name);
    return found.status == 0 ? found.output.substr(0, found.output.find('\n')) : "";
}

// The dynamic loader this program was linked against.
std::string dynamicLoader() {
    std::string found;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* out) {
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_INTERP)
                    *static_cast<std::string*>(out) =
                        reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
            }
            return 1;  // the program itself comes first
        },
        &found);
    return found;
}

// A login of the test's own: a home with its runtime, configuration and cache folders and a
// private session bus, set in this process's environment so that the servers started from
// here, GIO's settings and the services the bus starts (dconf) all use them, never the
// user's. Each test runs in a process of its own.
class PrivateSession {
public:
    PrivateSession() {
        for (const char* folder : {"run", "config", "cache"}) fs::create_directories(home / folder);
        fs::permissions(home / "run", fs::perms::owner_all, fs::perm_options::replace);
        ::setenv("HOME", home.root().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config().c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "GSETTINGS_BACKEND", "QT_QPA_PLATFORM"})
            ::unsetenv(name);
        bus_.emplace();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus_->address().c_str(), 1);
        client_.emplace(bus_->address(), nullptr);
        if (bus_->address().empty() || !client_->ok()) return;
        if (auto opened = BusConnection::open(BusConnection::Bus::session, loop_, loop_))
            connection_ = std::move(opened).value();
    }
    ~PrivateSession() { servers_.clear(); }  // before the bus and the folders go

    bool ready() const { return connection_ != nullptr; }
    std::string config() const { return (home / "config").string(); }
    BusConnection* connection() const { return connection_.get(); }
    std::string serversLog() const { return home.read("servers.log"); }

    // Starts a server with this environment, `extra` first, in a session of its own (what
    // it and its helpers signal as their group is not the test); its output goes to
    // servers.log.
    ChildProcess& start(std::vector<std::string> argv, const std::vector<std::string>& extra = {}) {
        argv.insert(argv.begin(), "setsid");
        std::vector<std::string> environment(extra);
        for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
        const std::string log = (home / "servers.log").string();
        servers_.push_back(std::make_unique<ChildProcess>(
            argv, std::map<int, std::string>{{1, log}, {2, log}}, SIGTERM, environment));
        return *servers_.back();
    }

    // A boolean ('b') or number ('u') property, read as any client reads it; none while the
    // service does not answer.
    std::optional<std::uint32_t> read(const Service& at, const char* name, char type) const {
        std::uint32_t value = 0;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        const int r =
            sd_bus_get_property_trivial(client_->raw(), at.service.c_str(), at.path.c_str(),
                                        at.interface.c_str(), name, &error, type, &value);
        sd_bus_error_free(&error);
        if (r < 0) return std::nullopt;
        return value;
    }

    TempFolder home;

private:
    std::optional<PrivateBus> bus_;
    std::optional<BusClient> client_;
    GLibMainLoop loop_;
    std::unique_ptr<BusConnection> connection_;
    std::vector<std::unique_ptr<ChildProcess>> servers_;
};

// A run of the program holding the night light at `kelvin` until it is killed (main.cpp).
std::unique_ptr<ChildProcess> crashingRun(const char* desktop, const char* kelvin,
                                          const std::string& defaults, const std::string& config) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{
        fs::read_symlink("/proc/self/exe"), "--hold", desktop, kelvin, defaults, config});
}

// What KWin says its night colour shows.
struct Shown {
    std::uint32_t enabled = 0, mode = 0, target = 0;
    bool operator==(const Shown&) const = default;
};
constexpr std::uint32_t constantMode = 3;

// As KConfig's writers announce a change of kwinrc (kwriteconfig --notify).
void announceKwinrc(sd_bus* bus) {
    sd_bus_message* signal = nullptr;
    sd_bus_message_new_signal(bus, &signal, "/kwinrc", "org.kde.kconfig.notify", "ConfigChanged");
    sd_bus_message_open_container(signal, 'a', "{saay}");
    sd_bus_message_open_container(signal, 'e', "saay");
    sd_bus_message_append(signal, "s", "NightColor");
    sd_bus_message_open_container(signal, 'a', "ay");
    for (std::string key : {"Active", "Mode", "NightTemperature"})
        sd_bus_message_append_array(signal, 'y', key.data(), key.size());
    for (int i = 0; i < 3; ++i) sd_bus_message_close_container(signal);
    sd_bus_send(bus, signal, nullptr);
    sd_bus_message_unref(signal);
    sd_bus_flush(bus);
}

TEST(RealDesktops, KWinFollowsOurNightColorAndTheUsersKwinrcComesBackByteForByte) {
    PrivateSession session;
    if (!session.ready()) GTEST_SKIP() << "no dbus-daemon";
    const std::string kwin = onPath("kwin_wayland");
    if (kwin.empty()) GTEST_SKIP() << "kwin_wayland is not installed (package kwin-wayland)";
    ::setenv("KDE_SESSION_VERSION", "5", 1);  // Debian 12's Plasma: the [NightColor] group
    std::vector<std::string> argv{
        kwin,       "--virtual",     "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities",
        "--socket", "vesperine-kwin"};
    if (session.start(argv).wait(500ms)) {
        // kwin_wayland's file carries a capability (to raise its own limits), and where the
        // capability bounding set lacks it (a container) the exec is refused. The loader runs
        // it without; KWin then takes its own Qt platform only when told to.
        argv.insert(argv.begin(), dynamicLoader());
        session.start(argv, {"KWIN_FORCE_OWN_QPA=1"});
    }
    const Service& colorCorrect = KWinNightLight::plasma5;
    const auto shown = [&]() -> std::optional<Shown> {
        auto enabled = session.read(colorCorrect, "enabled", 'b');
        auto mode = session.read(colorCorrect, "mode", 'u');
        auto target = session.read(colorCorrect, "targetTemperature", 'u');
        if (!enabled || !mode || !target) return std::nullopt;
        return Shown{*enabled, *mode, *target};
    };
    if (!spin([&] { return shown().has_value(); }, 10s))
        GTEST_SKIP() << "kwin_wayland --virtual did not start:\n" << session.serversLog();

    const std::string kwinrc = session.config() + "/kwinrc";
    const auto file = [&] { return session.home.read(kwinrc); };
    const std::string defaultsFile = (session.home / "defaults.json").string();
    PosixFileSystem files;
    CapturingLogger logger;
    const auto kdeTint = [&](DefaultsStore& defaults) {
        return DesktopNightLight::tintOf(
            "KDE", {defaults, files, session.connection(), session.config(), logger});
    };
    BusClient settingsModule(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr);
    const auto userWrites = [&](const std::string& text, Shown shows) {
        session.home.write(kwinrc, text);
        announceKwinrc(settingsModule.raw());
        return spin([&] { return shown() == shows; });
    };

    {
        // KWin saves settings of its own a moment after it starts, rewriting the whole file
        // in KConfig's form while we hold the night light; the group we added goes anyway.
        const Shown users = shown().value_or(Shown{});
        const std::string made = file();
        JsonFileDefaultsStore defaults(files, logger, defaultsFile);
        auto tint = kdeTint(defaults);
        ASSERT_TRUE(tint && tint->available());
        tint->show(3400);
        const std::string ours = file();
        ASSERT_TRUE(spin([&] { return shown() == Shown{1, constantMode, 3400}; }));
        spin([&] { return file() != ours; }, 4s);  // KWin's own save, if it makes one
        tint->release();
        EXPECT_EQ(file().find("[NightColor]"), std::string::npos) << file();
        EXPECT_EQ(file().substr(0, made.size()), made);
        EXPECT_TRUE(spin([&] { return shown() == users; }));
    }
    struct Case {
        const char* name;
        std::optional<std::string> own;  // none: kwinrc as KWin made it
        Shown shows;
    } cases[] = {
        {"no night colour of the user's", std::nullopt, {}},
        {"the user's own, among comments and other groups",
         "# mine\n[Desktops]\nNumber=2\n\n[NightColor]\nActive=true\nMode=Constant\n"
         "NightTemperature = 4200\n\n[Wayland]\nInputMethod=x",
         {1, constantMode, 4200}},
        {"off, its temperature left to KWin",
         "[NightColor]\nActive=false\nMode=Constant\n",
         {0, constantMode, 4500}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Shown users = c.own ? c.shows : shown().value_or(Shown{});
        if (c.own) {
            ASSERT_TRUE(userWrites(*c.own, users))
                << "KWin shows " << shown().value_or(Shown{}).target;
        }
        const std::string own = file();
        JsonFileDefaultsStore defaults(files, logger, defaultsFile);
        auto tint = kdeTint(defaults);
        ASSERT_TRUE(tint && tint->available());

        tint->show(3412);
        ASSERT_TRUE(spin([&] { return shown() == Shown{1, constantMode, 3400}; }));
        tint->show(700);  // below KWin's range
        EXPECT_TRUE(spin([&] { return shown() == Shown{1, constantMode, 1000}; }));

        tint->release();
        EXPECT_EQ(file(), own);
        EXPECT_TRUE(spin([&] { return shown() == users; }));
        EXPECT_FALSE(defaults.data(KWinNightLightTint::defaultsKey));
    }

    // A crash while we hold it, then the next start.
    const std::string own = *cases[1].own;
    ASSERT_TRUE(userWrites(own, cases[1].shows));
    {
        auto crashed = crashingRun("KDE", "2700", defaultsFile, session.config());
        ASSERT_TRUE(spin([&] { return shown() == Shown{1, constantMode, 2700}; }, 5s));
    }  // killed
    EXPECT_NE(file(), own);
    JsonFileDefaultsStore defaults(files, logger, defaultsFile);
    auto next = kdeTint(defaults);
    EXPECT_EQ(file(), own);
    EXPECT_TRUE(spin([&] { return shown() == cases[1].shows; }));
    EXPECT_FALSE(defaults.data(KWinNightLightTint::defaultsKey));
    EXPECT_TRUE(logger.contains("Gave KDE's Night Light back", "display"));
    EXPECT_EQ(logger.lines().size(), 1u);  // and nothing went wrong on the way
}

using GnomeOwn = GnomeNightLightTint::Own;

TEST(RealDesktops, GnomesColourPluginFollowsOurTemperatureAndTheUsersSettingsComeBack) {
    PrivateSession session;
    if (!session.ready()) GTEST_SKIP() << "no dbus-daemon";
    const std::string mutter = onPath("mutter"), daemon = "/usr/libexec/gsd-color";
    if (mutter.empty() || ::access(daemon.c_str(), X_OK) != 0)
        GTEST_SKIP() << "mutter or gsd-color (gnome-settings-daemon) is not installed";
    session.start({mutter, "--headless", "--virtual-monitor", "1280x800", "--no-x11",
                   "--wayland-display", "vesperine-mutter"});
    if (!spin([&] { return fs::exists(session.home / "run/vesperine-mutter"); }, 10s))
        GTEST_SKIP() << "mutter --headless did not start:\n" << session.serversLog();
    session.start({daemon},
                  {"WAYLAND_DISPLAY=vesperine-mutter", "GDK_BACKEND=wayland", "NO_AT_BRIDGE=1"});
    const GnomeNightLight::Names names;
    const Service colour{names.service, names.path, names.interface};
    const auto temperature = [&] { return session.read(colour, "Temperature", 'u'); };
    if (!spin([&] { return temperature().has_value(); }, 10s))
        GTEST_SKIP() << "gsd-color did not start:\n" << session.serversLog();
    // The daemon eases into a new temperature over a few seconds; within one of our fade
    // steps (50 K) it shows what we asked for.
    const auto nears = [&](std::uint32_t kelvin, std::chrono::milliseconds limit = 4s) {
        return spin(
            [&] {
                const auto now = temperature();
                return now && *now + 50 > kelvin && *now < kelvin + 50;
            },
            limit);
    };

    GSettings* settings = g_settings_new(names.schema.c_str());
    // GIO ends a process whose session bus goes; this one's goes when the test ends.
    GDBusConnection* gioBus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_TRUE(gioBus);
    g_dbus_connection_set_exit_on_close(gioBus, FALSE);
    const std::string defaultsFile = (session.home / "defaults.json").string();
    PosixFileSystem files;
    CapturingLogger logger;
    const auto gnomeTint = [&](DefaultsStore& defaults) {
        return DesktopNightLight::tintOf(
            "ubuntu:GNOME", {defaults, files, session.connection(), session.config(), logger});
    };
    struct Case {
        const char* name;
        GnomeOwn own;
        std::uint32_t shows;
    } cases[] = {
        {"off", {false, 4000, true, 20.0, 6.0}, 6500},
        {"on all day", {true, 4000, false, 0.0, 0.0}, 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setGnomeKeys(settings, c.own);
        ASSERT_TRUE(nears(c.shows, 8s)) << "gsd-color shows " << temperature().value_or(0);
        JsonFileDefaultsStore defaults(files, logger, defaultsFile);
        auto tint = gnomeTint(defaults);
        ASSERT_TRUE(tint && tint->available());

        tint->show(3400);
        ASSERT_TRUE(nears(3400));
        tint->release();
        EXPECT_EQ(gnomeKeys(settings), c.own);
        EXPECT_TRUE(nears(c.shows));
        EXPECT_FALSE(defaults.data(GnomeNightLightTint::defaultsKey));
    }

    // A crash while we hold it, then the next start.
    const auto& mine = cases[1];
    setGnomeKeys(settings, mine.own);
    ASSERT_TRUE(nears(mine.shows, 8s));
    {
        auto crashed = crashingRun("GNOME", "2700", defaultsFile, session.config());
        ASSERT_TRUE(nears(2700, 6s));
    }  // killed
    EXPECT_NE(gnomeKeys(settings), mine.own);
    JsonFileDefaultsStore defaults(files, logger, defaultsFile);
    auto next = gnomeTint(defaults);
    EXPECT_EQ(gnomeKeys(settings), mine.own);
    EXPECT_TRUE(nears(mine.shows));
    EXPECT_FALSE(defaults.data(GnomeNightLightTint::defaultsKey));
    EXPECT_TRUE(logger.contains("Gave GNOME's Night Light back", "display"));
    g_object_unref(settings);
    g_object_unref(gioBus);
}

}  // namespace
}  // namespace vesperine
