#include "Platform/Qt/QtAlerts.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace vesperine {

std::optional<std::size_t> QtAlerts::run(const Alert& alert) {
    QMessageBox box;
    box.setObjectName("alert");
    box.setWindowTitle(QString::fromStdString(windowTitle_));
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    box.setWindowModality(Qt::ApplicationModal);
    const std::vector<std::string> titles =
        alert.buttons.empty() ? std::vector<std::string>{"OK"} : alert.buttons;
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        // The first is the answer the alert is for; the others decline, Escape among them.
        buttons.push_back(
            box.addButton(QString::fromStdString(titles[i]),
                          i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    }
    box.setDefaultButton(buttons.front());
    box.raise();
    box.activateWindow();
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return i;
    }
    return std::nullopt;
}

}  // namespace vesperine
