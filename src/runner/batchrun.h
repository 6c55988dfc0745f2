#pragma once

#include "breakpoints/breakpoint.h"
#include "check/checkstate.h"
#include "check/validation.h"
#include "log/runlog.h"
#include "machine/loopcheck.h"
#include "machine/engine.h"
#include "machine/machine.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QStringList>

#include <functional>

// How one run ended.
enum class TRunEnd { Halt, LeftBorder, RightBorder, Failure, Loop, StepLimit, Refused };

// Short names of the ends, for JSON and for comparing; and the Russian words the terminal shows.
QString RunEndCode(TRunEnd end);
QString RunEndText(TRunEnd end);

struct TRunResult {
    QString word;
    TRunEnd end = TRunEnd::Refused;
    qint64 steps = 0;
    QString state;
    QString symbol;
    // Every cell of the tape, blanks included.
    QString tape;
    // The step found again when the loop check stopped the run.
    qint64 loopStep = 0;
    // The data check's faults when the machine was refused, one a line.
    QStringList faults;

    // The tape without the blanks at its outer ends.
    QString InnerTape() const;
};

// Runs one machine file on word after word without a window, with the very core the window uses:
// the file reader, the validation pass, the engine and, while the settings' ViewLog is on, the run log
// with its loop check (History). Every question the engine would ask is answered as a user who wants the
// run to end would: OK at a stop, Cancel at the loop question.
class TBatchRunner {
public:
    // The settings as given (a copy); breakpoints never stop a batch run and nothing is saved before one.
    explicit TBatchRunner(const TConfig& config);

    // Loads the machine. False when the file cannot be read; the load report's faults are warnings. A file of
    // another simulator is imported, inputSymbols (the words to run) joining its alphabet; its "#" is a symbol
    // there, and Run maps it in the words as the import did.
    bool Load(const QString& path, QStringList& warnings, QString& error, const QString& inputSymbols = QString());
    // Loads the machine from the bytes of a machine file: the window hands over its machine so.
    void LoadBytes(const QByteArray& bytes, QStringList& warnings);

    // The word the file holds.
    const QString& FileWord() const { return fileWord_; }
    TMachine& Machine() { return machine_; }
    // The machine's breakpoints as the file gives them.
    const TBreakPointList& BreakPoints() const { return breakPoints_; }
    // The rows of the last run, as the log window would hold them, once KeepRows is asked for.
    TRunLog& Log() { return log_; }
    // Without rows (the default) the loop check keeps only what it compares, and is far faster.
    void KeepRows(bool keep);

    // Runs the machine on the word as Start would, for at most maxSteps executed commands.
    TRunResult Run(const QString& word, qint64 maxSteps);
    // Called with the run's step number every few million steps of a long run.
    void SetProgress(std::function<void(qint64 steps)> progress) { progress_ = std::move(progress); }
    // Asked every few ten thousand steps; true ends the run where it is, as the step limit would.
    void SetCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

private:
    class TAnswers : public TPrompts {
    public:
        TAnswer Ask(const TMessage& message) override;
        void Asterisk() override {}
        QString OpenFileName(const TFileDialog&) override { return QString(); }
        QString SaveFileName(const TFileDialog&) override { return QString(); }
    };

    static QStringList Faults(const TCheckState& report);

    TConfig config_;
    TAnswers prompts_;
    TMachine machine_;
    TEngine engine_;
    TRunLog log_;
    TLoopCheck loopCheck_;
    TBreakPointList breakPoints_;
    TValidation validation_;
    QString fileWord_;
    // What the foreign "#" became in an imported machine; null otherwise.
    QChar hashSymbol_;
    std::function<void(qint64)> progress_;
    std::function<bool()> cancelled_;
};
