#pragma once

#include "machine/ports.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <unordered_map>

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
    // From the cells of a whole tape, leftCells of them before the word.
    static TCompactWord FromCells(QStringView cells, int leftCells, int wordLength);
    TFullWord Full() const;
    int RightLength() const { return int(core.size()) - leftLength - wordLength; }
};

struct TLogRow {
    qint64 step = 0;
    QString state;
    QString symbol;
    int headPosition = 0;
    QString commandText;
    bool hasSnapshot = false;
    // The row's tape: its cells before the word, in the word and after it, and the end of the log's writes
    // that made it. The log keeps one tape; a row's is that tape with the newer writes undone.
    int leftCells = 0;
    int wordLength = 0;
    int rightCells = 0;
    qint64 writeEnd = 0;
    // What the loop search compares: the state folded to one case, and a hash of the whole configuration.
    QString foldedState;
    quint64 key = 0;
    // The first row in view and the automatic widths once this row was added, for a step undone.
    qint64 shownFirst = 0;
    int leftWidth = 1;
    int rightWidth = 1;
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

    // The step engine's calls. The search answers from an index of the held rows by a hash of the tape kept
    // up to date write by write, and confirms a match against the cells written since that row.
    qint64 FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                     const TFullWord& snapshot) override;
    // Drops the oldest rows so that the new one makes at most MaxCount. A failure leaves the log as far as
    // it got; the run goes on.
    void LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                 std::unique_ptr<TFullWord> snapshot, const QString& commandText) override;
    // The same, following the compiled run: a step costs the same on a tape of any length.
    qint64 FindRepeatedOnTape(const QString& state, const QString& symbol, int headPosition,
                              const TTapeNow& tape) override;
    void LogStepOnTape(qint64 step, const QString& state, const QString& symbol, int headPosition, const TTapeNow& tape,
                       const QString& commandText) override;
    void ClearLog() override;
    // The tape goes back to the row before; rows dropped earlier by the limit do not come back.
    bool DropNewest() override;

    // The rows held: the newest MaxCount. Behind them the log keeps as many again, out of view and out of
    // the search, so that a step undone brings back the row the limit dropped at that step.
    int RowCount() const { return int(EndSeq() - shownFirst_); }
    bool IsEmpty() const { return RowCount() == 0; }
    const TLogRow& Row(int index) const { return rows_[size_t(shownFirst_ - firstSeq_ + index)]; }
    // Sequence numbers of the oldest held row and of the row that comes next.
    qint64 FirstSeq() const { return shownFirst_; }
    qint64 EndSeq() const { return firstSeq_ + qint64(rows_.size()); }
    // Grows by one with every ClearLog, so a view knows to start over.
    int Generation() const { return generation_; }

    // The tape of a row, rebuilt from the log's tape; empty parts for a row without one.
    TFullWord RowSnapshot(int index) const;

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

    // The report file: the header and one line per row, each ended by CR LF, in Windows-1251. The lines
    // go to the sink a piece at a time (a piece ends with a line's end), so that a report larger than the
    // memory can be written; false when the sink refuses a piece.
    bool WriteReportPieces(const std::function<bool(const QByteArray& piece)>& sink);
    QByteArray ReportBytes();
    // Writes the report, keeping an older file of that name as ".bak". Shows its own error boxes.
    bool WriteReport(const QString& fileName, TPrompts& prompts);

signals:
    // Rows came or went; views catch up when it suits them.
    void rowsChanged();
    // The word column reads differently now (another form, or wider automatic parts).
    void wordTextsChanged();

private:
    struct TWrite {
        int position;
        QChar before;
        QChar after;
    };

    QString FormText(const TCompactWord& w, int form, int leftWidth, int rightWidth) const;
    void DropOldest();
    const QString& Folded(const QString& state);
    qint64 WritesEnd() const { return writesFirst_ + qint64(writes_.size()); }
    const TWrite& WriteAt(qint64 k) const { return writes_[size_t(k - writesFirst_)]; }
    // The log's tape: cells from position -origin_ on, blank beyond; the shape is the tape's as last told.
    int Index(int position) const { return origin_ + position; }
    void Cover(int leftCells, int wordLength, int rightCells);
    void Write(int position, QChar symbol);
    void SyncTo(const TFullWord& snapshot);
    void Follow(const TTapeNow& tape);
    qint64 Search(const QString& state, const QString& symbol, int headPosition);
    bool SameTape(qint64 since) const;
    quint64 KeyOf(const QString& foldedState, const QString& symbol, int headPosition) const;
    void Append(qint64 step, const QString& state, const QString& symbol, int headPosition, bool hasSnapshot,
                const QString& commandText);
    void RaiseWidths();

    const TConfig& settings_;
    std::deque<TLogRow> rows_;
    qint64 firstSeq_ = 0;
    qint64 shownFirst_ = 0;
    int generation_ = 0;
    int wordForm_ = FormAutomatic;
    int leftWidth_ = 1;
    int rightWidth_ = 1;
    // The newest held row (by sequence) of each key.
    std::unordered_map<quint64, qint64> newest_;
    QString lastState_;
    QString lastFolded_;

    QString tape_;
    int origin_ = 0;
    int leftCells_ = 0;
    int wordLength_ = 0;
    int rightCells_ = 0;
    // Sum over the cells of a number of the position times (symbol - blank): outer blanks count nothing.
    quint64 tapeHash_ = 0;
    // Each write of the tape since the oldest row's, from writesFirst_ on: undone, they give a row's tape.
    std::deque<TWrite> writes_;
    qint64 writesFirst_ = 0;
    // The compiled run the tape follows, and the step it was last told of.
    bool following_ = false;
    quint64 followRun_ = 0;
    qint64 followStep_ = 0;
    mutable std::unordered_map<int, QChar> earliest_;
};
