// GeoClue played on a private bus used as the system bus, through its published interface:
// what the locator asks of it and what it makes of the answers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "BusFixture.h"
#include "FakeBusService.h"
#include "Platform/Linux/Location/GeoClueLocator.h"
#include "Platform/Simulated/CapturingLogger.h"
#include "Settings/CoordinateInput.h"
#include "Spin.h"
#include "Support/ChildProcess.h"
#include "Support/TempFolder.h"

namespace vesperine {
namespace {

using namespace std::chrono_literals;

constexpr const char* geoClueClient = "/org/freedesktop/GeoClue2/Client/7";
constexpr const char* geoClueFix = "/org/freedesktop/GeoClue2/Client/7/Location/1";

// How the played GeoClue answers Start; where it reports, it finds central Paris.
enum class GeoClueTurn { reports, refuses, staysSilent };

struct FakeGeoClue {
    FakeGeoClue(GLibMainLoop& loop, const std::string& address, GeoClueTurn turn)
        : service(loop, address, "org.freedesktop.GeoClue2", "/org/freedesktop/GeoClue2/Manager",
                  "org.freedesktop.GeoClue2.Manager") {
        service.method("GetClient", "", "o", [this](sd_bus_message* call) {
            calls += "GetClient ";
            return sd_bus_reply_method_return(call, "o", geoClueClient);
        });
        client = &service.add(geoClueClient, "org.freedesktop.GeoClue2.Client");
        client->writable("DesktopId", std::string());
        client->writable("RequestedAccuracyLevel", std::uint32_t{0});
        client->method("Start", "", "", [this, turn](sd_bus_message* call) {
            calls += "Start ";
            if (turn == GeoClueTurn::refuses) {
                return sd_bus_reply_method_errorf(call, SD_BUS_ERROR_ACCESS_DENIED,
                                                  "'com.brevan.vesperine' disallowed, no agent");
            }
            // A position already known is reported before Start returns, as GeoClue may.
            if (turn == GeoClueTurn::reports) {
                sd_bus_emit_signal(service.connection()->raw(), geoClueClient,
                                   "org.freedesktop.GeoClue2.Client", "LocationUpdated", "oo", "/",
                                   geoClueFix);
            }
            return sd_bus_reply_method_return(call, "");
        });
        client->method("Stop", "", "", [this](sd_bus_message* call) {
            calls += "Stop ";
            return sd_bus_reply_method_return(call, "");
        });
        service.add(geoClueFix, "org.freedesktop.GeoClue2.Location",
                    {{"Latitude", 48.86}, {"Longitude", 2.34}, {"Accuracy", 25000.0}});
    }

    FakeBusService service;
    FakeBusService::Object* client = nullptr;
    std::string calls;
};

using GeoClueLocatorTest = BusFixture<BusConnection::Bus::system>;

TEST_F(GeoClueLocatorTest, AsksOnceAtCityAccuracyAndSaysWhyNot) {
    struct Row {
        const char* name;
        std::optional<GeoClueTurn> turn;  // none: no GeoClue on the bus
        std::string answer, calls;
    };
    const Row rows[] = {
        {"missing", std::nullopt, "GeoClue, the location service, isn't installed or didn't start",
         ""},
        {"near a city", GeoClueTurn::reports, "Paris, France", "GetClient Start Stop "},
        {"refused", GeoClueTurn::refuses,
         "GeoClue, the location service, refused: 'com.brevan.vesperine' disallowed, no agent",
         "GetClient Start "},
        {"silent", GeoClueTurn::staysSilent,
         "GeoClue, the location service, found no position within 0.3 s", "GetClient Start Stop "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<FakeGeoClue> geoClue;
        if (row.turn) {
            geoClue.emplace(loop, bus.address(), *row.turn);
            ASSERT_TRUE(geoClue->service.publish());
        }
        CapturingLogger logger;
        GeoClueLocator locator(connection.get(), loop, logger, "com.brevan.vesperine", 300ms);
        std::optional<std::string> answer;
        const Handle asking = locator.locate([&](Result<Locator::Fix> fix) {
            auto place = fix ? CoordinateInput::located(fix->latitude, fix->longitude)
                             : Result<Location>(fix.error());
            answer = place ? place->name : place.error().description;
        });
        EXPECT_FALSE(answer) << "answered inside the call";
        ASSERT_TRUE(spin([&] { return answer.has_value(); }, 3s));
        EXPECT_EQ(*answer, row.answer);
        if (!geoClue) continue;
        // Stop goes out unawaited: the fake sees it a turn later.
        spin([&] { return geoClue->calls == row.calls; }, 500ms);
        EXPECT_EQ(geoClue->calls, row.calls);
        EXPECT_EQ(geoClue->client->value("DesktopId"),
                  FakeBusService::Value(std::string("com.brevan.vesperine")));
        EXPECT_EQ(geoClue->client->value("RequestedAccuracyLevel"),
                  FakeBusService::Value(std::uint32_t{4}));
    }
}

// The command asks GeoClue itself where no instance runs, and stores what it found for the
// next start.
TEST_F(GeoClueLocatorTest, TheLocationCommandStoresWhatGeoClueFinds) {
    FakeGeoClue geoClue(loop, bus.address(), GeoClueTurn::reports);
    ASSERT_TRUE(geoClue.service.publish());
    TempFolder home;
    const std::string out = (home.path() / "out").string();
    // The test's bus is the session bus too: nobody there owns the instance's name.
    ChildProcess command(
        {VESPERINE_PROGRAM, "location", "--auto"}, {{1, out}, {2, out}}, SIGKILL,
        std::vector<std::string>{
            "DBUS_SYSTEM_BUS_ADDRESS=" + bus.address(), "DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
            "HOME=" + home.path().string(), "XDG_RUNTIME_DIR=" + home.path().string(),
            "XDG_DATA_HOME=" + (home.path() / "data").string(),
            "XDG_CONFIG_HOME=" + (home.path() / "config").string(), "TZ=UTC"});
    std::optional<int> status;
    ASSERT_TRUE(spin(
        [&] {
            if (!status) status = command.wait(0ms);  // reaped once: later waits know nothing
            return status.has_value();
        },
        15s));
    std::ifstream printed(out);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(printed), {}),
              "Location: Paris, France (48.86° N, 2.34° E) (not running)\n");
    EXPECT_EQ(status, 0);
    std::ifstream stored(home.path() / "data/com.brevan.vesperine/schedules.json");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(stored), {}).find("Paris, France"),
              std::string::npos);
}

}  // namespace
}  // namespace vesperine
