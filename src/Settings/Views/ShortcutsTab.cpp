#include "Settings/Views/ShortcutsTab.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "Input/ShortcutText.h"
#include "Input/Views/RecordedKey.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/Rows.h"
#include "Support/Views/TextTone.h"

namespace vesperine {

namespace {

QString actionLabel(HotkeyAction action) {
    switch (action) {
        case HotkeyAction::toggleBright: return ShortcutsTab::tr("Bright on/off");
        case HotkeyAction::stepUp: return ShortcutsTab::tr("Boost or warmth up");
        case HotkeyAction::stepDown: return ShortcutsTab::tr("Boost or warmth down");
        case HotkeyAction::toggleWarm: return ShortcutsTab::tr("Warm on/off");
        case HotkeyAction::toggleRed: return ShortcutsTab::tr("Red on/off");
        case HotkeyAction::offOrResume: return ShortcutsTab::tr("Off / resume schedule");
    }
    return {};
}

}  // namespace

ShortcutsTab::ShortcutsTab(SettingsServices& services, QWidget* parent)
    : QWidget(parent), services_(services), recorder_(services.hotkeys) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int line = 0;
    for (HotkeyAction action : allHotkeyActions) {
        const QString name = QString::fromLatin1(rawValue(action));
        auto* label = new QLabel(actionLabel(action), this);
        Row row;
        row.keys = new QPushButton(this);
        row.keys->setObjectName("keys:" + name);
        row.keys->setAccessibleName(tr("Shortcut for %1").arg(actionLabel(action)));
        row.keys->setMinimumWidth(fontMetrics().horizontalAdvance('M') * 12);
        label->setBuddy(row.keys);
        row.clear = new QToolButton(this);
        row.clear->setObjectName("clear:" + name);
        row.clear->setIcon(Icons::named("edit-clear"));
        row.clear->setToolTip(tr("Clear"));
        row.clear->setAccessibleName(tr("Clear the shortcut for %1").arg(actionLabel(action)));
        // What is wrong with the keys, beside them: one cell that takes the rest of the row,
        // so a note wraps only where the window is narrow.
        auto* note = new QWidget(this);
        auto* noteLayout = new QHBoxLayout(note);
        noteLayout->setContentsMargins(0, 0, 0, 0);
        row.conflict = Rows::iconLine(Icons::named("dialog-warning"), {}, "inUse:" + name, note);
        row.shared = new QLabel(note);
        row.shared->setObjectName("shared:" + name);
        row.shared->setWordWrap(true);
        noteLayout->addWidget(row.conflict, 1);
        noteLayout->addWidget(row.shared, 1);
        connect(row.keys, &QPushButton::clicked, this, [this, action] {
            say({});
            recorder_.begin(action);
        });
        connect(row.clear, &QToolButton::clicked, this, [this, action] {
            recorder_.stop();
            services_.hotkeys.set(std::nullopt, action);
        });
        grid->addWidget(label, line, 0);
        grid->addWidget(row.keys, line, 1);
        grid->addWidget(row.clear, line, 2);
        grid->addWidget(note, line, 3);
        rows_[action] = row;
        ++line;
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    message_ = new QLabel(this);
    message_->setObjectName("recordingMessage");
    message_->setWordWrap(true);
    message_->hide();
    layout->addWidget(message_);
    auto* caption = new QLabel(
        tr("Click a shortcut, then press the new keys (with Ctrl, Alt or Super). Esc cancels."),
        this);
    caption->setObjectName("shortcutsCaption");
    caption->setWordWrap(true);
    TextTone::secondary(caption);
    layout->addWidget(caption);
    auto* restore = new QPushButton(tr("Restore Defaults"), this);
    restore->setObjectName("restoreShortcutDefaults");
    connect(restore, &QPushButton::clicked, this, [this] {
        recorder_.stop();
        services_.hotkeys.restoreDefaults();
    });
    layout->addWidget(restore, 0, Qt::AlignLeft);
    layout->addStretch(1);

    watch(services_.hotkeys.bindings(), this, [this] { showBindings(); });
    watch(services_.hotkeys.conflicts(), this, [this] { showBindings(); });
    watch(recorder_.recording(), this, [this] { showRecording(); });
}

ShortcutsTab::~ShortcutsTab() {
    // While every member still lives: stopping gives the shortcuts back, which redraws.
    recorder_.stop();
    if (filtering_) qApp->removeEventFilter(this);
}

void ShortcutsTab::showBindings() {
    const auto& bindings = services_.hotkeys.bindings().get();
    const auto& conflicts = services_.hotkeys.conflicts().get();
    const auto recording = recorder_.recording().get();
    for (auto& [action, row] : rows_) {
        auto bound = bindings.find(action);
        if (recording == action) {
            row.keys->setText(tr("Type shortcut…"));
        } else {
            row.keys->setText(bound == bindings.end()
                                  ? tr("None")
                                  : QString::fromStdString(shortcutText(bound->second)));
        }
        row.clear->setEnabled(bound != bindings.end());
        // Refused keys are held by one of our own actions (registered first) or by another
        // program; keys that work but are shared say with which action.
        const bool refused = conflicts.count(action) > 0;
        const auto holder = refused ? heldBy(bindings, conflicts, action) : std::nullopt;
        Rows::textOf(row.conflict)
            ->setText(holder ? tr("In use by %1 for %2")
                                   .arg(QString::fromStdString(services_.info.displayName),
                                        actionLabel(*holder))
                             : tr("In use by another app"));
        row.conflict->setVisible(refused);
        const auto other = refused ? std::nullopt : sharedWith(bindings, action);
        row.shared->setText(other ? tr("Same as %1").arg(actionLabel(*other)) : QString());
        row.shared->setVisible(other.has_value());
    }
}

void ShortcutsTab::showRecording() {
    const bool recording = recorder_.recording().get().has_value();
    if (recording && !filtering_) qApp->installEventFilter(this);
    if (!recording && filtering_) qApp->removeEventFilter(this);
    filtering_ = recording;
    showBindings();
}

void ShortcutsTab::say(const QString& text) {
    message_->setText(text);
    message_->setVisible(!text.isEmpty());
}

bool ShortcutsTab::eventFilter(QObject* watched, QEvent* event) {
    if (!recorder_.recording().get()) return QWidget::eventFilter(watched, event);
    // A key press goes to the focused widget after a shortcut override; taking both keeps
    // every shortcut, mnemonic and default button of the program quiet while recording.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyRelease) return true;
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* press = static_cast<QKeyEvent*>(event);
    if (press->isAutoRepeat()) return true;
    const RecordedKey recorded = RecordedKey::from(*press);
    switch (recorded.kind) {
        case RecordedKey::Kind::modifierOnly:
            return true;  // the rest of the combination is coming
        case RecordedKey::Kind::unknown:
            say(tr("That key can't be used for a shortcut. Try another."));
            return true;
        case RecordedKey::Kind::key:
            break;
    }
    const auto recording = recorder_.recording().get();
    recorder_.handleKeyDown(recorded.event);
    // Still recording the same action: the recorder ignored a key without a modifier.
    say(recorder_.recording().get() == recording ? tr("Hold Ctrl, Alt or Super with the key.")
                                                 : QString());
    return true;
}

}  // namespace vesperine
