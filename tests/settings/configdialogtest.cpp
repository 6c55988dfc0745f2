#include "settings/configdialog.h"

#include "scriptedprompts.h"
#include "settings/config.h"
#include "platform/updownwidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what applying the settings asks of the main window; can be told to fail.
class TFakeTarget : public TConfigTarget {
public:
    bool KeepRunLog(bool keep) override {
        calls << QStringLiteral("KeepRunLog %1").arg(keep);
        if (failLog)
            throw std::runtime_error("no log window");
        return true;
    }
    void SetLogWordForm(int form) override { calls << QStringLiteral("SetLogWordForm %1").arg(form); }
    void SetHints(bool shown, int delayMs, int durationMs) override {
        calls << QStringLiteral("SetHints %1 %2 %3").arg(shown).arg(delayMs).arg(durationMs);
    }
    void SetStepInterval(int ms) override {
        calls << QStringLiteral("SetStepInterval %1").arg(ms);
        if (failInterval && ms != 1000)
            throw std::runtime_error("timer");
    }
    void RefreshBreakMarks() override { calls << QStringLiteral("RefreshBreakMarks"); }
    void OpenHelp(int context) override { calls << QStringLiteral("OpenHelp %1").arg(context); }

    QStringList calls;
    bool failLog = false;
    bool failInterval = false;
};

class ConfigDialogTest : public ::testing::Test {
protected:
    TConfigDialog& Open(bool runActive = false) {
        dialog = std::make_unique<TConfigDialog>(config, prompts, target, runActive);
        return *dialog;
    }
    template <typename T = QWidget>
    T* Find(const char* name) const {
        auto* w = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    void Retype(const char* edit, const QString& keys) {
        Edit(edit)->selectAll();
        QTest::keyClicks(Edit(edit), keys);
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }

    QTemporaryDir dir;
    TConfig config{dir.path()};
    TScriptedPrompts prompts;
    TFakeTarget target;
    std::unique_ptr<TConfigDialog> dialog;
};

// Sets the default locale for one test.
struct TLocaleScope {
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(saved); }
    QLocale saved;
};

TEST_F(ConfigDialogTest, PagesButtonsAndHelp) {
    TConfigDialog& d = Open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Параметры"));
    auto* pages = Find<QTabWidget>("PageControl");
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i)
        titles << pages->tabText(i);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Общие"), QStringLiteral("Выполнение"), QStringLiteral("Сообщения"),
                                   QStringLiteral("Цвета"), QStringLiteral("Отчет")}));
    EXPECT_EQ(d.Page(), TConfigPage::General);
    EXPECT_EQ(Find<QPushButton>("OKButton")->text(), QStringLiteral("ОК"));
    EXPECT_TRUE(Find<QPushButton>("OKButton")->isDefault());
    EXPECT_EQ(Find<QPushButton>("CancelButton")->toolTip(), QStringLiteral("Выход без сохранения настроек"));
    EXPECT_EQ(Find<QPushButton>("ApplyButton")->text(), QStringLiteral("Применить"));
    EXPECT_EQ(Find("PeriodHintEdit")->toolTip(), QStringLiteral("Время до \"всплытия\" подсказки"));
    EXPECT_EQ(Find("CountEdit")->property("helpContext").toInt(), 1153);
    EXPECT_EQ(Find("ExitCheckBox")->property("helpContext").toInt(), 1126);
    Find("CountEdit")->setFocus();
    Click("HelpButton");
    EXPECT_EQ(target.calls, QStringList{QStringLiteral("OpenHelp 2005")});
}

