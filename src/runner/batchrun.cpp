#include "runner/batchrun.h"

#include "files/qtmfile.h"
#include "import/foreignmachine.h"
#include "import/importer.h"
#include "platform/fileio.h"

QString RunEndCode(TRunEnd end) {
    switch (end) {
    case TRunEnd::Halt:
        return QStringLiteral("halt");
    case TRunEnd::LeftBorder:
        return QStringLiteral("left-border");
    case TRunEnd::RightBorder:
        return QStringLiteral("right-border");
    case TRunEnd::Failure:
        return QStringLiteral("failure");
    case TRunEnd::Loop:
        return QStringLiteral("loop");
    case TRunEnd::StepLimit:
        return QStringLiteral("max-steps");
    case TRunEnd::Refused:
        break;
    }
    return QStringLiteral("refused");
}

QString RunEndText(TRunEnd end) {
    switch (end) {
    case TRunEnd::Halt:
        return QStringLiteral("останов");
    case TRunEnd::LeftBorder:
        return QStringLiteral("левая граница");
    case TRunEnd::RightBorder:
        return QStringLiteral("правая граница");
    case TRunEnd::Failure:
        return QStringLiteral("ошибка");
    case TRunEnd::Loop:
        return QStringLiteral("зацикливание");
    case TRunEnd::StepLimit:
        return QStringLiteral("предел шагов");
    case TRunEnd::Refused:
        break;
    }
    return QStringLiteral("не запущена");
}

QString TRunResult::InnerTape() const {
    qsizetype first = 0;
    qsizetype last = tape.size();
    while (first < last && tape[first] == BlankSymbol)
        ++first;
    while (last > first && tape[last - 1] == BlankSymbol)
        --last;
    return tape.mid(first, last - first);
}

TAnswer TBatchRunner::TAnswers::Ask(const TMessage& message) {
    return (message.buttons & ButtonCancel) ? TAnswer::Cancel : TAnswer::Ok;
}

TBatchRunner::TBatchRunner(const TConfig& config)
    : config_(config), machine_(prompts_, config_), engine_(machine_, prompts_, config_), log_(config_),
      loopCheck_(machine_.Core(), config_), validation_(machine_) {
    config_.UseBreak = false;
    config_.SaveFileRun = false;
    engine_.SetRunLog(&loopCheck_);
    machine_.SetBreakPoints(&breakPoints_);
    machine_.SetChecks(&checks_);
    machine_.SetNotifications(false);
}

TBatchRunner::~TBatchRunner() {
    machine_.SetChecks(nullptr);
}

void TBatchRunner::SetEmptyWordOnBlanks(bool on) {
    emptyWordOnBlanks_ = on;
    machine_.SetEmptyWordOnBlanks(on);
}

QString TBatchRunner::MachineText(const QString& foreign) const {
    return hashSymbol_.isNull() ? foreign : QString(foreign).replace(QLatin1Char('#'), hashSymbol_);
}

bool TBatchRunner::Validate(TCheckState* report) {
    const bool onBlanks = emptyWordOnBlanks_ && machine_.Word().isEmpty();
    TCheckState own;
    if (onBlanks && !report)
        report = &own;
    const bool valid = validation_.ValidateMachine(report);
    if (valid || !onBlanks)
        return valid;
    // The empty word aside, the machine must be whole and without faults. An empty alphabet is none: a machine
    // whose commands read and write only the blank runs on blanks.
    return !machine_.Commands().isEmpty() && !machine_.States().isEmpty() && report->Word().BadSymbols().isEmpty() &&
           !report->StateErrors() && !report->Commands().HasErrors();
}

void TBatchRunner::KeepRows(bool keep) {
    engine_.SetRunLog(keep ? static_cast<TStepLog*>(&log_) : &loopCheck_);
    // The loop check follows the writes only while it is the log.
    if (keep && machine_.Core().trace == &loopCheck_)
        machine_.Core().trace = nullptr;
}

