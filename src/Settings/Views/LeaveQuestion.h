#pragma once

#include <QMessageBox>
#include <functional>

namespace vesperine {

// Asked when the user leaves a schedule with unsaved changes: "Save changes to “name”?" with
// Save, Discard Changes and Cancel. A built-in schedule cannot be saved in place, so there
// the first answer is Save as New… instead, and no edit is dropped without being asked.
class LeaveQuestion final : public QMessageBox {
    Q_OBJECT
public:
    enum class Answer { save, saveAsNew, discard, cancel };

    // `canSave`: whether Save can run now (a custom schedule without a name cannot).
    LeaveQuestion(const QString& name, bool isBuiltIn, bool canSave, QWidget* parent);

    std::function<void(Answer)> onAnswer;

private:
    QAbstractButton* keep_;
    QAbstractButton* discard_;
    bool isBuiltIn_;
};

}  // namespace vesperine