TEST_F(ConfigDialogTest, EachCheckBoxEditsItsKey) {
    const struct {
        const char* name;
        const char16_t* caption;
        bool TConfig::*key;
    } cases[] = {
        {"SaveConfigCheckBox", u"Параметры", &TConfig::AutoConfig},
        {"SaveFileCheckBox", u"Файл", &TConfig::AutoFile},
        {"SaveDeskTopCheckBox", u"Рабочий стол", &TConfig::AutoDeskTop},
        {"ViewHintCheckBox", u"Показывать всплывающие подсказки", &TConfig::ViewHint},
        {"UseBreakCheckBox", u"Использовать контрольные точки", &TConfig::UseBreak},
        {"OnlyStepCheckBox", u"Пошаговый режим", &TConfig::OnlyStep},
        {"HistoryCheckBox", u"Проверять на зацикливание", &TConfig::History},
        {"SaveFileRunCheckBox", u"Сохранять файл при старте машины", &TConfig::SaveFileRun},
        {"DelBreakCheckBox", u"Удаление контрольной точки", &TConfig::DelBreak},
        {"DelStateCheckBox", u"Удаление состояния", &TConfig::DelState},
        {"DelCommandCheckBox", u"Удаление команды", &TConfig::DelCommand},
        {"NormalLoadCheckBox", u"Нормальная загрузка файла данных", &TConfig::NormalLoad},
        {"StopOnBreakCheckBox", u"Останов в контрольной точке", &TConfig::StopOnBreak},
        {"CloseFileCheckBox", u"Закрытие файла", &TConfig::CloseFile},
        {"ExitCheckBox", u"Выход из программы", &TConfig::Exit},
        {"ViewLogCheckBox", u"Вести отчет", &TConfig::ViewLog},
    };
    for (const auto& c : cases) {
        config.SetDefaults();
        const bool before = config.*c.key;
        Open();
        auto* box = Find<QCheckBox>(c.name);
        EXPECT_EQ(box->text(), QString::fromUtf16(c.caption)) << c.name;
        EXPECT_EQ(box->isChecked(), before) << c.name;
        box->click();
        EXPECT_EQ(config.*c.key, before) << c.name << ": nothing applies before OK";
        Click("ApplyButton");
        EXPECT_EQ(config.*c.key, !before) << c.name;
    }
}

TEST_F(ConfigDialogTest, ControlsDisableTheirDependants) {
    const struct {
        const char* box;
        std::vector<const char*> dependants;
    } cases[] = {
        {"ViewLogCheckBox",
         {"CountEdit", "CountUpDown", "SaveDeskTopCheckBox", "HistoryCheckBox", "LogWordRadioGroup"}},
        {"OnlyStepCheckBox", {"SpeedTrackBar", "SpeedLabel", "UseBreakCheckBox"}},
        {"ViewHintCheckBox", {"PeriodHintEdit", "PeriodHintUpDown", "PauseHintEdit", "PauseHintUpDown"}},
    };
    Open();
    for (const auto& c : cases) {
        for (int round = 0; round < 2; ++round) {
            Click(c.box);
            // "Пошаговый режим" starts off and disables when on; the other two start on.
            const bool on = Find<QCheckBox>(c.box)->isChecked();
            const bool enabled = std::string(c.box) == "OnlyStepCheckBox" ? !on : on;
            for (const char* name : c.dependants)
                EXPECT_EQ(Find(name)->isEnabled(), enabled) << c.box << " -> " << name;
        }
    }
}

TEST_F(ConfigDialogTest, ReportOffGoesOnOkWithTheLogWindow) {
    config.History = true;
    Open();
    Click("ViewLogCheckBox");
    Click("OKButton");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(config.ViewLog);
    // Disabled controls are applied as they stand.
    EXPECT_TRUE(config.History);
    EXPECT_EQ(target.calls, (QStringList{QStringLiteral("KeepRunLog 0"), QStringLiteral("SetHints 1 500 2500"),
                                         QStringLiteral("SetStepInterval 1000")}));
}

TEST_F(ConfigDialogTest, NumbersWordFormAndHintsReachTheWindow) {
    Open();
    Retype("CountEdit", QStringLiteral("250"));
    Retype("CountDiesEdit", QStringLiteral("7"));
    Retype("PauseHintEdit", QStringLiteral("3000"));
    const auto radios = Find<QGroupBox>("LogWordRadioGroup")->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    EXPECT_EQ(radios[0]->text(), QStringLiteral("Минимальная длина"));
    EXPECT_TRUE(radios[1]->isChecked());
    radios[0]->click();
    Click("ViewHintCheckBox");
    Click("ApplyButton");
    EXPECT_EQ(config.MaxCount, 250);
    EXPECT_EQ(config.DiesCount, 7);
    EXPECT_EQ(config.PauseHint, 3000);
    EXPECT_EQ(config.LogWord, 0);
    EXPECT_EQ(target.calls,
              (QStringList{QStringLiteral("KeepRunLog 1"), QStringLiteral("SetLogWordForm 0"),
                           QStringLiteral("SetHints 0 500 3000"), QStringLiteral("SetStepInterval 1000")}));
}

