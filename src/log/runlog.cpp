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
#include <functional>

#include <sys/stat.h>

namespace {

QString Blanks(qsizetype n) {
    return n > 0 ? QString(n, BlankSymbol) : QString();
}

QString Padded(const QString& text, qsizetype width) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

} // namespace

TCompactWord TCompactWord::FromCells(QStringView cells, int leftCells, int wordLength) {
    TCompactWord c;
    const QStringView left = cells.left(leftCells);
    const QStringView right = cells.mid(leftCells + wordLength);
    qsizetype lb = 0;
    while (lb < left.size() && left[lb] == BlankSymbol)
        ++lb;
    qsizetype rb = 0;
    while (rb < right.size() && right[right.size() - 1 - rb] == BlankSymbol)
        ++rb;
    c.core = cells.mid(lb, cells.size() - lb - rb).toString();
    c.leftBlanks = int(lb);
    c.leftLength = int(left.size() - lb);
    c.wordLength = wordLength;
    c.rightBlanks = int(rb);
    return c;
}

TCompactWord TCompactWord::From(const TFullWord& w) {
    return FromCells(QString(w.left + w.word + w.right), int(w.left.size()), int(w.word.size()));
}

TFullWord TCompactWord::Full() const {
    TFullWord w;
    w.left = Blanks(leftBlanks) + core.left(leftLength);
    w.word = core.mid(leftLength, wordLength);
    w.right = core.mid(leftLength + wordLength) + Blanks(rightBlanks);
    return w;
}

