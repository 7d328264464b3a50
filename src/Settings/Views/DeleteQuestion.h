#pragma once

#include <QMessageBox>
#include <functional>

namespace vesperine {

// Asked before a custom schedule is deleted: "Delete “name”?", with Delete (the destructive
// answer) and Cancel, which is what Enter and Escape choose.
class DeleteQuestion final : public QMessageBox {
    Q_OBJECT
public:
    DeleteQuestion(const QString& name, QWidget* parent);

    // Called once, when the user chose Delete.
    std::function<void()> onDelete;
};

}  // namespace vesperine
