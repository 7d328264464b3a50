#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "App/AppState.h"
#include "Guide/Guide.h"
#include "Settings/ScheduleDraft.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;

namespace vesperine {

class KeyframeRow;
class ScheduleEditorFooter;
class ScheduleEditorHeader;
class ScheduleTipSlot;

// The editor of one schedule: header, name and status (or the built-in note), one row per
// step in order of today's times, Add Step, and the footer. It works on a draft; leaving with
// unsaved changes asks first. `onClose` is called with where to go next: none for the list,
// or the id of a schedule to edit instead (after Save as New). Above the steps, the guide's
// tip on previewing one, until a step is previewed. Main loop only.
class ScheduleEditor final : public QWidget {
    Q_OBJECT
public:
    // How long "Saved" shows after a save, in milliseconds.
    static constexpr int savedFlashMilliseconds = 3000;

    ScheduleEditor(AppState& state, Guide& guide, Uuid scheduleID,
                   std::function<void(std::optional<Uuid>)> onClose, QWidget* parent = nullptr);

    const ScheduleDraft& draft() const { return draft_; }
    // Leaves for `next` (none: the list), asking first when there are unsaved changes.
    void leave(std::optional<Uuid> next);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildNameRow();
    QWidget* buildSteps();
    void refresh();
    void refreshStatus();
    void refreshSteps();
    // Tab goes down the page as it is drawn: rows are made as steps are added.
    void orderFocus();
    void save();
    void use();
    void askForNewName();
    void close(std::optional<Uuid> next);
    void preview(Uuid step);

    AppState& state_;
    Guide& guide_;
    ScheduleDraft draft_;
    std::function<void(std::optional<Uuid>)> onClose_;
    bool closing_ = false;
    bool savedFlash_ = false;

    ScheduleEditorHeader* header_ = nullptr;
    QWidget* nameRow_ = nullptr;
    QWidget* statusRow_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QLabel* statusIcon_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* builtInNote_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QLabel* noSteps_ = nullptr;
    QPushButton* addStep_ = nullptr;
    ScheduleEditorFooter* footer_ = nullptr;
    ScheduleTipSlot* tip_ = nullptr;
    QTimer* savedFlashTimer_ = nullptr;
    std::map<Uuid, KeyframeRow*> rowsByStep_;
};

}  // namespace vesperine
