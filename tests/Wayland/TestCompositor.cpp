#include "TestCompositor.h"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-server.h>

#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <stdexcept>

#include "wlr-foreign-toplevel-management-unstable-v1-server-protocol.h"
#include "wlr-gamma-control-unstable-v1-server-protocol.h"
#include "xdg-output-unstable-v1-server-protocol.h"

namespace vesperine::testing {

namespace {

struct Output {
    std::string name, description;
    std::uint32_t gammaSize = 0;
    int x = 0, width = 0;
    wl_global* global = nullptr;
    std::vector<wl_resource*> resources;
    wl_resource* holder = nullptr;  // our gamma control, when it holds the output
    bool competitor = false;
    std::vector<std::vector<std::uint16_t>> tables;
    int made = 0;
};

struct Toplevel {
    std::string appID;
    bool activated = false, fullScreen = false;
    std::vector<wl_resource*> handles;
};

}  // namespace

struct TestCompositor::State {
    wl_display* display = nullptr;
    wl_event_loop* loop = nullptr;
    int wake = -1;
    wl_event_source* wakeSource = nullptr;
    std::mutex mutex;
    std::deque<std::function<void()>> jobs;
    bool quit = false;
    std::vector<std::unique_ptr<Output>> outputs;  // removed ones stay, with no global
    std::map<std::uint32_t, Toplevel> toplevels;
    std::uint32_t nextToplevel = 1;
    std::vector<wl_resource*> toplevelManagers;

    Output& output(const std::string& name) {
        for (auto& output : outputs)
            if (output->name == name && output->global) return *output;
        throw std::runtime_error("no output " + name);
    }
    static Output* outputOf(wl_resource* resource) {
        return static_cast<Output*>(wl_resource_get_user_data(resource));
    }
    void sendToplevel(wl_resource* manager, Toplevel& toplevel);
    static void sendState(wl_resource* handle, const Toplevel& toplevel);
};

namespace {

// wl_output

const struct wl_output_interface outputRequests = {
    .release = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
};

void bindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
    auto* output = static_cast<Output*>(data);
    wl_resource* resource = wl_resource_create(client, &wl_output_interface, int(version), id);
    wl_resource_set_implementation(resource, &outputRequests, output, [](wl_resource* resource) {
        if (auto* output = TestCompositor::State::outputOf(resource))
            std::erase(output->resources, resource);
    });
    output->resources.push_back(resource);
    wl_output_send_geometry(resource, output->x, 0, 300, 200, 0, "Maker", "Model", 0);
    wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, output->width, 1080, 60000);
    wl_output_send_scale(resource, 1);  // our clients bind version 2 or later
    if (version >= 4) {
        wl_output_send_name(resource, output->name.c_str());
        wl_output_send_description(resource, output->description.c_str());
    }
    wl_output_send_done(resource);
}

// xdg-output

const struct zxdg_output_v1_interface xdgOutputRequests = {
    .destroy = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
};

const struct zxdg_output_manager_v1_interface xdgManagerRequests = {
    .destroy = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
    .get_xdg_output =
        [](wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource* outputResource) {
            auto* output = TestCompositor::State::outputOf(outputResource);
            const int version = wl_resource_get_version(manager);
            wl_resource* resource =
                wl_resource_create(client, &zxdg_output_v1_interface, version, id);
            wl_resource_set_implementation(resource, &xdgOutputRequests, nullptr, nullptr);
            if (!output) return;  // an output already withdrawn
            zxdg_output_v1_send_logical_position(resource, output->x, 0);
            zxdg_output_v1_send_logical_size(resource, output->width, 1080);
            // Our clients bind version 3: names here, and the output's done ends the batch.
            zxdg_output_v1_send_name(resource, output->name.c_str());
            zxdg_output_v1_send_description(resource, output->description.c_str());
            wl_output_send_done(outputResource);
        },
};

void bindXdgManager(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
    wl_resource* resource =
        wl_resource_create(client, &zxdg_output_manager_v1_interface, int(version), id);
    wl_resource_set_implementation(resource, &xdgManagerRequests, nullptr, nullptr);
}

// wlr-gamma-control

void controlGone(wl_resource* resource) {
    auto* output = TestCompositor::State::outputOf(resource);
    if (output && output->holder == resource) output->holder = nullptr;
}

const struct zwlr_gamma_control_v1_interface controlRequests = {
    .set_gamma =
        [](wl_client*, wl_resource* resource, std::int32_t fd) {
            auto* output = static_cast<Output*>(wl_resource_get_user_data(resource));
            if (!output || output->holder != resource) {
                ::close(fd);
                return;
            }
            std::vector<std::uint16_t> table(output->gammaSize * 3);
            const std::size_t want = table.size() * sizeof(std::uint16_t);
            const ssize_t got = ::pread(fd, table.data(), want, 0);
            ::close(fd);
            if (got != ssize_t(want)) {
                wl_resource_post_error(resource, ZWLR_GAMMA_CONTROL_V1_ERROR_INVALID_GAMMA,
                                       "the table file is too short");
                return;
            }
            output->tables.push_back(std::move(table));
        },
    .destroy = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
};

