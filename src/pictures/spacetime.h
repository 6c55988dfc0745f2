#pragma once

#include "runner/batchrun.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// One row of the picture: the configuration after step steps.
struct TSpaceTimeRow {
    qint64 step = 0;
    // An index into TSpaceTime::states.
    int state = 0;
    // Positions count from the word's first cell; cells[0] stands at first, one byte (Windows-1251) per column.
    int head = 0;
    int first = 0;
    QByteArray cells;
};

// The space-time picture of a run: one row per step from the top, one column per tape cell, as data (symbols and
// colours as numbers), so that the window and qtm-run draw the same picture. A run longer than the rows allowed
// is drawn a row every band steps (the configurations at steps 0, band, 2·band... and the last one); a tape
// wider than the columns allowed a column every cellsPerColumn cells (the symbol of the group's first cell).
struct TSpaceTime {
    // How the run ended, as qtm-run reports it.
    TRunResult result;
    qint64 band = 1;
    int cellsPerColumn = 1;
    std::vector<TSpaceTimeRow> rows;
    QStringList states;
    // The positions the rows cover, grouped into columns: the first column starts at firstPosition.
    int firstPosition = 0;
    int lastPosition = -1;
    // The symbols in the legend's order: the blank, then the alphabet, then any other symbol written.
    QString symbols;
    bool cancelled = false;
    // A part of the run drawn again at finer bands: its rows begin past step 0 and end before the run does.
    bool zoomed = false;

    int Columns() const;
    int ColumnOf(int position) const;
    // The row that shows the configuration after that step: the band it falls in (-1: a step the rows do not
    // cover).
    int RowOfStep(qint64 step) const;
    // The rows as text, one a line: "12 q1 ##ab[b]a#", the head's cell in brackets.
    QString RowsText() const;
    // The symbol byte a cell shows (a blank beyond the row's tape).
    std::uint8_t Cell(int row, int column) const;
    // "останов на шаге 12", "левая граница на шаге 3", "предел шагов 1000000"...
    QString EndText() const;
    // "шагов в строке: 50000" (one: "шаг в строке").
    QString BandText() const;
};

// A word as the pictures name it: "(пустое слово)", or a long one by its first 40 symbols and its length.
QString WordShown(const QString& word);

struct TSpaceTimeLimits {
    int maxRows = 2000;
    int maxColumns = 4000;
};

// The steps from and to (to ≥ 0) of a run already drawn whole, whose tape was width cells at its end: only they are
// drawn, at bands as fine as the rows allow, and the first run that finds the end is spared.
struct TSpaceTimeRange {
    qint64 from = 0;
    qint64 to = -1;
    int width = 0;
};

// Draws the run of the runner's machine on the word, at most maxSteps steps, through the run core: a first run
// finds where the run ends (with the loop check as the settings have it), a second, without it, stops at every
// band to take a row. Once cancel is set the picture is left as far as it got. progress is told the steps done of
// each run (of maxSteps in the first, of the run's steps in the second).
TSpaceTime DrawSpaceTime(TBatchRunner& runner, const QString& word, qint64 maxSteps, const std::atomic<bool>& cancel,
                         TSpaceTimeLimits limits = {},
                         const std::function<void(qint64 done, qint64 total)>& progress = {},
                         TSpaceTimeRange range = {});

// Colours as 0xAARRGGBB. The blank is light, the head black; the other symbols take the palette in legend order.
inline constexpr std::uint32_t BlankColour = 0xFFF2F2F2;
inline constexpr std::uint32_t HeadColour = 0xFF000000;
std::uint32_t SymbolColour(int legendIndex);
// The colour of each byte, by the picture's legend; bytes not in it are drawn grey.
std::array<std::uint32_t, 256> SymbolColours(const TSpaceTime& picture);

// The picture as pixels, scale pixels a cell each way, row after row; the head's cell is black, or framed in
// black from a scale of 3 on, so its symbol shows.
struct TPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};
TPixels SpaceTimePixels(const TSpaceTime& picture, int scale);
// The scale qtm-run and the window's export use: cells as large as a picture of about 1200 pixels allows, at most 12.
int DefaultScale(const TSpaceTime& picture);
// The pixels as a PNG file's bytes (RGB); empty when the encoder fails.
QByteArray PngBytes(const TPixels& pixels);
