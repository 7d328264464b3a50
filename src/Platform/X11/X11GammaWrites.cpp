#include "Platform/X11/X11GammaWrites.h"

namespace vesperine {

namespace {
// XF86VidMode's requests that change the ramps (its protocol header is not installed with
// the library's): a whole-screen gamma, and a ramp.
constexpr unsigned char vidModeSetGamma = 15;
constexpr unsigned char vidModeSetGammaRamp = 18;
}  // namespace

Result<std::unique_ptr<X11GammaWrites>> X11GammaWrites::start(X11Connection& connection,
                                                              IoWatcher& loop,
                                                              std::function<void()> written) {
    if (!connection.isAlive()) return Error{"no X server"};
    Display* control = connection.display();
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor))
        return Error{"the X server has no RECORD extension"};
    int randr = 0, event = 0, error = 0;
    if (!XQueryExtension(control, "RANDR", &randr, &event, &error))
        return Error{"the X server has no RandR extension"};
    int vidMode = 0;
    const bool hasVidMode =
        XQueryExtension(control, "XFree86-VidModeExtension", &vidMode, &event, &error);

    XRecordRange* ranges[3] = {};
    int count = 0;
    auto request = [&](int extension, unsigned char request) {
        XRecordRange* range = XRecordAllocRange();
        if (!range) return;
        range->ext_requests.ext_major = {static_cast<unsigned char>(extension),
                                         static_cast<unsigned char>(extension)};
        range->ext_requests.ext_minor = {request, request};
        ranges[count++] = range;
    };
    request(randr, X_RRSetCrtcGamma);
    if (hasVidMode) {
        request(vidMode, vidModeSetGamma);
        request(vidMode, vidModeSetGammaRamp);
    }
    // Every client, this one excepted: our own frames must not wake us a second time.
    XRecordClientSpec all = XRecordAllClients;
    XRecordClientSpec ours = xcb_get_setup(connection.xcb())->resource_id_base;
    X11ErrorTrap trap(control);
    const XRecordContext context =
        count ? XRecordCreateContext(control, 0, &all, 1, ranges, count) : XRecordContext{0};
    for (int i = 0; i < count; ++i) XFree(ranges[i]);
    if (context) XRecordUnregisterClients(control, context, &ours, 1);
    if (!trap.check() || !context) {
        if (context) XRecordFreeContext(control, context);
        return Error{"the X server refused to record its gamma requests"};
    }
    // The recording's data come as replies on a connection that does nothing else.
    Display* data = XOpenDisplay(DisplayString(control));
    if (!data) {
        XRecordFreeContext(control, context);
        XSync(control, False);
        return Error{"could not open a second connection to the X server"};
    }
    std::unique_ptr<X11GammaWrites> writes(
        new X11GammaWrites(connection, data, context, std::move(written)));
    if (!XRecordEnableContextAsync(data, context, &X11GammaWrites::intercepted,
                                   reinterpret_cast<XPointer>(writes.get()))) {
        return Error{"the X server would not start recording its gamma requests"};
    }
    writes->enabled_ = true;
    XFlush(data);
    writes->watch_ =
        loop.watchReadable(ConnectionNumber(data), [self = writes.get()] { self->read(); });
    return writes;
}

X11GammaWrites::X11GammaWrites(X11Connection& connection, Display* data, XRecordContext context,
                               std::function<void()> written)
    : connection_(connection), data_(data), context_(context), written_(std::move(written)) {
    // A server gone must not end the program from inside Xlib (see X11Connection).
    XSetIOErrorExitHandler(data_, &X11GammaWrites::dataLost, this);
}

X11GammaWrites::~X11GammaWrites() {
    watch_.cancel();
    if (connection_.isAlive()) {
        // Disabling through the control connection ends the data connection's reply.
        if (enabled_) XRecordDisableContext(connection_.display(), context_);
        XRecordFreeContext(connection_.display(), context_);
        XFlush(connection_.display());
    }
    XCloseDisplay(data_);
}

void X11GammaWrites::read() {
    if (!alive_) return;
    // Hands each recorded request to `intercepted`, without waiting for more.
    XRecordProcessReplies(data_);
}

void X11GammaWrites::intercepted(XPointer self, XRecordInterceptData* data) {
    auto* writes = reinterpret_cast<X11GammaWrites*>(self);
    const bool request = data->category == XRecordFromClient;
    XRecordFreeData(data);
    if (request && writes->alive_ && writes->written_) writes->written_();
}

void X11GammaWrites::dataLost(Display*, void* self) {
    auto* writes = static_cast<X11GammaWrites*>(self);
    writes->alive_ = false;
    writes->watch_.cancel();
}

}  // namespace vesperine
