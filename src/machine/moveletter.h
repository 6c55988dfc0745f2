#pragma once

#include <QString>

// The letter of a move text as the engine reads it (case and the blanks at its ends ignored): Л, П or Н, as the
// transition table and the diagram show moves; a text that is no move stays as it is.
QString MoveLetter(const QString& move);
