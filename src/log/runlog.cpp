#include "log/runlog.h"

#include "platform/codepage.h"
#include "platform/fileio.h"
#include "platform/paths.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QString Blanks(qsizetype n) {
    return n > 0 ? QString(n, BlankSymbol) : QString();
}

qsizetype LeadingBlanks(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && s[n] == BlankSymbol)
        ++n;
    return n;
}

qsizetype TrailingBlanks(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && s[s.size() - 1 - n] == BlankSymbol)
        ++n;
    return n;
}

QString Padded(const QString& text, qsizetype width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

} // namespace

TCompactWord TCompactWord::From(const TFullWord& w) {
    TCompactWord c;
    const qsizetype lb = LeadingBlanks(w.left);
    const qsizetype rb = TrailingBlanks(w.right);
    const qsizetype lt = w.left.size() - lb;
    const qsizetype rt = w.right.size() - rb;
    c.core.reserve(lt + w.word.size() + rt);
    c.core.append(QStringView(w.left).mid(lb)).append(w.word).append(QStringView(w.right).left(rt));
    c.leftBlanks = int(lb);
    c.leftLength = int(lt);
    c.wordLength = int(w.word.size());
    c.rightBlanks = int(rb);
    return c;
}

TFullWord TCompactWord::Full() const {
    TFullWord w;
    w.left = Blanks(leftBlanks) + core.left(leftLength);
    w.word = core.mid(leftLength, wordLength);
    w.right = core.mid(leftLength + wordLength) + Blanks(rightBlanks);
    return w;
}

void TConfigurationKey::Seal() {
    hash = qHashMulti(0, headPosition, symbol, foldedState, core, leftLength, wordLength);
}

bool TConfigurationKey::operator==(const TConfigurationKey& o) const {
    return hash == o.hash && headPosition == o.headPosition && leftLength == o.leftLength &&
           wordLength == o.wordLength && symbol == o.symbol && foldedState == o.foldedState && core == o.core;
}

TRunLog::TRunLog(const TConfig& settings, QObject* parent) : QObject(parent), settings_(settings) {
    wordForm_ = settings.LogWord;
}

const QString& TRunLog::Folded(const QString& state) {
    // A run names few states; folding each tick's state afresh would be most of the search's cost.
    if (state != lastState_ || lastFolded_.isNull()) {
        lastState_ = state;
        lastFolded_ = state.toCaseFolded();
    }
    return lastFolded_;
}

qint64 TRunLog::FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                          const TFullWord& snapshot) {
    if (rows_.empty())
        return 0;
    const TCompactWord w = TCompactWord::From(snapshot);
    TConfigurationKey key{headPosition, symbol, Folded(state), w.core, w.leftLength, w.wordLength, 0};
    key.Seal();
    const auto it = newest_.constFind(key);
    if (it == newest_.cend())
        return 0;
    return rows_[size_t(*it - firstSeq_)].step;
}

void TRunLog::DropOldest() {
    const TLogRow& row = rows_.front();
    if (row.hasSnapshot) {
        const auto it = newest_.find(row.key);
        // Only when this row is the newest of its configuration does no other held row share it.
        if (it != newest_.end() && *it == firstSeq_)
            newest_.erase(it);
    }
    heldChars_ -= row.snapshot.core.size();
    rows_.pop_front();
    ++firstSeq_;
}

