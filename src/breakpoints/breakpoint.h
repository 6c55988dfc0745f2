#pragma once

#include "machine/ports.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>

#include <memory>
#include <vector>

// One breakpoint: stops a run in a state, on a symbol, or both; empty fields match anything.
class TBreakPoint {
public:
    TBreakPoint(bool enabled, int passes, const QString& state, const QString& symbol);

    void SetSymbol(const QString& text);
    // The run's test for one step: advances Counter and is true when the breakpoint stops the machine.
    bool HitTest(const QString& state, const QString& symbol);

    bool Enabled = true;
    int Passes = 0;
    QString State;
    QString Symbol;
    int Counter = 0;
};

// The machine's ordered breakpoints. Position + 1 names a breakpoint in the run's messages.
class TBreakPointList : public QObject, public TBreakPoints {
    Q_OBJECT

public:
    using QObject::QObject;

    void AddBreakPoint(std::unique_ptr<TBreakPoint> point);
    // Adds them all with one change signal: the marks are recomputed once, not once a breakpoint.
    void AddBreakPoints(std::vector<std::unique_ptr<TBreakPoint>> points);
    void ClearBreakPoints();
    bool RemoveBreakPoint(int index);
    int Count() const { return int(points_.size()); }
    // The caller may edit the breakpoint: the lookup is made again.
    TBreakPoint& At(int index) {
        lookupValid_ = false;
        return *points_[std::size_t(index)];
    }
    const TBreakPoint& At(int index) const { return *points_[std::size_t(index)]; }
    // Tells the views that a breakpoint was edited in place.
    void NotifyChanged() {
        lookupValid_ = false;
        emit changed();
    }

    bool FindBreakPoint(const QString& state, const QString& symbol, bool enabled) const override;
    bool IsEmpty() const override { return points_.empty(); }
    int BreakHit(const QString& state, const QString& symbol) override;
    void ResetPassCounts() override;
    std::vector<int> PassCounts() const override;
    void SetPassCounts(const std::vector<int>& counts) override;
    bool MayHit(const QString& state, const QString& symbol) const override;

signals:
    // The list changed: the breakpoint marks must be recomputed.
    void changed();

private:
    std::vector<std::unique_ptr<TBreakPoint>> points_;
    // FindBreakPoint's lookup, so that marking every cell, row and state is linear however many breakpoints
    // there are: per folded state and symbol, bit 1 when a disabled breakpoint has them, bit 2 an enabled one.
    mutable QHash<QPair<QString, QString>, quint8> lookup_;
    mutable bool lookupValid_ = false;
};