TEST_F(ConfigDialogTest, FailingSideEffectsDoNotStopTheOthers) {
    target.failLog = true;
    target.failInterval = true;
    config.RunSpeed = 300;
    Open();
    Click("OKButton");
    EXPECT_EQ(target.calls,
              (QStringList{QStringLiteral("KeepRunLog 1"), QStringLiteral("SetHints 1 500 2500"),
                           QStringLiteral("SetStepInterval 300"), QStringLiteral("SetStepInterval 1000")}));
    EXPECT_EQ(config.RunSpeed, 300);
}

TEST_F(ConfigDialogTest, CountDiesEditTakesOneToTwoDigits) {
    Open();
    QLineEdit* edit = Edit("CountDiesEdit");
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    Retype("CountDiesEdit", QStringLiteral("123"));
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    Retype("CountDiesEdit", QStringLiteral("0"));
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_EQ(prompts.asterisks, 0);
    QTest::keyClicks(edit, QStringLiteral("x "));
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    EXPECT_EQ(prompts.asterisks, 2);
    // Deleting every digit brings back the last valid value.
    Retype("CountDiesEdit", QStringLiteral("9"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("9"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("10"));
}

TEST_F(ConfigDialogTest, PastedTextIsClampedOrReplaced) {
    config.SetPeriodHint(700);
    Open();
    QLineEdit* edit = Edit("PeriodHintEdit");
    EXPECT_EQ(edit->text(), QStringLiteral("700"));
    const QString cases[][2] = {{QStringLiteral("abc"), QStringLiteral("700")},
                                {QStringLiteral("45000"), QStringLiteral("30000")},
                                {QStringLiteral("4x"), QStringLiteral("30000")}};
    for (const auto& c : cases) {
        QApplication::clipboard()->setText(c[0]);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), c[1]) << c[0].toStdString();
    }
    EXPECT_EQ(prompts.asterisks, 0);
}

TEST_F(ConfigDialogTest, PausedRunKeepsTheBlankLimitFromShrinking) {
    config.SetDiesCount(5);
    Open(true);
    auto* upDown = Find<TUpDown>("CountDiesUpDown");
    EXPECT_EQ(upDown->Minimum(), 5);
    Retype("CountDiesEdit", QStringLiteral("3"));
    EXPECT_EQ(Edit("CountDiesEdit")->text(), QStringLiteral("5"));
    upDown->DownButton()->click();
    EXPECT_EQ(Edit("CountDiesEdit")->text(), QStringLiteral("5"));
    upDown->UpButton()->click();
    EXPECT_EQ(Edit("CountDiesEdit")->text(), QStringLiteral("6"));

    Open(false);
    EXPECT_EQ(Find<TUpDown>("CountDiesUpDown")->Minimum(), 1);
}

TEST_F(ConfigDialogTest, IntervalTextAndStepTimer) {
    TLocaleScope russian{QLocale(QLocale::Russian, QLocale::Russia)};
    Open();
    auto* label = Find<QLabel>("SpeedLabel");
    EXPECT_EQ(label->text(), QStringLiteral("1,00 сек."));
    auto* bar = Find<QSlider>("SpeedTrackBar");
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    QTest::keyClick(bar, Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 2000);
    bar->setValue(2500);
    EXPECT_EQ(label->text(), QStringLiteral("2,50 сек."));
    Click("OKButton");
    EXPECT_EQ(config.RunSpeed, 2500);
    EXPECT_EQ(target.calls.last(), QStringLiteral("SetStepInterval 2500"));

    TLocaleScope english{QLocale(QLocale::English, QLocale::UnitedStates)};
    EXPECT_EQ(TConfigDialog::IntervalText(10000), QStringLiteral("10.00 сек."));
}

