#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace vesperine {

class ScheduleDraft;

// The editor's top row: back to the list, and either the "Active" label or the "Use This
// Schedule" button.
class ScheduleEditorHeader final : public QWidget {
    Q_OBJECT
public:
    ScheduleEditorHeader(std::function<void()> onBack, std::function<void()> onUse,
                         QWidget* parent = nullptr);
    void refresh(const ScheduleDraft& draft);

private:
    QPushButton* back_;
    QWidget* active_;
    QPushButton* use_;
};

}  // namespace vesperine
