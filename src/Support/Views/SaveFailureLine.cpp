#include "Support/Views/SaveFailureLine.h"

#include <QLabel>
#include <QVBoxLayout>

#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"

namespace vesperine {

SaveFailureLine::SaveFailureLine(const DefaultsStore& defaults, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* line = Rows::iconLine(Icons::named(QStringLiteral("dialog-warning")), {},
                                   QStringLiteral("saveFailure"), this);
    layout->addWidget(line);
    QLabel* text = Rows::textOf(line);
    watch(defaults.writeFailure(), this, [this, &defaults, text] {
        const auto& failure = defaults.writeFailure().get();
        text->setText(failure ? tr("Couldn't save: %1").arg(QString::fromStdString(*failure))
                              : QString());
        text->setAccessibleName(text->text());
        setVisible(failure.has_value());
    });
}

}  // namespace vesperine
