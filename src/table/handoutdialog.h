#pragma once

#include "table/handout.h"

#include <QTextDocument>

#include <memory>

class QPrinter;
class QString;
class QWidget;
class TMachine;

// The width of an A4 page's text at the print's margins, in millimetres.
inline constexpr qreal A4TextWidthMm = 160;

// The height of an A4 page's text at the print's margins, in millimetres.
inline constexpr qreal A4TextHeightMm = 257;

// The handout laid out for printing on paper whose text is textWidthMm wide: the transition table split into
// the widest column groups that fit that width, and the diagram, when there is one, drawn from its SVG at the
// size that fits a page (never larger than its own). With a text height the document is cut into pages of
// that paper, the print's margins round each: a group that fits a page is kept on one (a taller one repeats
// its head row) and a heading on the page of what it heads.
std::unique_ptr<QTextDocument> HandoutDocument(const TMachine& machine, THandout handout,
                                               qreal textWidthMm = A4TextWidthMm, qreal textHeightMm = 0);

// Prints the handout on the printer's paper, its table split for that paper's width.
void PrintHandout(QPrinter* printer, const TMachine& machine, const THandout& handout);

// The print preview of the handout; its print button prints, or writes a PDF file, through the desktop's
// print dialog, which proposes pdfName (when given) for the file.
void ExecuteHandoutPreview(QWidget* parent, const TMachine& machine, const THandout& handout,
                           const QString& pdfName = QString());
