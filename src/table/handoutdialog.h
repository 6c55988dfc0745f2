#pragma once

#include "table/handout.h"

#include <QTextDocument>

#include <memory>

class QWidget;
class TMachine;

// The handout laid out for printing: the page's HTML with the diagram, when there is one, drawn as a picture.
std::unique_ptr<QTextDocument> HandoutDocument(const TMachine& machine, THandout handout);

// The print preview of the handout; its print button prints, or writes a PDF file, through the desktop's
// print dialog.
void ExecuteHandoutPreview(QWidget* parent, const TMachine& machine, const THandout& handout);
