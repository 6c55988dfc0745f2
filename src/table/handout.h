#pragma once

#include <QString>

#include <functional>

class TMachine;

// The handout of a machine as one HTML page (UTF-8): its file name, alphabet, word, initial state, the
// transition table and, when one is given, the state diagram.
// A safe width for an A4 page with its margins, at the print's 12 points.
inline constexpr int HandoutTableLetters = 60;
// A transition table of more cells than this is not put on a page: it would take thousands of sheets and
// gigabytes to write; the page says so instead.
inline constexpr qsizetype HandoutCellLimit = 1000000;

struct THandout {
    // The machine's file name as the page shows it.
    QString fileName;
    // The state diagram as an SVG document; no diagram section when empty.
    QString diagramSvg;
    // The diagram as <img src="qtm:diagram"> instead of inline SVG, for renderers that cannot draw SVG in
    // a page (the print draws the diagram from its SVG in that place).
    bool diagramAsImage = false;
    // How wide the transition table may be, in letters of the page's text: a wider one is split into groups of
    // state columns, each group a table of its own that repeats the symbol column, so no column runs off the
    // paper. About 70 letters fit an A4 page at the print's size; 0 keeps one table.
    int tableLetters = HandoutTableLetters;
};

inline const QString HandoutDiagramUrl = QStringLiteral("qtm:diagram");

// letters tells how many letters of the page's text a cell's text takes, as its font measures it; without it
// each character counts as one.
QString HandoutHtml(const TMachine& machine, const THandout& handout,
                    const std::function<qreal(const QString&)>& letters = {});

// Why the machine's transition table is too big for a page (more than HandoutCellLimit cells), or empty when
// it is not.
QString HandoutTableRefusal(const TMachine& machine);

// Writes the page through a temporary file, so a failed write leaves no half-written page and an earlier
// page under the name stays whole. False with the reason in error.
bool SaveHandout(const QString& path, const QString& html, QString& error);
// Runs work on another thread and returns when it is done; the calling thread goes on with its events
// meanwhile, but not with the user's input, so a window keeps drawing without being used.
void RunAside(const std::function<void()>& work);

// SaveHandout run aside: the save waits for the disk twice (the file's and the folder's sync), longer than a
// frame of a window.
bool SaveHandoutAside(const QString& path, const QString& html, QString& error);
