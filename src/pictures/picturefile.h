#pragma once

#include "platform/prompts.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Asks for a file through the save dialog and writes what bytes() gives there through the safe save; the
// bytes are made only once a name is chosen. A failed write is told under caption. The name written, or nothing.
QString SavePictureFile(TPrompts& prompts, const QString& caption, const TFileDialog& dialog,
                        const std::function<QByteArray()>& bytes);
