#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

class TMachine;
struct TDiagramSource;

// Where the user put the states of a machine on its diagram, kept in "X.pos" beside "X.qtm": one line
// "name=x,y" a state, in points (1/72 inch, y growing downwards, as the layout gives them), Windows-1251,
// CR LF. The file only remembers a picture: reading it never fails and never asks, whatever it holds.

namespace positionsformat {

inline const QString Ext = QStringLiteral(".pos");
// Beyond any machine the program reads (its file has the same limit): a larger file is not read at all.
inline constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;
// A coordinate further out than this (about 350 m) is damage, not a picture.
inline constexpr double MaxCoordinate = 1e6;

} // namespace positionsformat

// The positions file of the machine file `machinePath` ("X.qtm" → "X.pos").
QString PositionsPath(const QString& machinePath);

// The names the diagram draws, in its order: the listed states, then the names only commands use. Two names
// that differ only in letter case are one state, as the machine matches them.
QStringList DiagramNames(const TDiagramSource& source);

// The file's bytes: a line for each of the names (in their order) that has a position, the name spelt as
// given. Empty when none has one.
QByteArray PositionsFileBytes(const QHash<QString, QPointF>& positions, const QStringList& names);

// The positions the bytes give to the names, keyed by the names as given. A line that names no state of
// them, names one an earlier line placed, is not "name=x,y" with two finite numbers, or is the last line
// without its line end (a cut file), places nothing; the other lines still count.
QHash<QString, QPointF> ReadPositionsBytes(const QByteArray& bytes, const QStringList& names);

// ReadPositionsBytes of the positions file beside the machine file, for the names the diagram of source draws;
// none when the file is missing, unreadable or over positionsformat::MaxFileBytes.
QHash<QString, QPointF> ReadPositionsFile(const QString& machinePath, const TDiagramSource& source);

// Where each state of the laid-out diagram goes: the user's position where there is one (matched without
// regard to letter case), the layout's for the rest. The rest keep their places relative to each other
// and move together to the right of the placed ones, `gap` points between the two groups' centres, so
// that states added in the lists appear beside the user's picture rather than on top of it. The result
// has exactly the layout's names.
QHash<QString, QPointF> ArrangedPositions(const QHash<QString, QPointF>& laidOut, const QHash<QString, QPointF>& user,
                                          qreal gap = 100);

// Writes the positions of the machine's states beside its file through a safe save; with none to write, an
// older positions file there is removed, so that it cannot place the states of this machine. False, with the
// message to show, when that fails; the machine file itself is never touched.
bool SavePositionsFile(const QString& machinePath, const QHash<QString, QPointF>& positions,
                       const TDiagramSource& source, QString& error);

// The positions of the open machine, owned by the main window. The diagram reads them when it lays out
// and sets them when the user drags a state.
class TStatePositions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // By the names as they were set; a name whose state was since deleted may still be here until saved.
    const QHash<QString, QPointF>& Positions() const { return positions_; }
    std::optional<QPointF> Position(const QString& name) const;
    bool IsEmpty() const { return positions_.isEmpty(); }

    // The user's edits: each emits changed() and edited() when it changes something.
    void SetPosition(const QString& name, QPointF point);
    // "Упорядочить": back to the layout for every state.
    void Clear();

    // A state renamed in the lists keeps its place; emits changed() only (the rename is an edit already).
    void Rename(const QString& oldName, const QString& newName);
    // The positions of a machine just opened, from the file beside it; none for a missing or unreadable file.
    // Emits changed() only.
    void Load(const QString& machinePath, const TMachine& machine);
    // No positions, for a new or closed machine. Emits changed() only.
    void Reset();
    // The positions an undo or redo puts back, keyed as Positions() gave them. Emits changed() only.
    void Assign(const QHash<QString, QPointF>& positions);

signals:
    // Any change: the diagram places its states again.
    void changed();
    // A change the user made: the machine counts as modified.
    void edited();

private:
    // The key a name is held under: its spelling when it was last set.
    QString KeyOf(const QString& name) const;
    void Put(const QString& name, QPointF point);
    void Take(const QString& name);

    QHash<QString, QPointF> positions_;
    // Each held name by its folded form: two spellings of one state are one entry.
    QHash<QString, QString> keyByFolded_;
};
