#pragma once

#include <QString>

class TMachine;

// The handout of a machine as one HTML page (UTF-8): its file name, alphabet, word, initial state, the
// transition table and, when one is given, the state diagram.
struct THandout {
    // The machine's file name as the page shows it.
    QString fileName;
    // The state diagram as an SVG document; no diagram section when empty.
    QString diagramSvg;
    // The diagram as <img src="qtm:diagram"> instead of inline SVG, for renderers that cannot draw SVG in
    // a page (the print preview supplies the picture under that name).
    bool diagramAsImage = false;
};

inline const QString HandoutDiagramUrl = QStringLiteral("qtm:diagram");

QString HandoutHtml(const TMachine& machine, const THandout& handout);

// Writes the page through a temporary file, so a failed write leaves no half-written page and an earlier
// page under the name stays whole. False with the reason in error.
bool SaveHandout(const QString& path, const QString& html, QString& error);
