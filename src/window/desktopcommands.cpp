// The window's settings and its place on the desktop: read at the first showing, kept in qtm.ini and qtm.dsk
// with every window beside it.

#include "window/mainform.h"

#include "diagram/diagramform.h"
#include "log/logform.h"
#include "machine/engine.h"
#include "pictures/costform.h"
#include "pictures/spacetimeform.h"
#include "platform/prompts.h"
#include "settings/config.h"
#include "table/tableform.h"
#include "tasks/taskbookform.h"
#include "testset/testsetform.h"
#include "window/hints.h"
#include "window/undohistory.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

void TMainForm::ApplySettings() {
    config_->LoadDesktop();
    config_->LoadSettings();
    // The user's values stay in a file that could not be read: this session neither reads nor overwrites it.
    QStringList unread;
    if (config_->SettingsUnreadable())
        unread << config_->settingsPath;
    if (config_->DesktopUnreadable())
        unread << config_->desktopPath;
    if (!unread.isEmpty())
        prompts_->Message(QStringLiteral("Загрузка настроек"),
                          QStringLiteral("Ошибка чтения файла\n") + unread.join(u'\n') +
                              QStringLiteral("\nДо выхода из программы настройки в него не сохраняются"),
                          TIcon::Stop);
    move(config_->Left, config_->Top);
    const int widths[] = {config_->MainColumn0, config_->MainColumn1, config_->MainColumn2,
                          config_->MainColumn3, config_->MainColumn4, config_->MainColumn5};
    // A stored width never hides a heading.
    QHeaderView* header = CommandListView->horizontalHeader();
    for (int i = 0; i < 6; ++i)
        CommandListView->setColumnWidth(i, std::max(widths[i], header->sectionSizeHint(i)));
    // The list is as wide as its columns, so the window grows rather than hiding a column.
    CommandListView->setMinimumWidth(header->length() + 2 * CommandListView->frameWidth() +
                                     CommandListView->verticalScrollBar()->sizeHint().width());
    ApplyHints(this, config_->ViewHint, config_->PeriodHint, config_->PauseHint);
    StepTimer->setInterval(config_->RunSpeed);
    if (config_->ViewLog)
        KeepRunLog(true);
    history_->SetLimit(qsizetype(config_->UndoMemory) * 1024 * 1024);
    KeepOnScreen();
}

void TMainForm::KeepOnScreen() {
    // A stored position from a smaller screen, or a window grown by its columns, must not leave it half off
    // the screen.
    adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    if (frame.right() > area.right())
        frame.moveRight(area.right());
    if (frame.bottom() > area.bottom())
        frame.moveBottom(area.bottom());
    if (frame.left() < area.left())
        frame.moveLeft(area.left());
    if (frame.top() < area.top())
        frame.moveTop(area.top());
    move(frame.topLeft());
}

bool TMainForm::StoreSettings() {
    return config_ && config_->SaveSettings();
}

bool TMainForm::StoreDesktop() {
    if (logForm_)
        logForm_->StoreLayout();
    if (tableForm_)
        tableForm_->StoreLayout();
    if (diagramForm_)
        diagramForm_->StoreLayout();
    if (testSetForm_)
        testSetForm_->StoreLayout();
    if (taskBookForm_)
        taskBookForm_->StoreLayout();
    if (spaceTimeForm_)
        spaceTimeForm_->StoreLayout();
    if (costForm_)
        costForm_->StoreLayout();
    config_->Left = x();
    config_->Top = y();
    int* widths[] = {&config_->MainColumn0, &config_->MainColumn1, &config_->MainColumn2,
                     &config_->MainColumn3, &config_->MainColumn4, &config_->MainColumn5};
    for (int i = 0; i < 6; ++i)
        *widths[i] = CommandListView->columnWidth(i);
    return config_->SaveDesktop();
}

void TMainForm::SaveConfigItemClick() {
    TEngine::TPause pause(*engine_);
    const QString caption = QStringLiteral("Сохранение настроек");
    if (StoreSettings())
        prompts_->Message(caption, QStringLiteral("Настройки сохранены успешно"), TIcon::Information);
    else
        prompts_->Message(caption, QStringLiteral("Ошибка сохранения настроек"), TIcon::Stop);
}

void TMainForm::SaveDeskTopItemClick() {
    TEngine::TPause pause(*engine_);
    const QString caption = QStringLiteral("Сохранение настроек рабочего стола");
    if (StoreDesktop())
        prompts_->Message(caption, QStringLiteral("Настройки сохранены успешно"), TIcon::Information);
    else
        prompts_->Message(caption, QStringLiteral("Ошибка сохранения настроек"), TIcon::Stop);
}
