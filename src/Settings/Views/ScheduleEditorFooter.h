#pragma once

#include <QWidget>
#include <functional>

class QPushButton;

namespace vesperine {

class ScheduleDraft;

// The editor's bottom row: Revert (while there are edits), Save as New… and, for custom
// schedules, Save.
class ScheduleEditorFooter final : public QWidget {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onRevert;
        std::function<void()> onSaveAsNew;
        std::function<void()> onSave;
    };
    explicit ScheduleEditorFooter(Callbacks callbacks, QWidget* parent = nullptr);
    void refresh(const ScheduleDraft& draft);

private:
    QPushButton* revert_;
    QPushButton* saveAsNew_;
    QPushButton* save_;
};

}  // namespace vesperine
