#include "Platform/Qt/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

namespace vesperine {
namespace {

TEST(QtAlerts, GivesTheIndexOfTheButtonChosenAndEscapeDeclines) {
    QtAlerts alerts("Vesperine");
    const Alert offer{
        "Install Vesperine for this user?", "Works best installed.", {"Install", "Not Now"}};
    // A button's title or a key, the alert, the index it gives.
    const std::tuple<QString, Alert, std::optional<std::size_t>> cases[] = {
        {"Install", offer, 0}, {"Not Now", offer, 1}, {"Escape", offer, 1},
        {"Return", offer, 0},  {"OK", {"Couldn't install", "", {}}, 0}};
    for (const auto& [answer, alert, index] : cases) {
        SCOPED_TRACE(answer.toStdString());
        QString seen;
        // Answered as a person would, once the alert is up.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            seen = box->windowTitle() + "|" + box->text() + "|" + box->informativeText();
            QKeyEvent key(QEvent::KeyPress, answer == "Escape" ? Qt::Key_Escape : Qt::Key_Return,
                          Qt::NoModifier);
            if (answer == "Escape" || answer == "Return")
                return void(QApplication::sendEvent(box, &key));
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == answer) button->click();
            }
        });
        EXPECT_EQ(alerts.run(alert), index);
        EXPECT_EQ(seen.toStdString(),
                  "Vesperine|" + alert.message + "|" + alert.informativeText);
    }
}

}  // namespace
}  // namespace vesperine
