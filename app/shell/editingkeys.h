#pragma once

class QWidget;

// Lets the desktop's editing keys (cut, copy, paste, undo, redo, select all)
// reach the text field that has the focus in Window, a read-only one too,
// before a shortcut of Window that uses the same key: Ctrl+X cuts there
// instead of closing the program, Ctrl+Ins copies instead of starting a new
// message. Everywhere else in Window the shortcuts keep their keys.
void KeepEditingKeysInTextFields(QWidget& Window);
