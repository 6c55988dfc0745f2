#pragma once

#include "machine/ports.h"

#include <QList>
#include <QString>

#include <stdexcept>

// A run log that records what the engine logs and answers the loop search from a script.
class TFakeRunLog : public TStepLog {
public:
    struct Row {
        qint64 step;
        QString state;
        QString symbol;
        int headPosition;
        TFullWord snapshot;
        QString commandText;
    };

    qint64 FindRepeatedConfiguration(const QString&, const QString&, int, const TFullWord&) override {
        ++searches;
        return repeatAnswers.isEmpty() ? 0 : repeatAnswers.takeFirst();
    }
    void LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                 std::unique_ptr<TFullWord> snapshot, const QString& commandText) override {
        if (failOnLog)
            throw std::runtime_error("log failed");
        rows.append(Row{step, state, symbol, headPosition, *snapshot, commandText});
    }
    void ClearLog() override {
        rows.clear();
        ++clears;
    }

    QList<Row> rows;
    QList<int> repeatAnswers;
    int searches = 0;
    int clears = 0;
    bool failOnLog = false;
};

// Breakpoints that fire on a scripted state and symbol.
class TFakeBreakPoints : public TBreakPoints {
public:
    bool FindBreakPoint(const QString& state, const QString& symbol, bool enabled) const override {
        return enabled && state.isEmpty() && symbol == markSymbol;
    }
    bool IsEmpty() const override { return markSymbol.isEmpty() && hitState.isEmpty(); }
    int BreakHit(const QString& state, const QString& symbol) override {
        ++tests;
        return state == hitState && symbol == hitSymbol ? 1 : 0;
    }
    void ResetPassCounts() override { ++resets; }

    QString markSymbol;
    QString hitState;
    QString hitSymbol;
    int tests = 0;
    int resets = 0;
};
