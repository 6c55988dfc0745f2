#pragma once

#include "machine/ports.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <deque>

class TConfig;
class TPrompts;

// A tape snapshot kept small: the written part of the tape (left and right without their outer blanks,
// with the word between them) in one text, and the number of blanks cut off at each end. It gives back
// the TFullWord it was made from exactly.
struct TCompactWord {
    QString core;
    int leftBlanks = 0;
    int leftLength = 0;
    int wordLength = 0;
    int rightBlanks = 0;

    static TCompactWord From(const TFullWord& word);
    TFullWord Full() const;
    int RightLength() const { return int(core.size()) - leftLength - wordLength; }
    // What the automatic form needs to show this snapshot's written symbols and one blank beyond them.
    int LeftNeed() const { return leftLength > 0 ? leftLength + 1 : 0; }
    int RightNeed() const { return RightLength() > 0 ? RightLength() + 1 : 0; }
};

// What the loop search compares, with its hash worked out once.
struct TConfigurationKey {
    int headPosition = 0;
    QString symbol;
    QString foldedState;
    QString core;
    int leftLength = 0;
    int wordLength = 0;
    size_t hash = 0;

    void Seal();
    bool operator==(const TConfigurationKey& other) const;
};
inline size_t qHash(const TConfigurationKey& key, size_t = 0) noexcept {
    return key.hash;
}

struct TLogRow {
    qint64 step = 0;
    QString state;
    QString symbol;
    int headPosition = 0;
    QString commandText;
    bool hasSnapshot = false;
    TCompactWord snapshot;
    TConfigurationKey key;
};

// The run log: one row per step of the current run, oldest first, at most MaxCount of them. Rows are
// numbered by a sequence that never repeats (Seq), so a view that catches up once a frame can tell which
// rows went away at the front and which came at the end since it last looked.
class TRunLog : public QObject, public TStepLog {
    Q_OBJECT

public:
    enum WordForm { FormMinimal = 0, FormAutomatic = 1, FormMaximal = 2 };

    // The settings give MaxCount and DiesCount at every step and the first word form (LogWord).
    explicit TRunLog(const TConfig& settings, QObject* parent = nullptr);

    // The step engine's calls. The search answers from an index of the held rows, in constant time.
    qint64 FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                     const TFullWord& snapshot) override;
    // Drops the oldest rows so that the new one makes at most MaxCount. A failure leaves the log as far as
    // it got; the run goes on.
    void LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                 std::unique_ptr<TFullWord> snapshot, const QString& commandText) override;
    void ClearLog() override;

    int RowCount() const { return int(rows_.size()); }
    bool IsEmpty() const { return rows_.empty(); }
    const TLogRow& Row(int index) const { return rows_[size_t(index)]; }
    // Sequence numbers of the oldest held row and of the row that comes next.
    qint64 FirstSeq() const { return firstSeq_; }
    qint64 EndSeq() const { return firstSeq_ + qint64(rows_.size()); }
    // Grows by one with every ClearLog, so a view knows to start over.
    int Generation() const { return generation_; }

    // The characters of tape the rows' snapshots may hold together; older rows go to keep within it.
    static constexpr qsizetype SnapshotBudget = qsizetype(64) << 20;
    void SetSnapshotBudget(qsizetype chars) { snapshotBudget_ = chars; }

    int GetWordForm() const { return wordForm_; }
    void SetWordForm(int form);
    int LeftWidth() const { return leftWidth_; }
    int RightWidth() const { return rightWidth_; }
    // The widths are raised as each row comes, so only an empty log has anything to put right here.
    void UpdateWordWidths();
    // The word texts are made when a row is drawn: this only tells the views to draw them again.
    void RefreshWordTexts();
    QString WordText(const TFullWord& snapshot) const;
    QString WordText(const TCompactWord& snapshot) const;
    QString AutomaticWordText(const TFullWord& snapshot);
    QString RowWordText(int index) const;

    // The report file: the header and one line per row, each ended by CR LF, in Windows-1251.
    QByteArray ReportBytes();
    // Writes the report, keeping an older file of that name as ".bak". Shows its own error boxes.
    bool WriteReport(const QString& fileName, TPrompts& prompts);

signals:
    // Rows came or went; views catch up when it suits them.
    void rowsChanged();
    // The word column reads differently now (another form, or wider automatic parts).
    void wordTextsChanged();

private:
    QString FormText(const TCompactWord& w, int form, int leftWidth, int rightWidth) const;
    void DropOldest();
    const QString& Folded(const QString& state);

    const TConfig& settings_;
    std::deque<TLogRow> rows_;
    qint64 firstSeq_ = 0;
    int generation_ = 0;
    int wordForm_ = FormAutomatic;
    int leftWidth_ = 1;
    int rightWidth_ = 1;
    // The newest held row (by sequence) of each configuration.
    QHash<TConfigurationKey, qint64> newest_;
    qsizetype heldChars_ = 0;
    qsizetype snapshotBudget_ = SnapshotBudget;
    QString lastState_;
    QString lastFolded_;
};
