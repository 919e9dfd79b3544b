#include "app/CommandActions.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

#include "app/BarIcons.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "app/UiUpdateTable.h"

namespace velatrace {

QString CommandTr(const char* text) {
    return text != nullptr ? QCoreApplication::translate(kCommandContext, text) : QString();
}

QList<QKeySequence> ShortcutsOf(const char* accelerator) {
    QList<QKeySequence> keys;
    if (accelerator == nullptr) {
        return keys;
    }
    const QKeySequence key =
        QKeySequence::fromString(QString::fromLatin1(accelerator), QKeySequence::PortableText);
    if (key.isEmpty()) {
        return keys;
    }
    keys.append(key);
    if (key == QKeySequence(Qt::SHIFT | Qt::Key_Tab)) {
        keys.append(QKeySequence(Qt::SHIFT | Qt::Key_Backtab));
    }
    return keys;
}

CommandActions::CommandActions(QWidget* window) : QObject(window), window_(window) {
    for (const CommandText& t : CommandTexts()) {
        if (t.menuText == nullptr && t.accelerator == nullptr && t.toolTip == nullptr) {
            continue;  // added at run time, if at all
        }
        if (t.id == cmd::kRecentFirst) {
            continue;  // the recent-file submenu makes its own items
        }
        Make(t.id, CommandTr(t.menuText));
    }
}

QAction* CommandActions::Action(uint32_t id) const {
    const auto it = actions_.find(id);
    return it != actions_.end() ? it->second : nullptr;
}

QAction* CommandActions::Ensure(uint32_t id, const QString& text) {
    if (QAction* existing = Action(id)) {
        existing->setText(text);
        return existing;
    }
    QAction* action = Make(id, text);
    synced_ = false;  // the next sync must cover the new action
    return action;
}

QAction* CommandActions::Make(uint32_t id, const QString& text) {
    auto* action = new QAction(text, this);
    const CommandText* t = FindCommandText(id);
    if (t != nullptr) {
        const QList<QKeySequence> keys = ShortcutsOf(t->accelerator);
        if (!keys.isEmpty()) {
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (t->prompt != nullptr) {
            action->setStatusTip(CommandTr(t->prompt));
        }
        if (t->toolTip != nullptr) {
            action->setToolTip(CommandTr(t->toolTip));
        }
    }
    action->setIcon(CommandIcon(id));
    // Menus show the pictures of the bars only where Windows menus would show none: keep them
    // on the buttons.
    action->setIconVisibleInMenu(false);
    action->setAutoRepeat(false);
    connect(action, &QAction::triggered, this, [this, id] { emit Triggered(id); });
    window_->addAction(action);
    actions_[id] = action;
    return action;
}

void CommandActions::Sync(const UiUpdateTable& table, bool force) {
    if (!force && synced_ && table.Revision() == syncedRevision_) {
        return;
    }
    for (const auto& [id, action] : actions_) {
        const uint32_t state = table.State(id);
        const bool checked = (state & ui::kChecked) != 0;
        action->setEnabled((state & ui::kDisabled) == 0);
        // Only a checked item shows a mark, as in a Windows menu; a bar button then shows
        // pressed. Unchecked, the action has no check state to flip when triggered.
        action->setCheckable(checked);
        action->setChecked(checked);
    }
    syncedRevision_ = table.Revision();
    synced_ = true;
}

}  // namespace velatrace
