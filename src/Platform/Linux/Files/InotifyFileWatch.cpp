#include "Platform/Linux/Files/InotifyFileWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "Platform/Linux/Files/PosixFileSystem.h"

namespace vesperine {

namespace {

// What an editor's save does to a file: written and closed in place, or a new file renamed
// over it (the old one moved or removed first by some). A write still open is not a save yet.
constexpr std::uint32_t inotifyFolderEvents =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ONLYDIR | IN_EXCL_UNLINK;

std::string inotifyFailure(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

Result<std::unique_ptr<InotifyFileWatch>> InotifyFileWatch::open(IoWatcher& loop, Logger& logger) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return Error{inotifyFailure("Couldn't watch files for changes", errno)};
    std::unique_ptr<InotifyFileWatch> watch(new InotifyFileWatch(fd, logger));
    watch->io_ = loop.watchReadable(fd, watch->alive_.guard([raw = watch.get()] { raw->drain(); }));
    return watch;
}

InotifyFileWatch::~InotifyFileWatch() {
    io_.cancel();
    ::close(fd_);
}

Result<FileWatchHandle> InotifyFileWatch::watchFile(const std::string& path,
                                                    std::function<void()> onChanged) {
    namespace fs = std::filesystem;
    std::vector<fs::path> places{fs::path(path)};
    std::error_code ignored;
    if (fs::is_symlink(places.front(), ignored)) {
        // A file linked into a dotfiles folder is edited there, where the link's folder hears
        // nothing: the target's folder is watched too.
        const fs::path target = fs::weakly_canonical(places.front(), ignored);
        if (!ignored && target != places.front()) places.push_back(target);
    }
    const int id = nextID_++;
    for (const auto& place : places) {
        const fs::path folder = place.parent_path();
        // Made as our own writes make it (private); a failure is the watch's to report.
        (void)PosixFileSystem::createDirectories(folder.string());
        const int wd = ::inotify_add_watch(fd_, folder.c_str(), inotifyFolderEvents);
        if (wd < 0) {
            const int error = errno;
            forget(id);
            return Error{
                inotifyFailure(("Couldn't watch \"" + folder.string() + "\"").c_str(), error)};
        }
        Folder& watched = folders_[wd];
        watched.path = folder.string();
        watched.watches.push_back(std::make_shared<Watch>(Watch{id, place.filename(), onChanged}));
    }
    return FileWatchHandle::make(alive_.guard([this, id] { forget(id); }));
}

void InotifyFileWatch::forget(int id) {
    for (auto it = folders_.begin(); it != folders_.end();) {
        std::erase_if(it->second.watches, [id](const auto& watch) { return watch->id == id; });
        if (it->second.watches.empty()) {
            ::inotify_rm_watch(fd_, it->first);
            it = folders_.erase(it);
        } else {
            ++it;
        }
    }
}

void InotifyFileWatch::drain() {
    alignas(inotify_event) char buffer[8192];
    std::set<int> due;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (got <= 0) {
            log_.error("%s; hand edits are read at the next start",
                       inotifyFailure("Stopped watching files for changes", errno).c_str());
            io_.cancel();
            return;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                for (const auto& [wd, folder] : folders_) {
                    for (const auto& watch : folder.watches) due.insert(watch->id);
                }
                continue;
            }
            auto folder = folders_.find(event->wd);
            if (folder == folders_.end()) continue;  // one we stopped watching
            if (event->mask & IN_IGNORED) {
                // The folder was removed or unmounted: nothing is heard from it any more.
                log_.error(
                    "Stopped following changes in %s: the folder went away; its files "
                    "are read again at the next start",
                    folder->second.path.c_str());
                folders_.erase(folder);
                continue;
            }
            if (event->len == 0) continue;
            const std::string_view name(event->name);
            for (const auto& watch : folder->second.watches) {
                if (watch->name == name) due.insert(watch->id);
            }
        }
    }
    // Each watch is looked up again before its call: an earlier one may have cancelled it, or
    // ended this object.
    const auto alive = alive_.token();
    for (int id : due) {
        if (alive.expired()) return;
        std::function<void()> call;
        for (const auto& [wd, folder] : folders_) {
            for (const auto& watch : folder.watches) {
                if (watch->id == id) call = watch->onChanged;
            }
        }
        if (call) call();
    }
}

}  // namespace vesperine
