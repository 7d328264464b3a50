#include "Platform/Qt/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

namespace vesperine {
namespace {

// Answers the next alert as a person would: a click on a button by its title, or a key.
void answerNextAlert(const QString& button, QString* seen) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        *seen = box->windowTitle() + "|" + box->text() + "|" + box->informativeText();
        for (auto [name, key] : {std::pair{"Escape", Qt::Key_Escape}, {"Return", Qt::Key_Return}}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            if (button == name) return void(QApplication::sendEvent(box, &press));
        }
        for (QAbstractButton* candidate : box->buttons()) {
            if (candidate->text() == button) return candidate->click();
        }
    });
}

TEST(QtAlerts, GivesTheIndexOfTheButtonChosenAndEscapeDeclines) {
    QtAlerts alerts("Vesperine");
    const Alert offer{
        "Install Vesperine for this user?", "Works best installed.", {"Install", "Not Now"}};
    struct Case {
        const char* answer;
        std::optional<std::size_t> index;
    } cases[] = {{"Install", 0}, {"Not Now", 1}, {"Escape", 1}, {"Return", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        QString seen;
        answerNextAlert(c.answer, &seen);
        EXPECT_EQ(alerts.run(offer), c.index);
        EXPECT_EQ(seen.toStdString(),
                  "Vesperine|Install Vesperine for this user?|Works best installed.");
    }
    QString seen;
    answerNextAlert("OK", &seen);
    EXPECT_EQ(alerts.run({"Couldn't install Vesperine", "Copy it yourself.", {}}), 0u);
}

}  // namespace
}  // namespace vesperine
