#include "Platform/Simulated/SimulatedEDRSurfaces.h"

namespace vesperine {

namespace {

class Surface final : public EDRSurface {
  public:
    explicit Surface(std::shared_ptr<SimulatedEDRSurfaces::Record> record)
        : record_(std::move(record)) {}
    ~Surface() override { record_->released = true; }
    void setFrame(const DisplayFrame& frame, double scale) override {
        record_->frame = frame;
        record_->scale = scale;
    }
    void orderFront() override { record_->inFront = true; }
    void orderOut() override { record_->inFront = false; }
    bool draw() override {
        ++record_->draws;
        return true;
    }

  private:
    std::shared_ptr<SimulatedEDRSurfaces::Record> record_;
};

}  // namespace

std::unique_ptr<EDRSurface> SimulatedEDRSurfaces::make(const PlatformScreen& screen) {
    if (!available) return nullptr;
    auto record = std::make_shared<Record>();
    record->display = screen.id;
    records_.push_back(record);
    return std::make_unique<Surface>(record);
}

int SimulatedEDRSurfaces::liveSurfaces() const {
    int live = 0;
    for (const auto& record : records_) live += record->released ? 0 : 1;
    return live;
}

void SimulatedEDRSurfaces::forgetReleased() {
    std::erase_if(records_, [](const auto& record) { return record->released; });
}

}  // namespace vesperine