const struct zwlr_gamma_control_manager_v1_interface gammaManagerRequests = {
    .get_gamma_control =
        [](wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource* outputResource) {
            auto* output = TestCompositor::State::outputOf(outputResource);
            wl_resource* resource = wl_resource_create(client, &zwlr_gamma_control_v1_interface,
                                                       wl_resource_get_version(manager), id);
            const bool free = output && !output->holder && !output->competitor;
            wl_resource_set_implementation(resource, &controlRequests, free ? output : nullptr,
                                           controlGone);
            if (!free) {
                zwlr_gamma_control_v1_send_failed(resource);
                return;
            }
            output->holder = resource;
            ++output->made;
            zwlr_gamma_control_v1_send_gamma_size(resource, output->gammaSize);
        },
    .destroy = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); },
};

void bindGammaManager(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
    wl_resource* resource =
        wl_resource_create(client, &zwlr_gamma_control_manager_v1_interface, int(version), id);
    wl_resource_set_implementation(resource, &gammaManagerRequests, nullptr, nullptr);
}

// wlr-foreign-toplevel-management

// Our clients only ever destroy a handle; the other requests stay unset.
const auto handleRequests = [] {
    struct zwlr_foreign_toplevel_handle_v1_interface requests {};
    requests.destroy = [](wl_client*, wl_resource* resource) { wl_resource_destroy(resource); };
    return requests;
}();

}  // namespace

void TestCompositor::State::sendState(wl_resource* handle, const Toplevel& toplevel) {
    wl_array states;
    wl_array_init(&states);
    const auto add = [&](std::uint32_t state) {
        *static_cast<std::uint32_t*>(wl_array_add(&states, sizeof state)) = state;
    };
    if (toplevel.activated) add(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED);
    if (toplevel.fullScreen) add(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN);
    zwlr_foreign_toplevel_handle_v1_send_state(handle, &states);
    wl_array_release(&states);
    zwlr_foreign_toplevel_handle_v1_send_done(handle);
}

void TestCompositor::State::sendToplevel(wl_resource* manager, Toplevel& toplevel) {
    wl_resource* handle = wl_resource_create(wl_resource_get_client(manager),
                                             &zwlr_foreign_toplevel_handle_v1_interface,
                                             wl_resource_get_version(manager), 0);
    wl_resource_set_implementation(handle, &handleRequests, this, [](wl_resource* resource) {
        auto* state = static_cast<State*>(wl_resource_get_user_data(resource));
        for (auto& [id, toplevel] : state->toplevels) std::erase(toplevel.handles, resource);
    });
    toplevel.handles.push_back(handle);
    zwlr_foreign_toplevel_manager_v1_send_toplevel(manager, handle);
    zwlr_foreign_toplevel_handle_v1_send_app_id(handle, toplevel.appID.c_str());
    sendState(handle, toplevel);
}

TestCompositor::TestCompositor(Options options) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.display = wl_display_create();
    state.loop = wl_display_get_event_loop(state.display);
    state.wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    state.wakeSource = wl_event_loop_add_fd(
        state.loop, state.wake, WL_EVENT_READABLE,
        [](int fd, std::uint32_t, void* data) {
            std::uint64_t count;
            (void)!::read(fd, &count, sizeof count);
            auto* state = static_cast<State*>(data);
            std::deque<std::function<void()>> jobs;
            {
                std::lock_guard lock(state->mutex);
                jobs.swap(state->jobs);
            }
            for (auto& job : jobs) job();
            return 0;
        },
        &state);
    wl_global_create(state.display, &zxdg_output_manager_v1_interface, 3, nullptr, bindXdgManager);
    if (options.gammaControl)
        wl_global_create(state.display, &zwlr_gamma_control_manager_v1_interface, 1, nullptr,
                         bindGammaManager);
    if (options.toplevels) {
        static const struct zwlr_foreign_toplevel_manager_v1_interface managerRequests = {
            .stop =
                [](wl_client*, wl_resource* resource) {
                    zwlr_foreign_toplevel_manager_v1_send_finished(resource);
                    wl_resource_destroy(resource);
                },
        };
        wl_global_create(
            state.display, &zwlr_foreign_toplevel_manager_v1_interface, 3, &state,
            [](wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
                auto* state = static_cast<State*>(data);
                wl_resource* manager = wl_resource_create(
                    client, &zwlr_foreign_toplevel_manager_v1_interface, int(version), id);
                wl_resource_set_implementation(manager, &managerRequests, state,
                                               [](wl_resource* resource) {
                                                   auto* state = static_cast<State*>(
                                                       wl_resource_get_user_data(resource));
                                                   std::erase(state->toplevelManagers, resource);
                                               });
                state->toplevelManagers.push_back(manager);
                for (auto& [id, toplevel] : state->toplevels)
                    state->sendToplevel(manager, toplevel);
            });
    }
    thread_ = std::thread([&state] {
        while (!state.quit) {  // set by a job, on this thread
            wl_display_flush_clients(state.display);
            wl_event_loop_dispatch(state.loop, 50);
        }
        wl_event_source_remove(state.wakeSource);
        wl_display_destroy_clients(state.display);
        wl_display_destroy(state.display);
        state.display = nullptr;
    });
}

