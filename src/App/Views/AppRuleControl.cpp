#include "App/Views/AppRuleControl.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

#include "Guide/Views/TipSpot.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"

namespace vesperine {

namespace {

QString behaviorLabel(AppRule::Behavior behavior) {
    switch (behavior) {
        case AppRule::Behavior::pauseBoost:
            return AppRuleControl::tr("Pause boost");
        case AppRule::Behavior::pauseAll:
            return AppRuleControl::tr("Pause everything");
    }
    return {};
}

}  // namespace

AppRuleControl::AppRuleControl(MenuServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      ruled_(new QWidget(this)),
      ruleLabel_(new QLabel(ruled_)),
      pauseIn_(new QToolButton(this)) {
    auto* icon = new QLabel(ruled_);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(Icons::named(QStringLiteral("media-playback-pause")).pixmap(size, size));
    ruleLabel_->setObjectName(QStringLiteral("appRule"));
    ruleLabel_->setWordWrap(true);
    auto* remove = new QPushButton(tr("Remove"), ruled_);
    remove->setObjectName(QStringLiteral("removeAppRule"));
    auto* row = new QHBoxLayout(ruled_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon);
    row->addWidget(ruleLabel_, 1);
    row->addWidget(remove);

    pauseIn_->setObjectName(QStringLiteral("pauseIn"));
    pauseIn_->setPopupMode(QToolButton::InstantPopup);
    pauseIn_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(pauseIn_);
    for (auto behavior : {AppRule::Behavior::pauseBoost, AppRule::Behavior::pauseAll}) {
        QAction* action = menu->addAction(behaviorLabel(behavior));
        action->setObjectName(QString::fromLatin1(rawValue(behavior)));
        connect(action, &QAction::triggered, this, [this, behavior] { pause(behavior); });
    }
    pauseIn_->setMenu(menu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ruled_);
    layout->addWidget(pauseIn_, 0, Qt::AlignLeft);
    layout->addWidget(new TipSpot(services_.guide, MenuSpot::pauseApp, this));
    connect(remove, &QPushButton::clicked, this, [this] {
        if (const auto& app = services_.appRules.lastExternalApp().get(); app && app->bundleID) {
            services_.appRules.remove(*app->bundleID);
        }
    });
    const auto redraw = [this] { refresh(); };
    watch(services_.appRules.lastExternalApp(), this, redraw);
    watch(services_.appRules.rules(), this, redraw);
}

void AppRuleControl::refresh() {
    const auto& app = services_.appRules.lastExternalApp().get();
    setVisible(app.has_value());
    if (!app) return;
    const QString name = QString::fromStdString(app->name.value_or(app->bundleID.value_or("")));
    const auto rule = services_.appRules.rule(app->bundleID);
    ruled_->setVisible(rule.has_value());
    pauseIn_->setVisible(!rule);
    if (rule) {
        ruleLabel_->setText(tr("%1 in %2", "a rule's behaviour in an application")
                                .arg(behaviorLabel(rule->behavior), name));
    } else {
        pauseIn_->setText(tr("Pause in %1").arg(name));
        // An application without an identity cannot be told apart next time: no rule for it.
        pauseIn_->setEnabled(app->bundleID.has_value());
    }
}

void AppRuleControl::pause(AppRule::Behavior behavior) {
    if (const auto& app = services_.appRules.lastExternalApp().get()) {
        services_.appRules.set(behavior, *app);
        services_.guide.donate(TipEvent::appPaused);
    }
}

}  // namespace vesperine
