#include "check/errorcommanddialog.h"

#include "check/checkstate.h"
#include "platform/screenwidget.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The report's fault rows as a two-column table; the report stays the only copy of the data.
class TCommandFaultModel : public QAbstractTableModel {
public:
    TCommandFaultModel(const TCommandError& errors, QObject* parent) : QAbstractTableModel(parent), errors_(errors) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(errors_.Faults().size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= errors_.Faults().size() || role != Qt::DisplayRole)
            return QVariant();
        const TCommandFault& fault = errors_.Faults()[index.row()];
        return index.column() == 0 ? fault.Caption() : fault.message;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        return section == 0 ? QStringLiteral("Команда") : QStringLiteral("Ошибка");
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    const TCommandError& errors_;
};

} // namespace

TErrorCommandDialog::TErrorCommandDialog(const TCommandError& errors, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ErrorCommandDialog"));
    setWindowTitle(QStringLiteral("Ошибки в командах"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);
    CreateList(errors);
    CreateActions();
}

void TErrorCommandDialog::CreateList(const TCommandError& errors) {
    listView_ = new QTableView(this);
    listView_->setObjectName(QStringLiteral("ListView"));
    listView_->setProperty("helpContext", 3060);
    listView_->setModel(new TCommandFaultModel(errors, listView_));
    listView_->setShowGrid(true);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setWordWrap(false);
    listView_->verticalHeader()->hide();
    listView_->horizontalHeader()->setHighlightSections(false);
    listView_->resizeColumnsToContents();
    listView_->resizeRowsToContents();
    listView_->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(listView_);

    // Wide enough for every fault text, within the screen.
    const int contentWidth = listView_->columnWidth(0) + listView_->columnWidth(1) + 2 * listView_->frameWidth() +
                             listView_->verticalScrollBar()->sizeHint().width() + 4;
    const int rows = int(errors.Faults().size());
    const int contentHeight = listView_->horizontalHeader()->sizeHint().height() +
                              std::max(rows, 4) * listView_->verticalHeader()->defaultSectionSize() +
                              2 * listView_->frameWidth() + 4;
    QSize limit(1000, 700);
    if (const QScreen* s = screen())
        limit = s->availableGeometry().size() * 4 / 5;
    resize(std::clamp(contentWidth, 360, std::max(360, limit.width())),
           std::clamp(contentHeight, 160, std::max(160, limit.height())));
}

void TErrorCommandDialog::CreateActions() {
    // The hidden pop-up menu of the window: its one item closes the window with Esc.
    auto* popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PopupMenu"));
    auto* close = popup->addAction(QStringLiteral("Закрыть"));
    close->setObjectName(QStringLiteral("CloseItem"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    close->setShortcutContext(Qt::WindowShortcut);
    addAction(close);
    connect(close, &QAction::triggered, this, &QDialog::reject);
}

void TErrorCommandDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}
