#pragma once

#include <map>
#include <optional>
#include <vector>

#include "Platform/DisplayServices.h"

namespace vesperine {

// Displays in memory, for tests and the simulated run: screens with any headroom, tables that
// can be changed behind the program's back, hot-plug, and injectable failures.
class SimulatedDisplays final : public DisplayList, public DisplayGamma, public DisplayEvents {
  public:
    struct Table {
        std::vector<float> r, g, b;
        bool operator==(const Table&) const = default;
    };
    struct Failures {
        int writeError = 0;                        // non-zero: writes fail with this code
        int readError = 0;                         // non-zero: reads fail with this code
        std::optional<std::size_t> reportedCount;  // a driver reporting this many entries
        int keptBits = 0;  // non-zero: the hardware keeps this many bits per entry (0...1)
    };

    static Table identity(std::size_t size);

    // Adds a screen (its table size defaults to 256); fires reconfiguration callbacks.
    void add(PlatformScreen screen, std::size_t gammaSize = 256);
    void remove(DisplayID id);
    // Removes from the list without a callback (a display gone between listing and writing).
    void vanish(DisplayID id);
    void setHeadroom(DisplayID id, double current);

    // What the display shows now, and its own table (what restoring gives back).
    const Table& table(DisplayID id) const { return displays_.at(id).table; }
    // Changes what the display shows behind the program's back.
    void setTable(DisplayID id, Table table) { displays_.at(id).table = std::move(table); }
    void setOwnTable(DisplayID id, Table table);
    Failures& failures(DisplayID id) { return displays_.at(id).failures; }
    bool has(DisplayID id) const { return displays_.count(id) > 0; }

    // A desktop that lends only its night light, or nothing (see ColourControl).
    void setColourControl(ColourControl control) { control_ = control; }
    void setShowsThroughNightLight(bool shows) { showsThroughNightLight_ = shows; }

    int writes() const { return writes_; }
    int restores() const { return restores_; }
    int writesTo(DisplayID id) const;

    // DisplayList
    std::vector<PlatformScreen> screens() const override;
    // DisplayGamma
    int readTable(DisplayID display, std::size_t capacity, float* r, float* g, float* b,
                  std::size_t& count) override;
    int writeTable(DisplayID display, std::size_t size, const float* r, const float* g,
                   const float* b) override;
    void restoreAll() override;
    ColourControl colourControl() const override { return control_; }
    bool showsThroughNightLight() const override { return showsThroughNightLight_; }
    void readTables(std::span<TableRead> reads) override;
    void writeTables(std::span<TableWrite> writes) override;
    // Batches of reads and of writes so far (each as a server would get it: one round trip).
    int readBatches() const { return readBatches_; }
    int writeBatches() const { return writeBatches_; }
    // DisplayEvents
    Result<Handle> registerReconfiguration(Callback callback) override;
    // Fires a begin + end pair for `id`, as a reconfiguration would.
    void fireReconfiguration(DisplayID id);

  private:
    struct Entry {
        PlatformScreen screen;
        std::size_t gammaSize;
        Table own;
        Table table;
        Failures failures;
        int writes = 0;
    };
    std::vector<DisplayID> order_;
    std::map<DisplayID, Entry> displays_;
    ColourControl control_ = ColourControl::tables;
    bool showsThroughNightLight_ = false;
    std::map<std::uint64_t, Callback> callbacks_;
    std::uint64_t nextCallback_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int writes_ = 0;
    int restores_ = 0;
    int readBatches_ = 0;
    int writeBatches_ = 0;
};

}  // namespace vesperine