TestCompositor::~TestCompositor() {
    stop();
    ::close(state_->wake);
}

void TestCompositor::stop() {
    if (!thread_.joinable()) return;
    run([&] { state_->quit = true; });
    thread_.join();
}

void TestCompositor::run(std::function<void()> job) {
    std::promise<void> done;
    auto finished = done.get_future();
    {
        std::lock_guard lock(state_->mutex);
        state_->jobs.push_back([&] {
            job();
            wl_display_flush_clients(state_->display);
            done.set_value();
        });
    }
    const std::uint64_t one = 1;
    (void)!::write(state_->wake, &one, sizeof one);
    finished.get();
}

int TestCompositor::connectClient() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return -1;
    run([&] { wl_client_create(state_->display, ends[0]); });
    return ends[1];
}

bool TestCompositor::listenAt(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    bool added = false;
    run([&] { added = wl_display_add_socket_fd(state_->display, fd) == 0; });  // takes fd
    return added;
}

void TestCompositor::addOutput(const std::string& name, const std::string& description,
                               std::uint32_t gammaSize, int x, int width) {
    run([&] {
        auto output = std::make_unique<Output>();
        output->name = name, output->description = description, output->gammaSize = gammaSize;
        output->x = x, output->width = width;
        output->global =
            wl_global_create(state_->display, &wl_output_interface, 4, output.get(), bindOutput);
        state_->outputs.push_back(std::move(output));
    });
}

void TestCompositor::removeOutput(const std::string& name) {
    run([&] {
        Output& output = state_->output(name);
        // Clients hear global_remove; what they still hold of it becomes inert.
        wl_global_remove(output.global);
        for (wl_resource* resource : output.resources) wl_resource_set_user_data(resource, nullptr);
        if (output.holder) wl_resource_set_user_data(output.holder, nullptr);
        output.holder = nullptr;
        output.resources.clear();
        output.global = nullptr;  // destroyed with the display
    });
}

void TestCompositor::takeByCompetitor(const std::string& name) {
    run([&] {
        Output& output = state_->output(name);
        output.competitor = true;
        if (output.holder) {
            zwlr_gamma_control_v1_send_failed(output.holder);
            wl_resource_set_user_data(output.holder, nullptr);
            output.holder = nullptr;
        }
    });
}

void TestCompositor::releaseCompetitor(const std::string& name) {
    run([&] { state_->output(name).competitor = false; });
}

std::vector<std::vector<std::uint16_t>> TestCompositor::tables(const std::string& name) {
    return ask([&] { return state_->output(name).tables; });
}

int TestCompositor::controls(const std::string& name) {
    return ask([&] { return state_->output(name).holder ? 1 : 0; });
}

int TestCompositor::controlsMade(const std::string& name) {
    return ask([&] { return state_->output(name).made; });
}

std::uint32_t TestCompositor::addToplevel(const std::string& appID) {
    return ask([&] {
        const std::uint32_t id = state_->nextToplevel++;
        Toplevel& toplevel = state_->toplevels[id];
        toplevel.appID = appID;
        for (wl_resource* manager : state_->toplevelManagers)
            state_->sendToplevel(manager, toplevel);
        return id;
    });
}

void TestCompositor::activate(std::uint32_t id) {
    run([&] {
        for (auto& [other, toplevel] : state_->toplevels) {
            const bool activated = other == id;
            if (toplevel.activated == activated) continue;
            toplevel.activated = activated;
            for (wl_resource* handle : toplevel.handles) State::sendState(handle, toplevel);
        }
    });
}

void TestCompositor::setFullScreen(std::uint32_t id, bool fullScreen) {
    run([&] {
        Toplevel& toplevel = state_->toplevels.at(id);
        toplevel.fullScreen = fullScreen;
        for (wl_resource* handle : toplevel.handles) State::sendState(handle, toplevel);
    });
}

void TestCompositor::closeToplevel(std::uint32_t id) {
    run([&] {
        for (wl_resource* handle : state_->toplevels.at(id).handles)
            zwlr_foreign_toplevel_handle_v1_send_closed(handle);
        state_->toplevels.erase(id);
    });
}

}  // namespace vesperine::testing
