#include "System/Views/ConflictList.h"

#include <QPushButton>

#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"

namespace vesperine {

ConflictList::ConflictList(ConflictDetector& detector, QString emptyMessage, bool compact,
                           QWidget* parent)
    : QWidget(parent), detector_(detector), emptyMessage_(std::move(emptyMessage)) {
    rows_ = new QVBoxLayout(this);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(compact ? 6 : 10);
    watch(detector_.conflicts(), this, [this] { refresh(); });
}

void ConflictList::refresh() {
    Rows::clear(rows_);
    const auto& conflicts = detector_.conflicts().get();
    if (conflicts.empty()) {
        if (!emptyMessage_.isEmpty()) {
            rows_->addWidget(Rows::iconLine(Icons::named("emblem-ok"), emptyMessage_,
                                            "conflictsEmpty", this));
        }
        return;
    }
    for (const Conflict& conflict : conflicts) {
        auto* row = Rows::iconLine(
            Icons::named("dialog-warning"),
            QString::fromStdString(conflict.message(detector_.appName())),
            QString::fromStdString("conflict:" + conflict.id()), this);
        if (auto title = conflict.fixTitle()) {
            auto* fix = new QPushButton(QString::fromStdString(*title), row);
            fix->setObjectName(QString::fromStdString("fix:" + conflict.id()));
            connect(fix, &QPushButton::clicked, this, [this, conflict] { detector_.fix(conflict); });
            static_cast<QHBoxLayout*>(row->layout())->addWidget(fix, 0, Qt::AlignTop);
        }
        rows_->addWidget(row);
    }
}

}  // namespace vesperine