TEST_F(ConfigDialogTest, CtrlTabCyclesPagesWithWrap) {
    TConfigDialog& d = Open();
    d.SetPage(TConfigPage::Log);
    QWidget* focus = Edit("CountEdit");
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(d.Page(), TConfigPage::General);
    QTest::keyClick(focus, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(d.Page(), TConfigPage::Log);
    QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(d.Page(), TConfigPage::Colors);
    QTest::keyClick(focus, Qt::Key_Tab);
    EXPECT_EQ(d.Page(), TConfigPage::Colors);
}

TEST_F(ConfigDialogTest, CancelAfterApplyKeepsTheAppliedValues) {
    ASSERT_TRUE(config.UseBreak && config.Exit);
    TConfigPage shownPage = TConfigPage::General;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TConfigDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        shownPage = d->Page();
        d->findChild<QCheckBox*>(QStringLiteral("UseBreakCheckBox"))->click();
        d->findChild<QPushButton*>(QStringLiteral("ApplyButton"))->click();
        d->findChild<QCheckBox*>(QStringLiteral("ExitCheckBox"))->click();
        d->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    EXPECT_FALSE(ExecuteConfigDialog(nullptr, config, prompts, target, TConfigPage::Log));
    EXPECT_EQ(shownPage, TConfigPage::Log);
    EXPECT_FALSE(config.UseBreak);
    EXPECT_TRUE(config.Exit);
    EXPECT_EQ(target.calls.last(), QStringLiteral("RefreshBreakMarks"));

    // Unchanged UseBreak: the marks stay as they are.
    target.calls.clear();
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("OKButton")->click(); });
    EXPECT_TRUE(ExecuteConfigDialog(nullptr, config, prompts, target));
    EXPECT_FALSE(target.calls.contains(QStringLiteral("RefreshBreakMarks")));
}

TEST_F(ConfigDialogTest, ColourGridShowsAndChangesThePairs) {
    TConfigDialog& d = Open();
    auto* grid = Find<QTableWidget>("ColorGrid");
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r)
        rows << grid->item(r, 0)->text();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Активная контрольная точка"),
                                 QStringLiteral("Неактивная контрольная точка"), QStringLiteral("Текущая команда"),
                                 QStringLiteral("Текущая контрольная точка"), QStringLiteral("Ошибка")}));
    EXPECT_EQ(Find<QPushButton>("FontButton")->text(), QStringLiteral("Цвет &шрифта"));
    EXPECT_EQ(Find<QPushButton>("BackgroundButton")->text(), QStringLiteral("Цвет &фона"));

    // Each row is painted on its own background: green, cyan, blue, magenta, red by default.
    d.SetPage(TConfigPage::Colors);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const QImage image = grid->viewport()->grab().toImage();
    const QColor backgrounds[] = {Qt::green, Qt::cyan, Qt::blue, Qt::magenta, Qt::red};
    for (int r = 0; r < 5; ++r) {
        const QRect cell = grid->visualItemRect(grid->item(r, 0));
        const QPoint corner = QPoint(cell.right() - 4, cell.center().y()) * image.devicePixelRatio();
        EXPECT_EQ(image.pixelColor(corner), backgrounds[r]) << r;
    }

    // The colour dialog: confirmed, cancelled, then reopened on the last confirmed colour.
    QColor startedOn;
    auto answer = [&](const QColor& colour) {
        QTimer::singleShot(0, [&startedOn, colour] {
            auto* chooser = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            startedOn = chooser->currentColor();
            if (colour.isValid()) {
                chooser->setCurrentColor(colour);
                chooser->accept();
            } else {
                chooser->reject();
            }
        });
    };
    grid->setCurrentCell(4, 0);
    answer(QColor(0x12, 0x34, 0x56));
    Click("FontButton");
    EXPECT_EQ(startedOn, QColor(Qt::black));
    EXPECT_EQ(d.WorkColours()[4].font, 0x563412);
    // The hidden entries' keys act while the page is in front of the active dialog.
    auto shortcut = [&](Qt::Key key, const QColor& colour) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        answer(colour);
        QTest::keyClick(&d, key, Qt::AltModifier);
    };
    shortcut(Qt::Key_A, QColor());
    EXPECT_EQ(startedOn, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(d.WorkColours()[4].background, 0x0000FF);
    shortcut(Qt::Key_I, QColor(Qt::yellow));
    EXPECT_EQ(d.WorkColours()[4].font, 0x00FFFF);
    answer(QColor(Qt::white));
    Click("BackgroundButton");
    Click("ApplyButton");
    EXPECT_EQ(config.ErrorFont, 0x00FFFF);
    EXPECT_EQ(config.ErrorBackground, 0xFFFFFF);
    EXPECT_EQ(config.EnableBreakBackground, 0x00FF00);
}

} // namespace
