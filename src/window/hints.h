#pragma once

class QObject;

// Tool tips of the whole program: shown or not, the delay before one shows and how long it stays, in
// milliseconds. The filter doing it is created once, as a child of owner.
void ApplyHints(QObject* owner, bool enabled, int wakeUpDelay, int displayTime);
