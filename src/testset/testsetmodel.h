#pragma once

#include "runner/batchrun.h"
#include "testset/testsetfile.h"

#include <QAbstractTableModel>

#include <optional>

class TConfig;
class TPrompts;

// The test set as a table: the case's word, expected tape and expected state, which the user edits, and
// the last check's end, steps, final tape and state and its verdict, coloured as the marks are.
class TTestSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum TColumn { Word, Tape, State, End, Steps, FinalTape, FinalState, Verdict, ColumnCount };

    TTestSetModel(const TConfig& config, TPrompts& prompts, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edit that a set file could not hold (a tab, a line break, a character Windows-1251 lacks) is
    // refused with the asterisk sound.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    QList<TTestCase> Cases() const;
    void SetCases(const QList<TTestCase>& cases);
    // A new empty case after row (at the end when -1); its row.
    int InsertCase(int row);
    void RemoveCase(int row);
    // The cases changed since the set was loaded or saved.
    bool Modified() const { return modified_; }
    void SetModified(bool flag) { modified_ = flag; }
    // While a check runs the cases stay as it was given them.
    void SetReadOnly(bool flag) { readOnly_ = flag; }

    void ClearResults();
    void SetResult(int row, const TRunResult& result);
    int Passed() const;
    int Checked() const;

private:
    struct TRow {
        TTestCase test;
        std::optional<TRunResult> result;
        bool passed = false;
    };

    const TConfig& config_;
    TPrompts& prompts_;
    QList<TRow> rows_;
    bool modified_ = false;
    bool readOnly_ = false;
};
