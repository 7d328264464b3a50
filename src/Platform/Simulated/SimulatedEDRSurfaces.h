#pragma once

#include <memory>
#include <vector>

#include "Platform/EDRSurface.h"

namespace vesperine {

// Surfaces that record what was done to them. `available` = false stands for a machine
// without a GPU device: no surface can be made.
class SimulatedEDRSurfaces final : public EDRSurfaceFactory {
public:
    struct Record {
        DisplayID display = 0;
        DisplayFrame frame;
        double scale = 0;
        bool inFront = false;
        int draws = 0;
        bool released = false;
    };

    std::unique_ptr<EDRSurface> make(const PlatformScreen& screen) override;

    bool available = true;
    // One record per surface ever made, kept after the surface is released.
    const std::vector<std::shared_ptr<Record>>& records() const { return records_; }
    int liveSurfaces() const;
    // Drops the records of released surfaces, for runs long enough that keeping them all
    // would look like a leak.
    void forgetReleased();

private:
    std::vector<std::shared_ptr<Record>> records_;
};

}  // namespace vesperine
