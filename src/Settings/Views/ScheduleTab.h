#pragma once

#include <QWidget>
#include <optional>

#include "App/AppState.h"

class QStackedLayout;

namespace vesperine {

class ScheduleEditor;
class ScheduleList;

// The settings window's Schedule tab: the list of schedules, or the editor of one of them
// (`editingID`). Opening a schedule from the list shows its editor; the editor's close shows
// the list again, or the editor of another schedule (after Save as New). The editor is made
// when opened and destroyed when left. Main loop only; the app state must outlive it.
class ScheduleTab final : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleTab(AppState& state, QWidget* parent = nullptr);

    const std::optional<Uuid>& editingID() const { return editingID_; }
    // Shows the editor of `id`, or the list for none, without asking about unsaved changes.
    void setEditingID(std::optional<Uuid> id);
    // The open editor has edits (or a failed save) that are not on disk yet; a window that
    // closes should ask first (the editor's leave question: `leaveEditor`).
    bool hasUnsavedChanges() const;
    // Leaves the open editor for the list, asking first about unsaved changes.
    void leaveEditor();
    ScheduleEditor* editor() const { return editor_; }

private:
    AppState& state_;
    std::optional<Uuid> editingID_;
    QStackedLayout* pages_;
    ScheduleList* list_;
    ScheduleEditor* editor_ = nullptr;
};

}  // namespace vesperine
