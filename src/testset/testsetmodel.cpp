#include "testset/testsetmodel.h"

#include "platform/codepage.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "testset/testsetcheck.h"

#include <QColor>

namespace {

QColor Colour(int bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

TTestSetModel::TTestSetModel(const TConfig& config, TPrompts& prompts, QObject* parent)
    : QAbstractTableModel(parent), config_(config), prompts_(prompts) {}

int TTestSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TTestSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TTestSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char16_t* const titles[ColumnCount] = {u"Слово", u"Ожидаемая лента", u"Ожидаемое состояние", u"Конец",
                                                        u"Шагов", u"Лента",           u"Состояние",           u"Итог"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(titles[section]) : QVariant();
}

Qt::ItemFlags TTestSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() <= State && !readOnly_)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant TTestSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const TRow& row = rows_[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case Word:
            return row.test.word;
        case Tape:
            return row.test.tape;
        case State:
            return row.test.state;
        default:
            break;
        }
        if (!row.result)
            return {};
        const TRunResult& r = *row.result;
        switch (index.column()) {
        case End:
            // A word that did not run says why ("Пустое слово"), on one line.
            if (r.end == TRunEnd::Refused && !r.faults.isEmpty())
                return r.faults.join(QStringLiteral("; ")).simplified();
            return RunEndText(r.end);
        case Steps:
            return r.end == TRunEnd::Refused ? QVariant() : QVariant(r.steps);
        case FinalTape:
            return r.InnerTape();
        case FinalState:
            return r.state;
        case Verdict:
            return row.passed ? QStringLiteral("пройден") : QStringLiteral("не пройден");
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && row.result && !row.result->faults.isEmpty())
        return row.result->faults.join(QLatin1Char('\n'));
    if (index.column() == Verdict && row.result && (role == Qt::BackgroundRole || role == Qt::ForegroundRole)) {
        const bool back = role == Qt::BackgroundRole;
        if (row.passed)
            return Colour(back ? config_.EnableBreakBackground : config_.EnableBreakFont);
        return Colour(back ? config_.ErrorBackground : config_.ErrorFont);
    }
    if (role == Qt::TextAlignmentRole && index.column() == Steps)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool TTestSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() > State || readOnly_)
        return false;
    const QString text = value.toString();
    if (!codepage::Exists(text) || text.contains(QLatin1Char('\t')) || text.contains(QLatin1Char('\n')) ||
        text.contains(QLatin1Char('\r'))) {
        prompts_.Asterisk();
        return false;
    }
    TRow& row = rows_[index.row()];
    QString& field = index.column() == Word ? row.test.word : index.column() == Tape ? row.test.tape : row.test.state;
    if (field == text)
        return true;
    field = text;
    if (index.column() == State)
        row.test.hasState = !text.isEmpty();
    // The result no longer answers the case.
    row.result.reset();
    modified_ = true;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

QList<TTestCase> TTestSetModel::Cases() const {
    QList<TTestCase> cases;
    cases.reserve(rows_.size());
    for (const TRow& r : rows_)
        cases.append(r.test);
    return cases;
}

void TTestSetModel::SetCases(const QList<TTestCase>& cases) {
    beginResetModel();
    rows_.clear();
    for (const TTestCase& c : cases)
        rows_.append(TRow{c, std::nullopt, false});
    modified_ = false;
    endResetModel();
}

int TTestSetModel::InsertCase(int row) {
    const int at = row < 0 || row >= rows_.size() ? int(rows_.size()) : row + 1;
    beginInsertRows(QModelIndex(), at, at);
    rows_.insert(at, TRow{});
    endInsertRows();
    modified_ = true;
    return at;
}

void TTestSetModel::RemoveCase(int row) {
    if (row < 0 || row >= rows_.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.removeAt(row);
    endRemoveRows();
    modified_ = true;
}

void TTestSetModel::ClearResults() {
    for (TRow& r : rows_)
        r.result.reset();
    if (!rows_.isEmpty())
        emit dataChanged(index(0, End), index(int(rows_.size()) - 1, ColumnCount - 1));
}

void TTestSetModel::SetResult(int row, const TRunResult& result) {
    if (row < 0 || row >= rows_.size())
        return;
    rows_[row].result = result;
    rows_[row].passed = TestPassed(rows_[row].test, result);
    emit dataChanged(index(row, End), index(row, ColumnCount - 1));
}

int TTestSetModel::Passed() const {
    int n = 0;
    for (const TRow& r : rows_)
        n += r.result && r.passed;
    return n;
}

int TTestSetModel::Checked() const {
    int n = 0;
    for (const TRow& r : rows_)
        n += r.result.has_value();
    return n;
}
