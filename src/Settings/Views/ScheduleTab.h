#pragma once

#include <QWidget>
#include <optional>

#include "App/AppState.h"
#include "Guide/Guide.h"

class QStackedLayout;

namespace vesperine {

class ScheduleEditor;
class ScheduleList;

// The settings window's Schedule tab: the list of schedules, or the editor of one of them
// (`editingID`). Opening a schedule from the list shows its editor; the editor's close shows
// the list again, or the editor of another schedule (after Save as New). The editor is made
// when opened and destroyed when left. The list and the editor carry the guide's two tips, and
// the tab tells the guide when the schedules are first looked at. Main loop only; the app
// state and the guide must outlive it.
class ScheduleTab final : public QWidget {
    Q_OBJECT
public:
    ScheduleTab(AppState& state, Guide& guide, QWidget* parent = nullptr);

    const std::optional<Uuid>& editingID() const { return editingID_; }
    // Shows the editor of `id`, or the list for none, without asking about unsaved changes.
    void setEditingID(std::optional<Uuid> id);
    // The open editor has edits (or a failed save) that are not on disk yet; a window that
    // closes should ask first (the editor's leave question: `leaveEditor`).
    bool hasUnsavedChanges() const;
    // Leaves the open editor for the list, asking first about unsaved changes.
    void leaveEditor();
    ScheduleEditor* editor() const { return editor_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppState& state_;
    Guide& guide_;
    bool seen_ = false;
    std::optional<Uuid> editingID_;
    QStackedLayout* pages_;
    ScheduleList* list_;
    ScheduleEditor* editor_ = nullptr;
};

}  // namespace vesperine
