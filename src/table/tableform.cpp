#include "table/tableform.h"

#include "editing/commanddialog.h"
#include "machine/machine.h"
#include "platform/helpengine.h"
#include "platform/prompts.h"
#include "settings/config.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int TableHelpContext = 1180;
// A machine with thousands of commands outside the table names the first few.
constexpr int OutsideShown = 10;
constexpr int FittedColumns = 200;

// The cursor's cell shows as selected only while the grid has the focus, so the run's highlight and the error
// colours stay visible everywhere else.
class TCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!option->widget || !option->widget->hasFocus())
            option->state &= ~QStyle::State_Selected;
    }
};

} // namespace

TTableForm::TTableForm(TMachine& machine, TPrompts& prompts, TConfig& config, TMarkColours colours, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint),
      machine_(machine), prompts_(prompts), config_(config) {
    setWindowTitle(QStringLiteral("Таблица переходов"));
    model_ = new TTransitionTableModel(machine_, std::move(colours), this);

    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("TableGrid"));
    grid_->setModel(model_);
    grid_->setItemDelegate(new TCellDelegate(grid_));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setWordWrap(false);
    grid_->horizontalHeader()->setMinimumSectionSize(70);
    grid_->horizontalHeader()->setSectionsClickable(false);
    grid_->verticalHeader()->setSectionsClickable(false);
    grid_->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid_->setProperty("helpContext", TableHelpContext);
    grid_->setAccessibleName(QStringLiteral("Таблица переходов"));
    grid_->setAccessibleDescription(QStringLiteral("Команды машины: строки — символы, столбцы — состояния"));
    grid_->installEventFilter(this);
    connect(grid_, &QAbstractItemView::doubleClicked, this, &TTableForm::EditCell);

    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("TableNote"));
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note_->setProperty("helpContext", TableHelpContext);
    note_->setAccessibleDescription(QStringLiteral("Замечания к таблице"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(grid_, 1);
    layout->addWidget(note_);

    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    connect(model_, &QAbstractItemModel::modelReset, this, &TTableForm::ShowNotes);
    ShowNotes();
    ApplyLayout();
}

TTableForm::~TTableForm() {
    StoreLayout();
}

void TTableForm::ShowNotes() {
    const TTransitionTable& table = model_->Table();
    grid_->setVisible(table.HasGrid());
    // Fitting a column measures its cells: done once per build of the table, and not for a machine of
    // thousands of states, whose columns keep the common width.
    if (table.states.size() <= FittedColumns)
        grid_->resizeColumnsToContents();
    QStringList lines;
    if (!table.HasGrid())
        lines << table.note;
    if (!table.outside.isEmpty()) {
        QStringList commands;
        for (int i = 0; i < table.outside.size() && i < OutsideShown; ++i)
            commands << TMachine::CommandText(TMachine::CommandFromRow(machine_.Commands()[table.outside[i]]));
        if (table.outside.size() > OutsideShown)
            commands << QStringLiteral("…");
        lines << QStringLiteral("Команды вне таблицы: ") + commands.join(QStringLiteral("; "));
    }
    note_->setText(lines.join(QLatin1Char('\n')));
    note_->setVisible(!lines.isEmpty());
}

void TTableForm::EditCell(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (!EditAllowed()) {
        prompts_.Asterisk();
        return;
    }
    const QString state = model_->Table().states.value(index.column());
    const QString symbol = model_->Table().symbols.value(index.row());
    const int row = model_->CommandRow(index);
    if (row >= 0)
        ExecuteCommandEdit(this, machine_, prompts_, row, HelpOpener());
    else
        ExecuteCommandAddFor(this, machine_, prompts_, state, symbol, HelpOpener());
    SelectCell(state, symbol);
}

void TTableForm::DeleteCell(const QModelIndex& index) {
    const int row = model_->CommandRow(index);
    if (row < 0 || !EditAllowed()) {
        prompts_.Asterisk();
        return;
    }
    const QString state = model_->Table().states.value(index.column());
    const QString symbol = model_->Table().symbols.value(index.row());
    ExecuteCommandDel(machine_, prompts_, row);
    SelectCell(state, symbol);
}

void TTableForm::SelectCell(const QString& state, const QString& symbol) {
    const TTransitionTable& table = model_->Table();
    const int column = int(table.states.indexOf(state));
    const int row = int(table.symbols.indexOf(symbol));
    if (row >= 0 && column >= 0)
        grid_->setCurrentIndex(model_->index(row, column));
}

bool TTableForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                EditCell(grid_->currentIndex());
                return true;
            case Qt::Key_Delete:
                DeleteCell(grid_->currentIndex());
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TTableForm::ApplyLayout() {
    setGeometry(config_.TableLeft, config_.TableTop, config_.TableWidth, config_.TableHeight);
}

void TTableForm::StoreLayout() {
    const QRect r = geometry();
    config_.TableLeft = r.left();
    config_.TableTop = r.top();
    config_.TableWidth = r.width();
    config_.TableHeight = r.height();
}

void TTableForm::closeEvent(QCloseEvent* event) {
    StoreLayout();
    event->accept();
}
