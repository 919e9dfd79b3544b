#pragma once
// One QAction per command of the command table, built from its texts: the menu text with its
// mnemonic and accelerator label, the shortcut, the status-bar prompt and the tool tip. Their
// enabled and checked states come only from the UI-update table (Sync); a triggered action is
// reported by ID and does not keep a check state of its own.
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <map>

class QAction;
class QWidget;

namespace velatrace {

class UiUpdateTable;

class CommandActions : public QObject {
    Q_OBJECT

  public:
    // Makes the actions of every command with a menu text or an accelerator and adds them to
    // `window`, so their shortcuts work wherever the focus is inside it.
    explicit CommandActions(QWidget* window);

    // The action of `id`, or nullptr.
    QAction* Action(uint32_t id) const;
    // The action of `id` with the menu text `text`, made on first use (items added to menus at
    // run time). An action that exists keeps its shortcut, tips and picture.
    QAction* Ensure(uint32_t id, const QString& text);
    const std::map<uint32_t, QAction*>& All() const { return actions_; }

    // Mirrors the table: enabled unless disabled, checked when checked. With `force` every
    // action is set even when the table did not change since the last sync.
    void Sync(const UiUpdateTable& table, bool force);

  signals:
    void Triggered(uint32_t id);

  private:
    QAction* Make(uint32_t id, const QString& text);

    QWidget* window_;
    std::map<uint32_t, QAction*> actions_;
    uint64_t syncedRevision_ = 0;
    bool synced_ = false;
};

// A text of the command table (menus, prompts, tips, the window's fixed texts) in the running
// language; empty for nullptr.
inline constexpr char kCommandContext[] = "Command";
QString CommandTr(const char* text);

// The accelerator of the command table as Qt key sequences; Shift+Tab also as the Backtab key
// that keyboards deliver for it.
QList<QKeySequence> ShortcutsOf(const char* accelerator);

}  // namespace velatrace
