#include "editingkeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

bool IsTextField(const QWidget* Widget) {
  return qobject_cast<const QLineEdit*>(Widget) || qobject_cast<const QPlainTextEdit*>(Widget) ||
         qobject_cast<const QTextEdit*>(Widget) || qobject_cast<const QAbstractSpinBox*>(Widget);
}

bool IsEditingKey(const QKeyEvent& Key) {
  for (const QKeySequence::StandardKey Editing : {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste,
                                                  QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll})
    if (Key.matches(Editing)) return true;
  return false;
}

// A text field that does not take a key itself (a read-only field and Cut)
// lets the shortcut check go on to its window; this filter on the window
// claims the key for the field.
class TEditingKeys : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::ShortcutOverride && IsTextField(QApplication::focusWidget()) &&
        IsEditingKey(*static_cast<QKeyEvent*>(Event))) {
      Event->accept();
      return true;
    }
    return QObject::eventFilter(Watched, Event);
  }
};

}  // namespace

void KeepEditingKeysInTextFields(QWidget& Window) { Window.installEventFilter(new TEditingKeys(&Window)); }