void TRunLog::LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                      std::unique_ptr<TFullWord> snapshot, const QString& commandText) {
    try {
        TLogRow row;
        row.step = step;
        row.state = TrimText(state);
        row.symbol = symbol.left(1);
        row.headPosition = headPosition;
        row.commandText = commandText;
        if (snapshot) {
            row.hasSnapshot = true;
            row.snapshot = TCompactWord::From(*snapshot);
            row.key = TConfigurationKey{headPosition,
                                        row.symbol,
                                        Folded(row.state),
                                        row.snapshot.core,
                                        row.snapshot.leftLength,
                                        row.snapshot.wordLength,
                                        0};
            row.key.Seal();
        }
        const size_t limit = size_t(std::max(1, settings_.MaxCount));
        while (rows_.size() >= limit)
            DropOldest();
        // On a very long tape the snapshots of MaxCount rows would not fit in memory: fewer rows are held.
        while (!rows_.empty() && heldChars_ + row.snapshot.core.size() > snapshotBudget_)
            DropOldest();
        rows_.push_back(std::move(row));
        const TLogRow& added = rows_.back();
        const bool wider =
            added.hasSnapshot && (added.snapshot.LeftNeed() > leftWidth_ || added.snapshot.RightNeed() > rightWidth_);
        if (added.hasSnapshot) {
            heldChars_ += added.snapshot.core.size();
            newest_.insert(added.key, EndSeq() - 1);
            leftWidth_ = std::max(leftWidth_, added.snapshot.LeftNeed());
            rightWidth_ = std::max(rightWidth_, added.snapshot.RightNeed());
        }
        emit rowsChanged();
        if (wider && wordForm_ == FormAutomatic)
            emit wordTextsChanged();
    } catch (...) {
        // The engine goes on without this row.
    }
}

void TRunLog::ClearLog() {
    try {
        leftWidth_ = 1;
        rightWidth_ = 1;
        firstSeq_ = EndSeq();
        rows_.clear();
        newest_.clear();
        heldChars_ = 0;
        ++generation_;
        emit rowsChanged();
    } catch (...) {
    }
}

void TRunLog::SetWordForm(int form) {
    wordForm_ = std::clamp(form, 0, 2);
    RefreshWordTexts();
}

void TRunLog::UpdateWordWidths() {
    if (rows_.empty()) {
        leftWidth_ = 1;
        rightWidth_ = 1;
    }
}

void TRunLog::RefreshWordTexts() {
    UpdateWordWidths();
    emit wordTextsChanged();
}

QString TRunLog::FormText(const TCompactWord& c, int form, int leftWidth, int rightWidth) const {
    const QStringView lt = QStringView(c.core).left(c.leftLength);
    const QStringView word = QStringView(c.core).mid(c.leftLength, c.wordLength);
    const QStringView rt = QStringView(c.core).mid(c.leftLength + c.wordLength);
    QString left;
    QString right;
    switch (form) {
    case FormMinimal:
        left = BlankSymbol + lt.toString();
        right = rt.toString() + BlankSymbol;
        break;
    case FormMaximal: {
        const int dies = settings_.DiesCount;
        left = Blanks(std::max(c.leftBlanks, dies - c.leftLength)) + lt.toString();
        right = rt.toString() + Blanks(std::max(c.rightBlanks, dies - int(rt.size())));
        break;
    }
    default: {
        left = Blanks(c.leftBlanks) + lt.toString();
        if (left.size() > leftWidth)
            left = left.right(leftWidth);
        left = Blanks(leftWidth - left.size()) + left;
        right = rt.toString() + Blanks(c.rightBlanks);
        if (right.size() > rightWidth)
            right = right.left(rightWidth - 1);
        right += Blanks(rightWidth - right.size());
        break;
    }
    }
    QString text;
    text.reserve(left.size() + word.size() + right.size() + 2);
    text.append(left).append(QLatin1Char(' ')).append(word).append(QLatin1Char(' ')).append(right);
    return text;
}

QString TRunLog::WordText(const TCompactWord& snapshot) const {
    return FormText(snapshot, wordForm_, leftWidth_, rightWidth_);
}

QString TRunLog::WordText(const TFullWord& snapshot) const {
    return WordText(TCompactWord::From(snapshot));
}

QString TRunLog::AutomaticWordText(const TFullWord& snapshot) {
    UpdateWordWidths();
    return FormText(TCompactWord::From(snapshot), FormAutomatic, leftWidth_, rightWidth_);
}

QString TRunLog::RowWordText(int index) const {
    const TLogRow& row = Row(index);
    return row.hasSnapshot ? WordText(row.snapshot) : QString();
}

