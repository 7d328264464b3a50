#include "Persistence/HandEditFollower.h"

namespace vesperine {

HandEditFollower::HandEditFollower(FileWatch& watch, Scheduler& scheduler, Logger& logger,
                                   std::vector<File> files)
    : scheduler_(scheduler) {
    Log log(logger, "store");
    for (auto& file : files) {
        auto followed = std::make_unique<Followed>(Followed{std::move(file), {}, {}});
        Followed* raw = followed.get();
        // Each notice starts the wait again; the handles end with this object, so neither
        // the watch nor the timer calls back after it.
        auto watching = watch.watchFile(raw->file.path, [this, raw] {
            raw->settling = scheduler_.oneShot(settle, [raw] { raw->file.reread(); });
        });
        if (!watching) {
            log.error(
                "Can't follow changes to %s while running (%s); hand edits to it are read "
                "at the next start",
                raw->file.path.c_str(), watching.error().description.c_str());
            continue;
        }
        raw->watch = std::move(watching).value();
        followed_.push_back(std::move(followed));
    }
}

}  // namespace vesperine
