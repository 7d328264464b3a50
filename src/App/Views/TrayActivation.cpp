#include "App/Views/TrayActivation.h"

#include <QDBusMessage>
#include <QString>
#include <utility>

// QtDBus's hook for the method calls a program receives (exported since Qt 4, declared only
// in its private headers, a build dependency not worth one line): each external call goes
// through the hooks on the main thread right before it is delivered.
void qDBusAddSpyHook(void (*hook)(const QDBusMessage&));

namespace vesperine::TrayActivation {

namespace {

std::optional<QPoint> trayActivatedAt;
bool trayListening = false;

void seeTrayCall(const QDBusMessage& call) {
    // A call may leave its interface out; the item's path then says what it is for.
    const bool forItem = call.interface().isEmpty()
                             ? call.path() == QLatin1String("/StatusNotifierItem")
                             : call.interface() == QLatin1String("org.kde.StatusNotifierItem");
    if (!forItem || call.member() != QLatin1String("Activate") ||
        call.signature() != QLatin1String("ii"))
        return;
    const QList<QVariant> at = call.arguments();
    const QPoint point(at.value(0).toInt(), at.value(1).toInt());
    trayActivatedAt = point.isNull() ? std::nullopt : std::optional<QPoint>(point);
}

}  // namespace

void listen() {
    if (trayListening) return;
    trayListening = true;
    qDBusAddSpyHook(&seeTrayCall);
}

std::optional<QPoint> take() {
    return std::exchange(trayActivatedAt, std::nullopt);
}

}  // namespace vesperine::TrayActivation
