#include "check/checkdatadialog.h"

#include "check/checkstate.h"
#include "check/errorcommanddialog.h"
#include "check/validation.h"
#include "machinefixture.h"
#include "usertexts.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <memory>

namespace {

TMessage Box(const QString& caption, const QString& text, TIcon icon) {
    TMessage m;
    m.caption = caption;
    m.text = text;
    m.icon = icon;
    return m;
}

// A machine with the validation pass; each test checks it and builds the data check dialog for the report.
class CheckDataDialogTest : public MachineTest {
protected:
    CheckDataDialogTest() { machine.SetChecks(&validation); }

    TCheckDataDialog& Check() {
        validation.ValidateMachine(&report);
        dialog = std::make_unique<TCheckDataDialog>(report, prompts);
        return *dialog;
    }

    QLabel* Label(const char* name) const {
        auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(label, nullptr) << name;
        return label;
    }
    QPushButton* Button(const char* name) const {
        auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static bool IsRed(const QLabel* label) { return label->palette().color(QPalette::WindowText) == QColor(Qt::red); }

    // Clicks a details button and returns the one message it showed.
    TMessage Details(const char* button) {
        prompts.Answer(TAnswer::Ok);
        const qsizetype before = prompts.boxes.size();
        Button(button)->click();
        EXPECT_EQ(prompts.boxes.size(), before + 1);
        return prompts.boxes.isEmpty() ? TMessage() : prompts.boxes.last();
    }

    TValidation validation{machine};
    TCheckState report;
    std::unique_ptr<TCheckDataDialog> dialog;
};

TEST_F(CheckDataDialogTest, CleanMachine) {
    Define(QStringLiteral("ab"), QStringLiteral("aab"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    TCheckDataDialog& d = Check();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Проверка данных"));
    EXPECT_EQ(Label("StateLabel")->text(), QStringLiteral("Ошибок не обнаружено"));
    EXPECT_FALSE(IsRed(Label("StateLabel")));
    for (const char* name : {"WordStateLabel", "StateStateLabel", "CommandStateLabel"}) {
        EXPECT_EQ(Label(name)->text(), QStringLiteral("Ошибки не обнаружены")) << name;
        EXPECT_FALSE(IsRed(Label(name))) << name;
    }
    for (const char* name : {"DetailWordButton", "DetailStateButton", "DetailCommandButton"}) {
        EXPECT_FALSE(Button(name)->isEnabled()) << name;
        EXPECT_EQ(Button(name)->text(), QStringLiteral("Подробнее...")) << name;
    }
    EXPECT_EQ(Label("ABCCountLabel")->text(), QStringLiteral("2"));
    EXPECT_EQ(Label("WordCountLabel")->text(), QStringLiteral("3"));
    EXPECT_EQ(Label("CommandCountLabel")->text(), QStringLiteral("1"));
    EXPECT_EQ(Label("StateCountLabel")->text(), QStringLiteral("1"));
    EXPECT_FALSE(IsRed(Label("CommandCountLabel")));
    EXPECT_FALSE(Label("ResImage")->pixmap().isNull());
    EXPECT_EQ(Button("CloseButton")->text(), QStringLiteral("Закрыть"));
    EXPECT_TRUE(Button("CloseButton")->isDefault());
    EXPECT_EQ(Button("HelpButton")->text(), QStringLiteral("Помощь"));
    EXPECT_EQ(d.findChild<QGroupBox*>(QStringLiteral("WordGroupBox"))->title(), QStringLiteral("  Слово  "));
    EXPECT_EQ(d.findChild<QGroupBox*>(QStringLiteral("StateGroupBox"))->title(), QStringLiteral("  Состояния  "));
    EXPECT_EQ(d.findChild<QGroupBox*>(QStringLiteral("CommandGroupBox"))->title(), QStringLiteral("  Команды  "));
    EXPECT_EQ(Button("DetailWordButton")->property("helpContext").toInt(), 3053);
    EXPECT_EQ(Button("DetailCommandButton")->property("helpContext").toInt(), 3054);
    EXPECT_EQ(Button("DetailStateButton")->property("helpContext").toInt(), 3055);
    EXPECT_EQ(Button("CloseButton")->property("helpContext").toInt(), 3056);
    EXPECT_EQ(Button("HelpButton")->property("helpContext").toInt(), 3057);

    // The handlers of the disabled buttons still have their messages.
    prompts.Answer(TAnswer::Ok);
    d.DetailWordButtonClick();
    EXPECT_EQ(prompts.boxes.last(),
              Box(QStringLiteral("Ошибки в слове"), QStringLiteral("Ошибки в слове не найдены"), TIcon::Exclamation));
    prompts.Answer(TAnswer::Ok);
    d.DetailStateButtonClick();
    EXPECT_EQ(prompts.boxes.last(),
              Box(QStringLiteral("Ошибки в состояниях"), QStringLiteral("Ошибки не найдены"), TIcon::Exclamation));
    prompts.Answer(TAnswer::Ok);
    d.DetailCommandButtonClick();
    EXPECT_EQ(prompts.boxes.last(), Box(QStringLiteral("Ошибки в командах"),
                                        QStringLiteral("Ошибки в командах не найдены"), TIcon::Exclamation));
    EXPECT_FALSE(Button("DetailCommandButton")->isEnabled());
}

TEST_F(CheckDataDialogTest, NoCommands) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"), {});
    Check();
    EXPECT_EQ(Label("StateLabel")->text(), QStringLiteral("Обнаружены ошибки"));
    EXPECT_TRUE(IsRed(Label("StateLabel")));
    EXPECT_EQ(Label("CommandCountLabel")->text(), QStringLiteral("0"));
    EXPECT_TRUE(IsRed(Label("CommandCountLabel")));
    EXPECT_FALSE(IsRed(Label("StateCountLabel")));
    EXPECT_EQ(Label("CommandStateLabel")->text(), QStringLiteral("Обнаружены ошибки"));
    EXPECT_TRUE(IsRed(Label("CommandStateLabel")));
    EXPECT_EQ(Label("WordStateLabel")->text(), QStringLiteral("Ошибки не обнаружены"));
    EXPECT_TRUE(Button("DetailCommandButton")->isEnabled());
    EXPECT_EQ(Details("DetailCommandButton"),
              Box(QStringLiteral("Ошибки в командах"), QStringLiteral("Не найдено ни одной команды"), TIcon::Stop));
}

TEST_F(CheckDataDialogTest, EmptyWord) {
    Define(QStringLiteral("ab"), QString(), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    Check();
    EXPECT_EQ(Label("WordCountLabel")->text(), QStringLiteral("0"));
    EXPECT_TRUE(IsRed(Label("WordCountLabel")));
    EXPECT_EQ(Label("WordStateLabel")->text(), QStringLiteral("Обнаружены ошибки"));
    EXPECT_EQ(Details("DetailWordButton"),
              Box(QStringLiteral("Ошибки в слове"), QStringLiteral("Пустое слово"), TIcon::Stop));
}

TEST_F(CheckDataDialogTest, BadSymbolsAreListedOnce) {
    Define(QStringLiteral("ab"), QStringLiteral("abzz"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    // A run wrote a blank into the word's cells: the blank is no fault.
    machine.WriteCell(3, BlankSymbol);
    Check();
    EXPECT_EQ(Details("DetailWordButton").text, QStringLiteral("Символы 'z', \nв алфавите не найдены"));

    machine.SetWordText(QStringLiteral("xaybx"));
    report = TCheckState();
    Check();
    EXPECT_EQ(Details("DetailWordButton").text, QStringLiteral("Символы 'x', 'y', \nв алфавите не найдены"));
}

TEST_F(CheckDataDialogTest, StateMessages) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QString(), {QStringLiteral("q0 a q0 b R")});
    Check();
    EXPECT_EQ(Label("StateCountLabel")->text(), QStringLiteral("0"));
    EXPECT_TRUE(IsRed(Label("StateCountLabel")));
    EXPECT_EQ(Label("StateStateLabel")->text(), QStringLiteral("Обнаружены ошибки"));
    EXPECT_EQ(Details("DetailStateButton"), Box(QStringLiteral("Ошибки в состояниях"),
                                                QStringLiteral("Не найдено ни одного состояния"), TIcon::Stop));

    machine.AddState(QStringLiteral("q0"));
    report = TCheckState();
    Check();
    EXPECT_EQ(Details("DetailStateButton"), Box(QStringLiteral("Ошибки в состояниях"),
                                                QStringLiteral("Отсутствует начальное состояние"), TIcon::Stop));
}

TEST_F(CheckDataDialogTest, DetailsButtonIsDisabledWhileItsMessageIsShown) {
    Define(QStringLiteral("ab"), QString(), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    Check();
    QPushButton* button = Button("DetailWordButton");
    bool enabledDuring = true;
    prompts.onAsk = [&](const TMessage&) { enabledDuring = button->isEnabled(); };
    Details("DetailWordButton");
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(button->isEnabled());
}

TEST_F(CheckDataDialogTest, CommandFaultsOpenTheErrorCommandWindow) {
    Define(QStringLiteral("ab"), QStringLiteral("ab"), QStringLiteral("q0"),
           {QStringLiteral("q0 a q0 a S"), QStringLiteral("q0 b q0 a R"), QStringLiteral("q0 a q5 b R")});
    Check();
    QPushButton* button = Button("DetailCommandButton");
    QStringList rows;
    bool buttonEnabledDuring = true;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TErrorCommandDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        buttonEnabledDuring = button->isEnabled();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Ошибки в командах"));
        const QAbstractItemModel* model = window->ListView()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            rows << model->index(r, 0).data().toString() + u'|' + model->index(r, 1).data().toString();
        window->reject();
    });
    button->click();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Команда 0|Команда ведет к зацикливанию машины"),
                                 QStringLiteral("Команда 0|У команды есть дублеры: 2;"),
                                 QStringLiteral("Команда 2|Новое состояние не существует"),
                                 QStringLiteral("Команда 2|У команды есть дублеры: 0;")}));
    EXPECT_FALSE(buttonEnabledDuring);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST(ErrorCommandDialog, RowsColumnsAndClosing) {
    TCommandError errors;
    errors.AddFault(3, QStringLiteral(" Не указан новый символ "));
    errors.AddFault(10, usertext::UnknownMove);
    TErrorCommandDialog dialog(errors);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ошибки в командах"));
    QTableView* list = dialog.findChild<QTableView*>(QStringLiteral("ListView"));
    ASSERT_EQ(list, dialog.ListView());
    const QAbstractItemModel* model = list->model();
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Команда"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Ошибка"));
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Команда 3"));
    EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("Не указан новый символ"));
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("Команда 10"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("Несуществующее направление перемещения"));
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->property("helpContext").toInt(), 3060);
    // Wide enough for the longest text.
    EXPECT_GE(list->columnWidth(1), list->fontMetrics().horizontalAdvance(usertext::UnknownMove));

    auto* close = dialog.findChild<QAction*>(QStringLiteral("CloseItem"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(close->shortcut(), QKeySequence(Qt::Key_Escape));
    QTimer::singleShot(0, close, &QAction::trigger);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST_F(CheckDataDialogTest, RunDataCheckShowsTheDialogAndPassesHelp) {
    Define(QStringLiteral("ab"), QStringLiteral("az"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    QString stateText;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<TCheckDataDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        stateText = shown->findChild<QLabel*>(QStringLiteral("StateLabel"))->text();
        shown->findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
        shown->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    QList<int> contexts;
    EXPECT_FALSE(RunDataCheck(validation, prompts, nullptr, [&](int context) { contexts << context; }));
    EXPECT_EQ(stateText, QStringLiteral("Обнаружены ошибки"));
    EXPECT_EQ(contexts, QList<int>{2008});
    // The pass marked the faulty cell on the way.
    EXPECT_TRUE(machine.Tape()[2].mark & MarkError);
}

TEST_F(CheckDataDialogTest, HelpButtonIsDisabledWithoutHelp) {
    Define(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("q0"), {QStringLiteral("q0 a q0 b R")});
    bool helpEnabled = true;
    QTimer::singleShot(0, [&] {
        QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        helpEnabled = shown->findChild<QPushButton*>(QStringLiteral("HelpButton"))->isEnabled();
        shown->close();
    });
    RunDataCheck(validation, prompts, nullptr);
    EXPECT_FALSE(helpEnabled);
}

TEST(CheckDataDialogImages, TwoDifferentPictures) {
    const QImage clean = TCheckDataDialog::ResultImage(0, 48).toImage();
    const QImage faulty = TCheckDataDialog::ResultImage(1, 48).toImage();
    EXPECT_EQ(clean.size(), QSize(48, 48));
    EXPECT_NE(clean, faulty);
    // Drawn, not blank: the centre is painted, the corner is transparent.
    EXPECT_NE(clean.pixelColor(24, 12).alpha(), 0);
    EXPECT_EQ(clean.pixelColor(0, 0).alpha(), 0);
}

} // namespace