namespace {

quint64 Mix(quint64 x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// What a cell adds to the tape's hash; a blank adds nothing, so the outer blanks never count.
quint64 CellHash(int position, QChar symbol) {
    return Mix(quint64(qint64(position))) * (quint64(symbol.unicode()) - quint64(BlankSymbol.unicode()));
}

} // namespace

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

quint64 TRunLog::KeyOf(const QString& foldedState, const QString& symbol, int headPosition) const {
    return tapeHash_ + Mix(quint64(qHashMulti(0, foldedState, symbol, headPosition, wordLength_)));
}

void TRunLog::Cover(int leftCells, int wordLength, int rightCells) {
    if (leftCells > origin_) {
        tape_.prepend(Blanks(leftCells - origin_));
        origin_ = leftCells;
    }
    const qsizetype end = qsizetype(origin_) + wordLength + rightCells;
    if (end > tape_.size())
        tape_.append(Blanks(end - tape_.size()));
}

void TRunLog::Write(int position, QChar symbol) {
    QChar& cell = tape_[Index(position)];
    if (cell == symbol)
        return;
    tapeHash_ += CellHash(position, symbol) - CellHash(position, cell);
    // Without rows nothing is ever undone.
    if (!rows_.empty())
        writes_.push_back(TWrite{position, cell, symbol});
    cell = symbol;
}

void TRunLog::SyncTo(const TFullWord& w) {
    following_ = false;
    const int left = int(w.left.size());
    const int word = int(w.word.size());
    const int right = int(w.right.size());
    Cover(left, word, right);
    leftCells_ = left;
    wordLength_ = word;
    rightCells_ = right;
    for (int i = 0; i < tape_.size(); ++i) {
        const int p = i - origin_;
        QChar c = BlankSymbol;
        if (p >= -left && p < 0)
            c = w.left[p + left];
        else if (p >= 0 && p < word)
            c = w.word[p];
        else if (p >= word && p < word + right)
            c = w.right[p - word];
        Write(p, c);
    }
}

void TRunLog::Follow(const TTapeNow& t) {
    const TRunCore& c = t.core;
    const bool same = following_ && followRun_ == t.run;
    if (same && followStep_ == c.step)
        return;
    const int left = c.leftBlanks;
    const int right = int(c.tape.size()) - c.leftBlanks - c.wordLength;
    // The next step of the run followed, with its one write: everything else stays as it was.
    bool next = same && followStep_ + 1 == c.step && t.wroteAt == c.step && c.wordLength == wordLength_ &&
                left >= leftCells_ && right >= rightCells_;
    if (next) {
        Cover(left, c.wordLength, right);
        next = tape_[Index(t.position)] == TRunCore::CharOf(t.before);
    }
    if (next) {
        leftCells_ = left;
        rightCells_ = right;
        Write(t.position, TRunCore::CharOf(c.tape[size_t(left + t.position)]));
    } else {
        SyncTo(SnapshotOf(c));
    }
    following_ = true;
    followRun_ = t.run;
    followStep_ = c.step;
}

bool TRunLog::SameTape(qint64 since) const {
    // That row's tape differs from the tape now only in cells written since: each must hold again what it
    // held before the first of those writes.
    earliest_.clear();
    for (qint64 k = WritesEnd() - 1; k >= since; --k)
        earliest_[WriteAt(k).position] = WriteAt(k).before;
    for (const auto& [position, before] : earliest_)
        if (tape_[Index(position)] != before)
            return false;
    return true;
}

qint64 TRunLog::Search(const QString& state, const QString& symbol, int headPosition) {
    if (IsEmpty())
        return 0;
    const QString& folded = Folded(state);
    const quint64 key = KeyOf(folded, symbol, headPosition);
    const auto it = newest_.find(key);
    if (it == newest_.end())
        return 0;
    const auto same = [&](const TLogRow& r) {
        return r.hasSnapshot && r.key == key && r.headPosition == headPosition && r.symbol == symbol &&
               r.wordLength == wordLength_ && r.foldedState == folded && SameTape(r.writeEnd);
    };
    // The newest row of the key nearly always is the one; only a clash of hashes looks further back.
    for (qint64 i = it->second - firstSeq_; i >= shownFirst_ - firstSeq_; --i)
        if (same(rows_[size_t(i)]))
            return rows_[size_t(i)].step;
    return 0;
}

qint64 TRunLog::FindRepeatedConfiguration(const QString& state, const QString& symbol, int headPosition,
                                          const TFullWord& snapshot) {
    if (rows_.empty())
        return 0;
    SyncTo(snapshot);
    return Search(state, symbol, headPosition);
}

qint64 TRunLog::FindRepeatedOnTape(const QString& state, const QString& symbol, int headPosition,
                                   const TTapeNow& tape) {
    if (rows_.empty())
        return 0;
    Follow(tape);
    return Search(state, symbol, headPosition);
}

void TRunLog::DropOldest() {
    const TLogRow& row = rows_.front();
    if (row.hasSnapshot) {
        const auto it = newest_.find(row.key);
        // Only when this row is the newest of its key does no other held row share it.
        if (it != newest_.end() && it->second == firstSeq_)
            newest_.erase(it);
    }
    rows_.pop_front();
    ++firstSeq_;
}

void TRunLog::RaiseWidths() {
    // The outermost written cell on each side; the engine's tape has at most DiesCount cells beyond the word
    // on either side, so this costs the same on a tape of any length.
    for (int p = -leftCells_; p < 0; ++p)
        if (tape_[Index(p)] != BlankSymbol) {
            leftWidth_ = std::max(leftWidth_, 1 - p);
            break;
        }
    for (int p = wordLength_ + rightCells_ - 1; p >= wordLength_; --p)
        if (tape_[Index(p)] != BlankSymbol) {
            rightWidth_ = std::max(rightWidth_, p - wordLength_ + 2);
            break;
        }
}

void TRunLog::Append(qint64 step, const QString& state, const QString& symbol, int headPosition, bool hasSnapshot,
                     const QString& commandText) {
    try {
        TLogRow row;
        row.step = step;
        row.state = TrimText(state);
        row.symbol = symbol.left(1);
        row.headPosition = headPosition;
        row.commandText = commandText;
        row.hasSnapshot = hasSnapshot;
        row.writeEnd = WritesEnd();
        if (hasSnapshot) {
            row.leftCells = leftCells_;
            row.wordLength = wordLength_;
            row.rightCells = rightCells_;
            row.foldedState = Folded(row.state);
            row.key = KeyOf(row.foldedState, row.symbol, headPosition);
        }
        const qint64 limit = std::max(1, settings_.MaxCount);
        while (qint64(rows_.size()) >= 2 * limit - 1)
            DropOldest();
        rows_.push_back(std::move(row));
        shownFirst_ = std::max({shownFirst_, firstSeq_, EndSeq() - limit});
        TLogRow& added = rows_.back();
        // Writes older than the oldest row's tape are never undone again.
        while (writesFirst_ < rows_.front().writeEnd) {
            writes_.pop_front();
            ++writesFirst_;
        }
        bool wider = false;
        if (added.hasSnapshot) {
            newest_[added.key] = EndSeq() - 1;
            const int left = leftWidth_;
            const int right = rightWidth_;
            RaiseWidths();
            wider = leftWidth_ != left || rightWidth_ != right;
        }
        added.shownFirst = shownFirst_;
        added.leftWidth = leftWidth_;
        added.rightWidth = rightWidth_;
        emit rowsChanged();
        if (wider && wordForm_ == FormAutomatic)
            emit wordTextsChanged();
    } catch (...) {
        // The engine goes on without this row.
    }
}

void TRunLog::LogStep(qint64 step, const QString& state, const QString& symbol, int headPosition,
                      std::unique_ptr<TFullWord> snapshot, const QString& commandText) {
    try {
        if (snapshot)
            SyncTo(*snapshot);
    } catch (...) {
        return;
    }
    Append(step, state, symbol, headPosition, snapshot != nullptr, commandText);
}

void TRunLog::LogStepOnTape(qint64 step, const QString& state, const QString& symbol, int headPosition,
                            const TTapeNow& tape, const QString& commandText) {
    try {
        Follow(tape);
    } catch (...) {
        following_ = false;
        return;
    }
    Append(step, state, symbol, headPosition, true, commandText);
}

void TRunLog::ClearLog() {
    try {
        leftWidth_ = 1;
        rightWidth_ = 1;
        firstSeq_ = EndSeq();
        shownFirst_ = firstSeq_;
        rows_.clear();
        newest_.clear();
        writes_.clear();
        writesFirst_ = 0;
        // The next run's tape is taken whole; a long tape of an earlier run is not kept.
        tape_.clear();
        tape_.squeeze();
        origin_ = leftCells_ = wordLength_ = rightCells_ = 0;
        tapeHash_ = 0;
        following_ = false;
        ++generation_;
        emit rowsChanged();
    } catch (...) {
    }
}

bool TRunLog::DropNewest() {
    if (rows_.empty())
        return false;
    try {
        const TLogRow row = rows_.back();
        rows_.pop_back();
        if (row.hasSnapshot) {
            const auto it = newest_.find(row.key);
            if (it != newest_.end() && it->second == EndSeq()) {
                newest_.erase(it);
                for (qint64 i = qint64(rows_.size()) - 1; i >= 0; --i)
                    if (rows_[size_t(i)].hasSnapshot && rows_[size_t(i)].key == row.key) {
                        newest_[row.key] = firstSeq_ + i;
                        break;
                    }
            }
        }
        // Without a row before it, nothing says what the tape was: the next step takes the tape whole.
        following_ = following_ && !rows_.empty() && rows_.back().hasSnapshot && rows_.back().step + 1 == row.step;
        const qint64 keep = rows_.empty() ? WritesEnd() : rows_.back().writeEnd;
        while (WritesEnd() > keep) {
            const TWrite w = writes_.back();
            tapeHash_ += CellHash(w.position, w.before) - CellHash(w.position, w.after);
            tape_[Index(w.position)] = w.before;
            writes_.pop_back();
        }
        if (following_) {
            leftCells_ = rows_.back().leftCells;
            rightCells_ = rows_.back().rightCells;
            followStep_ = rows_.back().step;
        }
        // The view and the widths as they were when the row before was added.
        const bool wider =
            !rows_.empty() && (leftWidth_ != rows_.back().leftWidth || rightWidth_ != rows_.back().rightWidth);
        shownFirst_ = rows_.empty() ? firstSeq_ : std::max(firstSeq_, rows_.back().shownFirst);
        if (!rows_.empty()) {
            leftWidth_ = rows_.back().leftWidth;
            rightWidth_ = rows_.back().rightWidth;
        }
        emit rowsChanged();
        if (wider && wordForm_ == FormAutomatic)
            emit wordTextsChanged();
        return true;
    } catch (...) {
        following_ = false;
        return false;
    }
}

TFullWord TRunLog::RowSnapshot(int index) const {
    const TLogRow& row = Row(index);
    if (!row.hasSnapshot)
        return TFullWord();
    const int first = -row.leftCells;
    QString cells = tape_.mid(Index(first), row.leftCells + row.wordLength + row.rightCells);
    const int end = first + int(cells.size());
    for (qint64 k = WritesEnd() - 1; k >= row.writeEnd; --k) {
        const TWrite& w = WriteAt(k);
        if (w.position >= first && w.position < end)
            cells[w.position - first] = w.before;
    }
    return TFullWord{cells.left(row.leftCells), cells.mid(row.leftCells, row.wordLength),
                     cells.mid(row.leftCells + row.wordLength)};
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
    return row.hasSnapshot ? WordText(TCompactWord::From(RowSnapshot(index))) : QString();
}

bool TRunLog::WriteReportPieces(const std::function<bool(const QByteArray&)>& sink) {
    UpdateWordWidths();
    // The rows' tapes in order, oldest first: the oldest is the log's tape with every newer write undone,
    // each next one the one before with its writes done again.
    QString cells = tape_;
    qint64 done = IsEmpty() ? WritesEnd() : Row(0).writeEnd;
    for (qint64 k = WritesEnd() - 1; k >= done; --k)
        cells[Index(WriteAt(k).position)] = WriteAt(k).before;
    const auto automatic = [&](const TLogRow& row) {
        if (!row.hasSnapshot)
            return QString();
        for (; done < row.writeEnd; ++done)
            cells[Index(WriteAt(done).position)] = WriteAt(done).after;
        const QStringView rowCells =
            QStringView(cells).mid(Index(-row.leftCells), row.leftCells + row.wordLength + row.rightCells);
        return FormText(TCompactWord::FromCells(rowCells, row.leftCells, row.wordLength), FormAutomatic, leftWidth_,
                        rightWidth_);
    };
    const QString crlf = QStringLiteral("\r\n");
    // Every automatic text of one log has the same length, so the first row sets the column for all.
    const qsizetype wordWidth = IsEmpty() ? 8 : automatic(Row(0)).size() + 3;
    // The number columns widen for numbers that would fill them, keeping a blank before the next field: a step
    // run into its state, or a head position into the word, could not be read apart.
    const qsizetype stepWidth = IsEmpty() ? 10 : std::max<qsizetype>(10, QString::number(rows_.back().step).size() + 1);
    qsizetype headWidth = 8;
    for (int i = 0; i < RowCount(); ++i)
        headWidth = std::max<qsizetype>(headWidth, QString::number(Row(i).headPosition).size() + 1);
    QString text = Padded(QStringLiteral("N"), stepWidth) + Padded(QStringLiteral("Исх. сост."), 18) +
                   Padded(QStringLiteral("С"), 3) + Padded(QStringLiteral("N симв."), headWidth) +
                   Padded(QStringLiteral("Слово"), wordWidth) + QStringLiteral("След. команда") + crlf;
    // Pieces of about a megabyte: few writes, and little memory however long the report.
    constexpr qsizetype Piece = qsizetype(1) << 20;
    for (int i = 0; i < RowCount(); ++i) {
        const TLogRow& row = Row(i);
        text += Padded(QString::number(row.step), stepWidth) + Padded(row.state, 18) + Padded(row.symbol, 3) +
                Padded(QString::number(row.headPosition), headWidth) + Padded(automatic(row), wordWidth) +
                row.commandText + crlf;
        if (text.size() >= Piece) {
            if (!sink(codepage::Encode(text)))
                return false;
            text.clear();
        }
    }
    return text.isEmpty() || sink(codepage::Encode(text));
}

QByteArray TRunLog::ReportBytes() {
    QByteArray bytes;
    WriteReportPieces([&bytes](const QByteArray& piece) {
        bytes += piece;
        return true;
    });
    return bytes;
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
    // A FIFO and a device are written straight; anything else that is not a file cannot hold a report.
    struct stat st {};
    const bool straight =
        ::stat(QFile::encodeName(name).constData(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode));
    if (info.exists() && !info.isFile() && !straight) {
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
    // The lines go to the file as they are made: a long log on a long tape makes a report larger than the
    // memory the log takes.
    const fileio::TSaveResult result = fileio::SaveFile(
        name, [this](const std::function<bool(const QByteArray&)>& write) { return WriteReportPieces(write); }, temp,
        backup);
    switch (result.failure) {
    case fileio::TSaveFailure::None:
        break;
    case fileio::TSaveFailure::RemoveTemp:
        error(QStringLiteral("Ошибка удаления временного файла\n") + result.temp);
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
              result.temp + QStringLiteral("\nПопытайтесь переименовать файл вручную"));
        return false;
    case fileio::TSaveFailure::SyncDir:
        error(QStringLiteral("Файл записан, но изменения каталога не сохранены на диске\n") + name);
        return false;
    case fileio::TSaveFailure::NotRegular:
    case fileio::TSaveFailure::Write:
        error(QStringLiteral("Ошибка записи файла\n") + name + QStringLiteral("\n") + fileio::ErrorText(result));
        return false;
    }
    if (result.backupFailed)
        prompts.Message(caption, QStringLiteral("Файл сохранен, но резервная копия не создана\n") + backup,
                        TIcon::Exclamation);
    return true;
}
