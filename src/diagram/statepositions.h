#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>

#include <utility>

// The places a user gave the states on the diagram, kept beside the machine X.qtm in X.pos: Windows-1251,
// CR LF, one "state=x,y" line a state, in points with y growing downwards.

QString PositionsPathOf(const QString& machinePath);

// The file's bytes for these states in this order; x and y rounded to hundredths.
QByteArray PositionsBytes(const QList<std::pair<QString, QPointF>>& positions);
// The places a file's bytes give, by the state's name folded to one case: a line that is not "name=x,y" with
// finite numbers is passed over, so a damaged file still places what it can.
QHash<QString, QPointF> ReadPositions(const QByteArray& bytes);

// The places kept beside the machine at machinePath; none when there is no file or it cannot be read.
QHash<QString, QPointF> LoadPositions(const QString& machinePath);
// Writes them beside the machine through the safe save (an empty list removes the file): empty, or the
// message of what failed.
QString SavePositions(const QString& machinePath, const QList<std::pair<QString, QPointF>>& positions);
