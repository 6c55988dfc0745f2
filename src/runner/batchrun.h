#pragma once

#include "accel/accelrun.h"
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
    // Where the head stands, from the word's first cell.
    qint64 head = 0;
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
    ~TBatchRunner();
    TBatchRunner(const TBatchRunner&) = delete;
    TBatchRunner& operator=(const TBatchRunner&) = delete;

    // Loads the machine. False when the file cannot be read; the load report's faults are warnings. A file of
    // another simulator is imported, inputSymbols (the words to run) joining its alphabet; its "#" is a symbol
    // there, and Run maps it in the words as the import did.
    bool Load(const QString& path, QStringList& warnings, QString& error, const QString& inputSymbols = QString());
    // Loads the machine from the bytes of a machine file: the window hands over its machine so.
    void LoadBytes(const QByteArray& bytes, QStringList& warnings);

    // Off (the default, as the window): an empty word is refused as the data check refuses it ("Пустое слово").
    // On (qtm-run): it runs as a word of one blank cell under the head, as machines of other simulators start.
    void SetEmptyWordOnBlanks(bool on);
    // The text of a word or tape of the other simulator in the machine's symbols: its "#" becomes what the import
    // made of it. Unchanged for a machine whose "#" was not mapped, where "#" is the blank.
    QString MachineText(const QString& foreign) const;

    // The word the file holds.
    const QString& FileWord() const { return fileWord_; }
    TMachine& Machine() { return machine_; }
    // The machine's breakpoints as the file gives them.
    const TBreakPointList& BreakPoints() const { return breakPoints_; }
    // The rows of the last run, as the log window would hold them, once KeepRows is asked for.
    TRunLog& Log() { return log_; }
    // The size of the report file of the last run's rows, in bytes, at least (the columns may be wider):
    // every row holds the whole tape, so a long word with many rows makes a large file.
    qint64 ReportSizeAtLeast() const;
    // Without rows (the default) the loop check keeps only what it compares, and is far faster.
    void KeepRows(bool keep);

    // Runs the machine on the word as Start would, for at most maxSteps executed commands.
    TRunResult Run(const QString& word, qint64 maxSteps);
    // Runs as Run does, but with the accelerated engine, whose numbers have no bound: no log, no loop check,
    // no breakpoints. The result's steps are those of fast when they fit; its tape is the whole tape while it
    // has at most tapeBound cells, else compressed.
    // A block size (1 to 8) takes that one, where it pays or not, for the tests; 0 chooses.
    TRunResult RunFast(const QString& word, const mpz_class& maxSteps, TFastResult& fast, std::size_t tapeBound = 10000,
                       int blockSize = 0);
    // Called with the run's step number every few million steps of a long run.
    void SetProgress(std::function<void(qint64 steps)> progress) { progress_ = std::move(progress); }
    // Asked every few ten thousand steps; true ends the run where it is, as the step limit would.
    void SetCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
    // Shows the run core to at at step from (at once a run has started for 0), then every every steps and where
    // the run ends (where it may already have been shown); every 0 takes it away. The pictures of a run read it so;
    // a zoomed part of a long run is sampled from its first step on.
    void SetSampler(qint64 every, std::function<void(const TRunCore& core)> at, qint64 from = 0) {
        sampleEvery_ = at ? every : 0;
        sampler_ = sampleEvery_ > 0 ? std::move(at) : nullptr;
        sampleFrom_ = std::max<qint64>(from, 0);
    }
    // The loop check of the runs that follow (the settings' History).
    void SetLoopCheck(bool on) { config_.History = on; }
    bool LoopCheck() const { return config_.History; }

private:
    class TAnswers : public TPrompts {
    public:
        TAnswer Ask(const TMessage& message) override;
        void Asterisk() override {}
        QString OpenFileName(const TFileDialog&) override { return QString(); }
        QString SaveFileName(const TFileDialog&) override { return QString(); }
    };

    // The machine's checks as the engine asks them: the data check's, an empty word let through when it runs
    // on blanks.
    class TChecks : public TMachineChecks {
    public:
        explicit TChecks(TBatchRunner& runner) : runner_(runner) {}
        void CheckWordCells() override { runner_.validation_.CheckWordCells(); }
        void CheckCommands() override { runner_.validation_.CheckCommands(); }
        void CheckStates() override { runner_.validation_.CheckStates(); }
        bool ValidateMachine() override { return runner_.Validate(nullptr); }

    private:
        TBatchRunner& runner_;
    };

    static QStringList Faults(const TCheckState& report, bool emptyWordAllowed);
    // The data check's silent pass when report is null.
    bool Validate(TCheckState* report);

    TConfig config_;
    TAnswers prompts_;
    TMachine machine_;
    TEngine engine_;
    TRunLog log_;
    TLoopCheck loopCheck_;
    TBreakPointList breakPoints_;
    TValidation validation_;
    TChecks checks_{*this};
    bool emptyWordOnBlanks_ = false;
    QString fileWord_;
    // What the foreign "#" became in an imported machine; null otherwise.
    QChar hashSymbol_;
    std::function<void(qint64)> progress_;
    std::function<bool()> cancelled_;
    qint64 sampleEvery_ = 0;
    qint64 sampleFrom_ = 0;
    std::function<void(const TRunCore&)> sampler_;
};
