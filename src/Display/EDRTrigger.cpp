#include "Display/EDRTrigger.h"

namespace vesperine {

std::unique_ptr<EDRTrigger> EDRTrigger::make(const PlatformScreen& screen,
                                             EDRSurfaceFactory& factory, Scheduler& scheduler) {
    auto surface = factory.make(screen);
    if (!surface) return nullptr;
    auto trigger = std::make_unique<EDRTrigger>(screen.id, std::move(surface), scheduler);
    trigger->fit(screen);
    return trigger;
}

EDRTrigger::EDRTrigger(DisplayID id, std::unique_ptr<EDRSurface> surface, Scheduler& scheduler)
    : displayID_(id), surface_(std::move(surface)), scheduler_(scheduler) {}

DisplayFrame EDRTrigger::frame(const PlatformScreen& screen) {
    return {screen.frame.x, screen.frame.y, 1, 1};
}

void EDRTrigger::fit(const PlatformScreen& screen) {
    surface_->setFrame(frame(screen), screen.scale);
}

void EDRTrigger::show() {
    surface_->orderFront();
    surface_->draw();
    if (redraw_.isActive()) return;
    redraw_ = scheduler_.repeating(*durationFromSeconds(redrawInterval),
                                   alive_.guard([this] { surface_->draw(); }));
}

void EDRTrigger::hide() {
    redraw_.cancel();
    surface_->orderOut();
}

}  // namespace vesperine