qint64 TBatchRunner::ReportSizeAtLeast() const {
    // The header, then a row: the step (10), the state (18), the symbol (3), the head (8), the tape with its
    // blanks and three spaces, the command and CR LF.
    qint64 bytes = 60;
    for (int i = 0; i < log_.RowCount(); ++i) {
        const TLogRow& row = log_.Row(i);
        bytes += 44 + row.leftCells + row.wordLength + row.rightCells + row.commandText.size();
    }
    return bytes;
}

bool TBatchRunner::Load(const QString& path, QStringList& warnings, QString& error, const QString& inputSymbols) {
    QByteArray bytes;
    switch (fileio::ReadFile(path, qtmformat::MaxFileBytes, bytes)) {
    case fileio::TReadError::None:
        break;
    case fileio::TReadError::Missing:
        error = QStringLiteral("Файл ") + path + QStringLiteral(" не найден");
        return false;
    case fileio::TReadError::NotRegular:
        error = QStringLiteral("Не обычный файл: ") + path;
        return false;
    case fileio::TReadError::TooLarge:
        error = QStringLiteral("Файл ") + path + QStringLiteral(" слишком большой (больше 16 МБ)");
        return false;
    case fileio::TReadError::Open:
        error = QStringLiteral("Ошибка открытия файла ") + path;
        return false;
    case fileio::TReadError::Read:
        error = QStringLiteral("Ошибка чтения файла ") + path;
        return false;
    }
    engine_.SetRunState(Ready);
    hashSymbol_ = QChar();
    if (ImportFormatOf(path) != TImportFormat::None) {
        TImportedMachine imported;
        if (!ReadImportFile(path, imported, error, inputSymbols))
            return false;
        ApplyImportedMachine(imported, machine_, breakPoints_);
        warnings += imported.warnings;
        hashSymbol_ = imported.hashSymbol;
        fileWord_ = machine_.Word();
        return true;
    }
    LoadBytes(bytes, warnings);
    return true;
}

void TBatchRunner::LoadBytes(const QByteArray& bytes, QStringList& warnings) {
    engine_.SetRunState(Ready);
    TLoadReport report(QString{});
    ReadMachineBytes(bytes, machine_, breakPoints_, report);
    for (const TLoadError& e : report.Errors())
        warnings.append(TLoadReport::LineText(e.lineNumber) + QStringLiteral(": ") + e.message);
    if (report.Omitted() > 0)
        warnings.append(TLoadReport::OmittedText(report.Omitted()));
    fileWord_ = machine_.Word();
}

QStringList TBatchRunner::Faults(const TCheckState& report, bool emptyWordAllowed) {
    QStringList faults;
    if (report.Word().HasErrors() &&
        !(emptyWordAllowed && report.Word().Empty() && report.Word().BadSymbols().isEmpty()))
        faults.append(report.Word().Message().text);
    if (report.StateErrors())
        faults.append(report.StateMessage().text);
    if (report.Commands().HasErrors()) {
        if (const auto message = report.Commands().Message())
            faults.append(message->text);
        for (const TCommandFault& f : report.Commands().Faults())
            faults.append(f.Caption() + QStringLiteral(": ") + f.message);
    }
    return faults;
}