QByteArray TRunLog::ReportBytes() {
    UpdateWordWidths();
    const auto automatic = [this](const TLogRow& row) {
        return row.hasSnapshot ? FormText(row.snapshot, FormAutomatic, leftWidth_, rightWidth_) : QString();
    };
    // Every automatic text of one log has the same length, so the first row sets the column for all.
    const qsizetype wordWidth = rows_.empty() ? 8 : automatic(rows_.front()).size() + 3;
    const QString crlf = QStringLiteral("\r\n");
    // The number columns widen for numbers that would fill them, keeping a blank before the next field: a step
    // run into its state, or a head position into the word, could not be read apart.
    const qsizetype stepWidth =
        rows_.empty() ? 10 : std::max<qsizetype>(10, QString::number(rows_.back().step).size() + 1);
    qsizetype headWidth = 8;
    for (const TLogRow& row : rows_)
        headWidth = std::max<qsizetype>(headWidth, QString::number(row.headPosition).size() + 1);
    QString text = Padded(QStringLiteral("N"), stepWidth) + Padded(QStringLiteral("Исх. сост."), 18) +
                   Padded(QStringLiteral("С"), 3) + Padded(QStringLiteral("N симв."), headWidth) +
                   Padded(QStringLiteral("Слово"), wordWidth) + QStringLiteral("След. команда") + crlf;
    for (const TLogRow& row : rows_) {
        text += Padded(QString::number(row.step), stepWidth) + Padded(row.state, 18) + Padded(row.symbol, 3) +
                Padded(QString::number(row.headPosition), headWidth) + Padded(automatic(row), wordWidth) +
                row.commandText + crlf;
    }
    return codepage::Encode(text);
}

bool TRunLog::WriteReport(const QString& fileName, TPrompts& prompts) {
    const QString caption = QStringLiteral("Сохранение файла");
    const auto error = [&](const QString& text) { prompts.Message(caption, text, TIcon::Stop); };
    const QString name = TrimText(fileName);
    if (name.isEmpty())
        return false;
    const QFileInfo info(name);
    if (info.isFile() && paths::FileName(name).size() >= 257) {
        error(QStringLiteral("Слишком динное имя файла\n") + name);
        return false;
    }
    if (info.exists() && !info.isFile()) {
        error(QStringLiteral("Не могу создать файл\n") + name);
        return false;
    }
    const QString dir = TrimText(paths::FileDir(name));
    if (!dir.isEmpty() && !QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
        error(QStringLiteral("Ошибка создания пути к файлу\n") + name);
        return false;
    }
    const auto helper = [&](const QString& ext) {
        const QString other = paths::ChangeFileExt(name, ext);
        return other == name ? name + ext : other;
    };
    const QString backup = helper(QStringLiteral(".bak"));
    const QString temp = fileio::FreshTempName(name);
    // Written under a temporary name and renamed when complete: a full disk leaves no cut-off report, and
    // the old report stays under its name until the new one takes it.
    const fileio::TSaveResult result = fileio::SaveFile(name, ReportBytes(), temp, backup);
    switch (result.failure) {
    case fileio::TSaveFailure::None:
        break;
    case fileio::TSaveFailure::RemoveTemp:
        error(QStringLiteral("Ошибка удаления временного файла\n") + temp);
        return false;
    case fileio::TSaveFailure::CreateTemp:
    case fileio::TSaveFailure::WriteTemp:
        error(QStringLiteral("Не могу создать файл\n") + name);
        return false;
    case fileio::TSaveFailure::RemoveBackup:
        error(QStringLiteral("Ошибка удаления старого файла\n") + backup);
        return false;
    case fileio::TSaveFailure::Replace:
        error(QStringLiteral("Ошибка сохранения файла\n") + name + QStringLiteral("\nДанные сохранены в файле\n") +
              temp + QStringLiteral("\nПопытайтесь переименовать файл вручную"));
        return false;
    case fileio::TSaveFailure::SyncDir:
        error(QStringLiteral("Файл записан, но изменения каталога не сохранены на диске\n") + name);
        return false;
    }
    if (result.backupFailed)
        prompts.Message(caption, QStringLiteral("Файл сохранен, но резервная копия не создана\n") + backup,
                        TIcon::Exclamation);
    return true;
}
