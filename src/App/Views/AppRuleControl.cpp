#include "App/Views/AppRuleControl.h"

#include <QFontMetrics>
#include <QRect>
#include <QHBoxLayout>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

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
      icon_(new QLabel(ruled_)),
      ruleLabel_(new QLabel(ruled_)),
      remove_(new QPushButton(tr("Remove"), ruled_)),
      pauseIn_(new QPushButton(this)) {
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon_->setPixmap(Icons::named(QStringLiteral("media-playback-pause")).pixmap(size, size));
    ruleLabel_->setObjectName(QStringLiteral("appRule"));
    ruleLabel_->setWordWrap(true);
    // Neither the label nor the button may ask the panel for more than its width: the name
    // is shortened to the width they are given instead.
    ruleLabel_->setMinimumWidth(1);
    remove_->setObjectName(QStringLiteral("removeAppRule"));
    auto* row = new QHBoxLayout(ruled_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(icon_);
    row->addWidget(ruleLabel_, 1);
    row->addWidget(remove_);

    pauseIn_->setObjectName(QStringLiteral("pauseIn"));
    pauseIn_->setAutoDefault(false);
    pauseIn_->setMinimumWidth(1);
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
    connect(remove_, &QPushButton::clicked, this, [this] {
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
    name_ = QString::fromStdString(app->name.value_or(app->bundleID.value_or("")));
    const auto rule = services_.appRules.rule(app->bundleID);
    ruleBehavior_ = rule ? behaviorLabel(rule->behavior) : QString();
    ruled_->setVisible(rule.has_value());
    pauseIn_->setVisible(!rule);
    // An application without an identity cannot be told apart next time: no rule for it.
    pauseIn_->setEnabled(app->bundleID.has_value());
    fit();
}

void AppRuleControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit();
}

void AppRuleControl::fit() {
    const QString rule = tr("%1 in %2", "a rule's behaviour in an application");
    const QString offer = tr("Pause in %1");
    // The label wraps between words: the rule may take up two lines of the row (its width
    // less the icon and the button beside it); what does not fit comes off the name's end.
    const QFontMetrics labelMetrics = ruleLabel_->fontMetrics();
    const int spacing = std::max(ruled_->layout()->spacing(), 0);
    const int line = std::max(width() - icon_->sizeHint().width() - remove_->sizeHint().width() -
                                  2 * spacing,
                              labelMetrics.averageCharWidth());
    const auto fits = [&](const QString& text) {
        const QRect wrapped = labelMetrics.boundingRect(QRect(0, 0, line, 1 << 20),
                                                        Qt::TextWordWrap, text);
        return wrapped.width() <= line && wrapped.height() <= 2 * labelMetrics.lineSpacing();
    };
    QString shown = rule.arg(ruleBehavior_, name_);
    for (int room = labelMetrics.horizontalAdvance(name_); !fits(shown) && room > 0;
         room -= labelMetrics.averageCharWidth()) {
        shown = rule.arg(ruleBehavior_, labelMetrics.elidedText(name_, Qt::ElideRight, room));
    }
    ruleLabel_->setText(shown);
    ruleLabel_->setToolTip(rule.arg(ruleBehavior_, name_));
    ruleLabel_->setAccessibleName(rule.arg(ruleBehavior_, name_));

    // The button is as wide as its words and its menu arrow: whatever is wider than the
    // panel comes off the name.
    const QString whole = offer.arg(name_);
    pauseIn_->setText(whole);
    pauseIn_->setToolTip(whole);
    pauseIn_->setAccessibleName(whole);
    if (const int over = pauseIn_->sizeHint().width() - width(); over > 0) {
        const QFontMetrics metrics = pauseIn_->fontMetrics();
        const int room = metrics.horizontalAdvance(name_) - over - metrics.averageCharWidth();
        pauseIn_->setText(offer.arg(metrics.elidedText(name_, Qt::ElideRight, std::max(room, 0))));
    }
}

void AppRuleControl::pause(AppRule::Behavior behavior) {
    if (const auto& app = services_.appRules.lastExternalApp().get()) {
        services_.appRules.set(behavior, *app);
        services_.guide.donate(TipEvent::appPaused);
    }
}

}  // namespace vesperine
