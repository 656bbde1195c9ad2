#pragma once
// Enter on a focused push button presses that button, in dialogs and plain windows alike. A
// dialog's default button takes Enter only while the focus is on something that is no button,
// so Enter on a focused "Cancel" cancels instead of storing. (On its own, Qt hands Enter to the
// default button unless the focused button is an auto-default one, and in plain windows Enter
// on a button does nothing.)

class QWidget;

// Applies the rule to every push button the window holds at the time of the call.
void enterPressesFocusedButton(QWidget& window);
