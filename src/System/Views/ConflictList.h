#pragma once

#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include "System/ConflictDetector.h"

namespace vesperine {

// The conflicts the detector lists, each with its message and, where there is one, the
// button that fixes it; when there are none, `emptyMessage` beside a check mark (nothing
// when that is empty). Redraws whenever the list changes.
class ConflictList final : public QWidget {
    Q_OBJECT
public:
    ConflictList(ConflictDetector& detector, QString emptyMessage, bool compact,
                 QWidget* parent = nullptr);

private:
    void refresh();

    ConflictDetector& detector_;
    QString emptyMessage_;
    QVBoxLayout* rows_;
};

}  // namespace vesperine
