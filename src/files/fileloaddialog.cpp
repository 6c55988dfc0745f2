#include "files/fileloaddialog.h"

#include "files/loadreport.h"
#include "machine/command.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

TFileLoadDialog::TFileLoadDialog(const QString& fileName, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FileLoadDialog"));
    setWindowTitle(QStringLiteral("Загрузка файла"));
    setWindowFlags((windowFlags() | Qt::WindowContextHelpButtonHint) & ~Qt::WindowMinMaxButtonsHint);
    CreateControls();
    AssignHelpContexts();
    FileNameLabel->setText(TrimText(fileName));
    SetErrors(false);
}

void TFileLoadDialog::ShowReport(const TLoadReport& report, QWidget* parent) {
    TFileLoadDialog dialog(report.FileName(), parent);
    for (const TLoadError& error : report.Errors())
        dialog.AddError(error.lineNumber, error.message);
    if (report.Omitted() > 0) {
        auto* item = new QTreeWidgetItem(dialog.ErrorListBox,
                                         {QStringLiteral("..."), TLoadReport::OmittedText(report.Omitted())});
        item->setFlags(Qt::ItemIsEnabled);
    }
    dialog.exec();
}

void TFileLoadDialog::CreateControls() {
    auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        // The verdict keeps the designed width even for a short name.
        label->setMinimumWidth(233);
        return label;
    };
    Label = makeLabel("Label");
    FileNameLabel = makeLabel("FileNameLabel");
    StateLabel = makeLabel("StateLabel");

    CancelButton = new QPushButton(QStringLiteral("&ОК"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setDefault(true);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::accept);
    DetailButton = new QPushButton(QStringLiteral("Подробнее &>>"), this);
    DetailButton->setObjectName(QStringLiteral("DetailButton"));
    DetailButton->setAutoDefault(false);
    connect(DetailButton, &QPushButton::clicked, this, &TFileLoadDialog::DetailButtonClick);

    ErrorListBox = new QTreeWidget(this);
    ErrorListBox->setObjectName(QStringLiteral("ErrorListBox"));
    ErrorListBox->setColumnCount(2);
    ErrorListBox->setHeaderLabels({QStringLiteral("Номер"), QStringLiteral("Ошибка")});
    ErrorListBox->setRootIsDecorated(false);
    ErrorListBox->setItemsExpandable(false);
    ErrorListBox->setUniformRowHeights(true);
    ErrorListBox->setSelectionBehavior(QAbstractItemView::SelectRows);
    ErrorListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ErrorListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ErrorListBox->header()->setSectionsClickable(false);
    ErrorListBox->header()->setSectionsMovable(false);
    ErrorListBox->header()->setStretchLastSection(true);
    ErrorListBox->setColumnWidth(0, 80);
    ErrorListBox->setMinimumSize(320, 130);
    // The list sits on the colour of an inactive window's frame, set apart from the verdict above it.
    QPalette listPalette = ErrorListBox->palette();
    listPalette.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Window));
    ErrorListBox->setPalette(listPalette);
    ErrorListBox->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CancelButton);
    buttons->addWidget(DetailButton);
    buttons->addStretch(1);

    auto* verdict = new QVBoxLayout;
    verdict->setContentsMargins(14, 8, 14, 8);
    verdict->setSpacing(0);
    verdict->addWidget(Label);
    verdict->addWidget(FileNameLabel);
    verdict->addWidget(StateLabel);
    verdict->addSpacing(14);
    verdict->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The dialog always takes the size its contents need: collapsed without the list, expanded with it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(verdict);
    layout->addWidget(ErrorListBox);
}

void TFileLoadDialog::AssignHelpContexts() {
    CancelButton->setProperty("helpContext", 1420);
    DetailButton->setProperty("helpContext", 1421);
    ErrorListBox->setProperty("helpContext", 1422);
}

void TFileLoadDialog::SetErrors(bool flag) {
    errorsFound_ = flag;
    Label->setText(TLoadReport::FirstLine(flag));
    StateLabel->setText(TLoadReport::LastLine(flag));
    // Once expanded the list stays, and there is nothing more to show.
    DetailButton->setEnabled(flag && ErrorListBox->isHidden());
}

void TFileLoadDialog::AddError(int lineNumber, const QString& message) {
    auto* item = new QTreeWidgetItem(ErrorListBox, {TLoadReport::LineText(lineNumber), TrimText(message)});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    // The list widens to show every message whole, room for a scroll bar included.
    const int textMargin = 2 * (ErrorListBox->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
    const int needed = ErrorListBox->columnWidth(0) + ErrorListBox->fontMetrics().horizontalAdvance(item->text(1)) +
                       textMargin + 2 * ErrorListBox->frameWidth() +
                       ErrorListBox->verticalScrollBar()->sizeHint().width();
    ErrorListBox->setMinimumWidth(std::max(ErrorListBox->minimumWidth(), needed));
    SetErrors(true);
}

void TFileLoadDialog::DetailButtonClick() {
    DetailButton->setEnabled(false);
    ErrorListBox->show();
}
