#include "breakpoints/breakpointlistdialog.h"

#include "breakpoints/breakpoint.h"
#include "breakpoints/breakpointdialog.h"
#include "breakpoints/breakpointlistmodel.h"
#include "machine/machine.h"
#include "platform/prompts.h"
#include "platform/screenwidget.h"
#include "settings/config.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int HelpContext = 2002;

const QString DeleteCaption = QStringLiteral("Удаление контрольной точки");

} // namespace

TBreakPointListDialog::TBreakPointListDialog(TBreakPointList& list, TMachine& machine, TPrompts& prompts,
                                             const TConfig& settings, QWidget* parent)
    : QDialog(parent), list_(list), machine_(machine), prompts_(prompts), settings_(settings) {
    setObjectName(QStringLiteral("BreakPointListDialog"));
    setWindowTitle(QStringLiteral("Контрольные точки"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    CreateControls();
    CreateActions();
    FillList();
}

void TBreakPointListDialog::CreateControls() {
    listView_ = new QTableView(this);
    listView_->setObjectName(QStringLiteral("ListView"));
    listView_->setProperty("helpContext", 1200);
    model_ = new TBreakPointListModel(list_, listView_);
    listView_->setModel(model_);
    listView_->setColumnWidth(0, 80);
    listView_->setColumnWidth(1, 100);
    listView_->horizontalHeader()->setSectionsClickable(false);
    listView_->horizontalHeader()->setHighlightSections(false);
    listView_->horizontalHeader()->setStretchLastSection(true);
    listView_->verticalHeader()->hide();
    // Rows all of one height, never measured: the view's cost does not grow with the list.
    listView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    listView_->setShowGrid(true);
    listView_->setWordWrap(false);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible when the list loses the focus.
    QPalette palette = listView_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    listView_->setPalette(palette);
    listView_->installEventFilter(this);

    okButton_ = new QPushButton(QStringLiteral("ОК"), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setProperty("helpContext", 1210);
    okButton_->setDefault(true);
    helpButton_ = new QPushButton(QStringLiteral("Помощь"), this);
    helpButton_->setObjectName(QStringLiteral("HelpButton"));
    helpButton_->setProperty("helpContext", 1211);
    helpButton_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(helpButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(listView_, 1);
    layout->addLayout(buttons);
    resize(400, 310);

    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TBreakPointListDialog::BreakUpdate);
    connect(listView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TBreakPointListDialog::BreakUpdate);
    // A list emptied behind the dialog's back leaves nothing to edit or delete.
    connect(model_, &QAbstractItemModel::modelReset, this, &TBreakPointListDialog::BreakUpdate);
    connect(listView_, &QAbstractItemView::doubleClicked, this, &TBreakPointListDialog::BreakEditExecute);
    // "ОК" is the default and the cancel button alike: Enter and Esc both close the dialog.
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(helpButton_, &QPushButton::clicked, this, [this] { emit helpRequested(HelpContext); });
}

void TBreakPointListDialog::CreateActions() {
    auto action = [this](const QString& name, const QString& text, Qt::Key key) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcut(QKeySequence(key));
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
        return a;
    };
    breakAdd_ = action(QStringLiteral("BreakAdd"), QStringLiteral("Добавить"), Qt::Key_Insert);
    breakEdit_ = action(QStringLiteral("BreakEdit"), QStringLiteral("Редактировать"), Qt::Key_F4);
    breakDel_ = action(QStringLiteral("BreakDel"), QStringLiteral("Удалить"), Qt::Key_Delete);
    enableItem_ = new QAction(QStringLiteral("Активность"), this);
    enableItem_->setObjectName(QStringLiteral("EnableItem"));
    enableItem_->setCheckable(true);
    connect(breakAdd_, &QAction::triggered, this, &TBreakPointListDialog::BreakAddExecute);
    connect(breakEdit_, &QAction::triggered, this, &TBreakPointListDialog::BreakEditExecute);
    connect(breakDel_, &QAction::triggered, this, &TBreakPointListDialog::BreakDelExecute);
    connect(enableItem_, &QAction::triggered, this, &TBreakPointListDialog::EnableItemClick);

    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    popupMenu_->addAction(breakAdd_);
    popupMenu_->addAction(breakDel_);
    popupMenu_->addAction(breakEdit_);
    popupMenu_->setDefaultAction(breakEdit_);
    popupMenu_->addSeparator();
    popupMenu_->addAction(enableItem_);
    connect(popupMenu_, &QMenu::aboutToShow, this, &TBreakPointListDialog::PopupMenuPopup);
    connect(listView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popupMenu_->popup(listView_->viewport()->mapToGlobal(pos)); });
}

void TBreakPointListDialog::FillList(int current) {
    listView_->selectionModel()->clear();
    model_->Sync();
    const int count = model_->rowCount();
    if (current >= 0 && count > 0)
        listView_->setCurrentIndex(model_->index(std::min(current, count - 1), 0));
    BreakUpdate();
}

int TBreakPointListDialog::SelectedRow() const {
    const QModelIndexList rows = listView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TBreakPointListDialog::BreakUpdate() {
    const bool enabled = model_->rowCount() > 0 && listView_->currentIndex().isValid() && SelectedRow() >= 0;
    breakEdit_->setEnabled(enabled);
    breakDel_->setEnabled(enabled);
}

void TBreakPointListDialog::MarkChanged() {
    changed_ = true;
    emit machine_.edited();
}

void TBreakPointListDialog::BreakAddExecute() {
    TBreakPointDialog dialog(list_, machine_, prompts_, this);
    connect(&dialog, &TBreakPointDialog::helpRequested, this, &TBreakPointListDialog::helpRequested);
    dialog.SetupMode(false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FillList(list_.Count() - 1);
    MarkChanged();
}

void TBreakPointListDialog::BreakEditExecute() {
    const int row = listView_->currentIndex().row();
    if (row < 0)
        return;
    try {
        TBreakPointDialog dialog(list_, machine_, prompts_, this);
        connect(&dialog, &TBreakPointDialog::helpRequested, this, &TBreakPointListDialog::helpRequested);
        if (!dialog.SetEditIndex(row) || dialog.exec() != QDialog::Accepted)
            return;
        FillList(row);
        MarkChanged();
    } catch (...) {
        prompts_.Message(QStringLiteral("Изменение контрольной точки"),
                         QStringLiteral("Ошибка изменения контрольной точки"), TIcon::Stop);
    }
}

void TBreakPointListDialog::BreakDelExecute() {
    try {
        const int row = listView_->currentIndex().row();
        if (row < 0) {
            prompts_.Message(DeleteCaption, QStringLiteral("Контрольная точка не найдена"), TIcon::Stop);
            return;
        }
        if (settings_.DelBreak &&
            prompts_.Message(DeleteCaption, QStringLiteral("Вы действительно хотите удалить контрольную точку"),
                             TIcon::Question, ButtonsOkCancel, TAnswer::Cancel) != TAnswer::Ok)
            return;
        if (row >= list_.Count()) {
            prompts_.Message(DeleteCaption, QStringLiteral("КОнтрольная точка не найдена"), TIcon::Stop);
            return;
        }
        if (!list_.RemoveBreakPoint(row)) {
            prompts_.Message(DeleteCaption, QStringLiteral("Ошибка удаления контрольной точки"), TIcon::Stop);
            return;
        }
        MarkChanged();
        machine_.RefreshBreakMarks();
        // The breakpoints below move up one place, and so do the numbers in their names.
        FillList(row);
    } catch (...) {
        prompts_.Message(DeleteCaption, QStringLiteral("Ошибка удаления контрольной точки"), TIcon::Stop);
    }
}

void TBreakPointListDialog::SwitchSelected() {
    try {
        const int row = SelectedRow();
        if (row < 0 || row >= list_.Count())
            return;
        TBreakPoint& p = list_.At(row);
        p.Enabled = !p.Enabled;
        // The model redraws the row's box from the list's signal.
        list_.NotifyChanged();
        machine_.RefreshBreakMarks();
        MarkChanged();
    } catch (...) {
        // A switch that fails is silent: the row keeps showing the breakpoint's state.
    }
}

void TBreakPointListDialog::EnableItemClick() {
    SwitchSelected();
}

void TBreakPointListDialog::PopupMenuPopup() {
    BreakUpdate();
    const int row = SelectedRow();
    const bool on = model_->rowCount() > 0 && row >= 0;
    enableItem_->setEnabled(on);
    enableItem_->setChecked(on && model_->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked);
}

bool TBreakPointListDialog::eventFilter(QObject* watched, QEvent* event) {
    // ListViewKeyDown: Space switches the selected breakpoint instead of the row's check box.
    if (watched == listView_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        SwitchSelected();
        return true;
    }
    // The keyboard's entries act on the selected row: taking the focus selects the current one, or the first.
    if (watched == listView_ && event->type() == QEvent::FocusIn && SelectedRow() < 0 && model_->rowCount() > 0) {
        const QModelIndex current = listView_->currentIndex();
        listView_->selectRow(current.isValid() ? current.row() : 0);
    }
    return QDialog::eventFilter(watched, event);
}

void TBreakPointListDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

bool ExecuteBreakList(QWidget* parent, TBreakPointList& list, TMachine& machine, TPrompts& prompts,
                      const TConfig& settings, const std::function<void(int)>& openHelp) {
    TBreakPointListDialog dialog(list, machine, prompts, settings, parent);
    if (openHelp)
        QObject::connect(&dialog, &TBreakPointListDialog::helpRequested, &dialog, openHelp);
    dialog.exec();
    return dialog.Changed();
}
