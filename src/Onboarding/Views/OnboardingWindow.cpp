#include "Onboarding/Views/OnboardingWindow.h"

#include <QGuiApplication>
#include <algorithm>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "Onboarding/Views/OnboardingPages.h"
#include "Onboarding/Views/StepDots.h"
#include "Support/Views/Icons.h"
#include "Support/Views/SaveFailureLine.h"

namespace vesperine {

OnboardingWindow::OnboardingWindow(Services services, std::function<void()> onFinish,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), onFinish_(std::move(onFinish)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("onboardingWindow"));
    setWindowTitle(tr("Welcome to %1").arg(services.appName));
    setWindowIcon(Icons::app());

    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("onboardingSteps"));
    using namespace OnboardingPages;
    for (QWidget* page : {welcome(services.appName, pages_),
                          finding(services.appName, services.state.pipeline(), pages_),
                          location(services.state, services.scheduler, services.locator, pages_),
                          lastLook(services.conflicts, pages_)}) {
        pages_->addWidget(page);
    }
    dots_ = new StepDots(pages_->count(), this);
    back_ = new QPushButton(tr("&Back"), this);
    back_->setObjectName(QStringLiteral("backButton"));
    next_ = new QPushButton(this);
    next_->setObjectName(QStringLiteral("continueButton"));
    next_->setDefault(true);
    connect(back_, &QPushButton::clicked, this, [this] { goTo(step() - 1); });
    connect(next_, &QPushButton::clicked, this, [this] {
        if (step() + 1 < stepCount()) {
            goTo(step() + 1);
        } else if (onFinish_) {
            onFinish_();
        }
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dots_, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    const int margin = 2 * fontMetrics().height();
    layout->setContentsMargins(margin, margin, margin, margin * 2 / 3);
    layout->setSpacing(margin / 2);
    layout->addWidget(pages_, 1);
    layout->addWidget(new SaveFailureLine(services.state.defaults(), this));
    layout->addLayout(buttons);

    // Ctrl+W, as desktops close a window from the keyboard (Escape: keyPressEvent).
    connect(new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this, &QWidget::close);
    goTo(0);

    // Room for the location step's list, within the screen.
    QSize wanted = QSize(40, 34) * fontMetrics().height();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        wanted = wanted.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    }
    resize(wanted.expandedTo(minimumSizeHint()));
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::goTo(int step) {
    pages_->setCurrentIndex(std::clamp(step, 0, stepCount() - 1));
    dots_->setCurrent(this->step());
    back_->setVisible(this->step() > 0);
    const bool last = this->step() == stepCount() - 1;
    next_->setText(last ? tr("&Done") : tr("&Continue"));
    next_->setAccessibleDescription(dots_->accessibleName());
}

}  // namespace vesperine