TRunResult TBatchRunner::RunFast(const QString& word, const mpz_class& maxSteps, TFastResult& fast,
                                 std::size_t tapeBound, int blockSize) {
    fast = TFastResult();
    // The first look-up is the plain run's: a machine that stops there stops as it would.
    const bool history = config_.History;
    const bool viewLog = config_.ViewLog;
    config_.History = false;
    config_.ViewLog = false;
    TRunResult result = Run(word, 0);
    config_.History = history;
    config_.ViewLog = viewLog;
    if (result.end != TRunEnd::StepLimit)
        return result;
    // Run left the machine where it started; the accelerated run takes it from there.
    engine_.Reset();
    machine_.SetWordText(MachineText(word));
    engine_.Start();
    if (engine_.GetRunState() != Running)
        return result;
    const TRunCore& core = machine_.Core();
    TAccelRun accel(core, config_.DiesCount);
    accel.ForceBlockSize(blockSize);
    accel.ForbidPlain(blockSize > 0);
    fast = accel.Run(maxSteps);
    result.head = fast.head.fits_slong_p() ? qint64(fast.head.get_si()) : 0;
    switch (fast.end) {
    case TFastResult::TEnd::Halt:
        result.end = TRunEnd::Halt;
        break;
    case TFastResult::TEnd::LeftBorder:
        result.end = TRunEnd::LeftBorder;
        break;
    case TFastResult::TEnd::RightBorder:
        result.end = TRunEnd::RightBorder;
        break;
    case TFastResult::TEnd::StepLimit:
        result.end = TRunEnd::StepLimit;
        break;
    }
    result.steps = fast.steps.fits_slong_p() ? qint64(fast.steps.get_si()) : -1;
    result.state = core.StateName(fast.state);
    result.symbol = TRunCore::CharOf(fast.symbol);
    result.tape = fast.TapeText(tapeBound, false);
    engine_.Reset();
    return result;
}

TRunResult TBatchRunner::Run(const QString& word, qint64 maxSteps) {
    TRunResult result;
    result.word = word;
    engine_.Reset();
    // The words for an imported machine are written in the other simulator's symbols.
    const QString tapeWord = MachineText(word);
    machine_.SetWordText(tapeWord);
    if (machine_.Word() != tapeWord) {
        result.faults.append(QStringLiteral("Слово '") + word + QStringLiteral("' не может быть записано на ленту"));
        return result;
    }
    TCheckState check;
    if (!Validate(&check)) {
        result.faults = Faults(check, emptyWordOnBlanks_);
        return result;
    }
    engine_.Start();
    if (sampler_ && sampleFrom_ == 0)
        sampler_(machine_.Core());
    if (!progress_ && !cancelled_ && !sampler_) {
        engine_.RunSteps(maxSteps);
    } else {
        // In slices, so that a long run can say how far it has come; a cancel wants an answer within a
        // fraction of a second even with the loop check on.
        const qint64 slice = sampler_ ? sampleEvery_ : cancelled_ ? qint64(1) << 16 : qint64(1) << 22;
        // The core's step, not the model's: the model would copy the whole tape from the core to tell it.
        const TRunCore& core = machine_.Core();
        while (engine_.GetRunState() == Running && core.step < maxSteps) {
            // Up to the first sample in slices a cancel can stop, then sample by sample.
            const qint64 next = sampler_ && core.step < sampleFrom_
                                    ? std::min(sampleFrom_, core.step + (qint64(1) << 16))
                                    : core.step + slice;
            engine_.RunSteps(std::min(maxSteps, next));
            if (progress_)
                progress_(core.step);
            // A stop leaves the core where the run ended.
            if (sampler_ && core.step >= sampleFrom_)
                sampler_(machine_.Core());
            if (cancelled_ && cancelled_())
                break;
        }
    }
    for (const TTapeCell& c : machine_.Tape())
        result.tape.append(c.symbol);
    if (engine_.GetRunState() == Running) {
        result.end = TRunEnd::StepLimit;
        result.steps = machine_.StepNumber();
        result.state = machine_.CurrentState();
        result.symbol = machine_.CurrentSymbol();
        result.head = machine_.Core().headPosition;
        engine_.Reset();
        return result;
    }
    const TEngine::TStopInfo& stop = engine_.LastStop();
    result.steps = stop.step;
    result.state = stop.state;
    result.symbol = stop.symbol;
    result.loopStep = stop.loopStep;
    result.head = machine_.Core().headPosition;
    switch (stop.reason) {
    case TEngine::TStop::Halt:
        result.end = TRunEnd::Halt;
        break;
    case TEngine::TStop::LeftBorder:
        result.end = TRunEnd::LeftBorder;
        break;
    case TEngine::TStop::RightBorder:
        result.end = TRunEnd::RightBorder;
        break;
    case TEngine::TStop::LoopCancelled:
        result.end = TRunEnd::Loop;
        break;
    default:
        result.end = TRunEnd::Failure;
        break;
    }
    return result;
}
