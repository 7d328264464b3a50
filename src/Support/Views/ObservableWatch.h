#pragma once

#include <QObject>
#include <utility>

#include "Support/Observable.h"

namespace vesperine {

// The bridge from the core's observable values to Qt: a watch emits `changed` whenever the
// value it watches changes, on the main loop, and stops when it is destroyed. Views make one
// per value they show, parented to themselves, and connect `changed` to their refresh; so a
// window that closes and is destroyed leaves nothing subscribed behind it.
class ObservableWatch final : public QObject {
    Q_OBJECT
public:
    template <class T>
    ObservableWatch(const Observable<T>& observable, QObject* parent)
        : QObject(parent),
          subscription_(observable.observe([this](const T&) { Q_EMIT changed(); })) {}

Q_SIGNALS:
    void changed();

private:
    Subscription subscription_;
};

// Calls `refresh` now and whenever `observable` changes, for as long as `owner` lives.
template <class T, class F>
void watch(const Observable<T>& observable, QObject* owner, F refresh) {
    auto* watcher = new ObservableWatch(observable, owner);
    QObject::connect(watcher, &ObservableWatch::changed, owner, refresh);
    refresh();
}

}  // namespace vesperine
