#pragma once

#include <QString>

class TMachine;
class TMainForm;

// Gives every control of the main window an accessible name and description (the hint where it has one)
// and lets assistive technology read the tape: its cells as text with the caret on the head, and a
// description with the symbol under the head, the state and the step, announced again when a run pauses
// or stops. The status panels and the run lamp are read live. Call once, at the end of the window's
// constructor, after its controls exist.
void AssignAccessibleNames(TMainForm& window);

// "Символ под головкой: 1, состояние: q0, шаг 3"; outside a run only the symbol.
QString TapeDescription(const TMachine& machine);
