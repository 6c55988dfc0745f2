#include "log/logform.h"
#include "window/tapeview.h"
#include "windowdriver.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolTip>

namespace {

template <class T>
T* In(const QDialog* d, const char* name) {
    T* child = d->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Settings colours are 0x00BBGGRR.
int Bgr(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

// Counts the paintings of a widget.
class TPaintCounter : public QObject {
public:
    explicit TPaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

class ConfigForm : public TWindowDriver {
protected:
    TLogForm* Log() const { return form->findChild<TLogForm*>(QStringLiteral("LogForm")); }

    // F11, `drive` in the dialog, then Enter (OK).
    void InSettings(const std::function<void(QDialog*)>& drive) {
        WhenShown([drive](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Параметры"));
            drive(d);
            Press(Qt::Key_Return);
            EXPECT_FALSE(d->isVisible());
        });
        Press(Qt::Key_F11);
    }

    // Picks the colour in the colour dialog that `button` opens.
    static void ChooseColour(QDialog* d, const char* button, const QColor& colour) {
        WhenShown([colour](QDialog* chooser) {
            auto* colours = qobject_cast<QColorDialog*>(chooser);
            ASSERT_NE(colours, nullptr);
            colours->setCurrentColor(colour);
            colours->accept();
        });
        In<QPushButton>(d, button)->click();
    }

    static bool HintShown(QWidget* widget) {
        QToolTip::hideText();
        QHelpEvent show(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &show);
        return QToolTip::isVisible() && QToolTip::text() == widget->toolTip();
    }
};

} // namespace

// "Вести отчет" off destroys the run log window and disables its entries; the run goes on without it.
TEST_F(ConfigForm, KeepingAReportCreatesAndDestroysTheRunLogWindow) {
    DefineInversion(QStringLiteral("01"));
    ASSERT_NE(Log(), nullptr);
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        InSettings([](QDialog* d) {
            // Ctrl+Shift+Tab on the first page brings the last one, "Отчет", to the front.
            Press(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab);
            auto* pages = In<QTabWidget>(d, "PageControl");
            EXPECT_EQ(pages->tabText(pages->currentIndex()), QStringLiteral("Отчет"));
            In<QCheckBox>(d, "ViewLogCheckBox")->setFocus();
            Press(Qt::Key_Space);
        });
        EXPECT_EQ(Log() != nullptr, on);
        EXPECT_EQ(Action("LogView")->isEnabled(), on);
        EXPECT_EQ(Action("LogSave")->isEnabled(), on);
        EXPECT_EQ(form->Config().ViewLog, on);

        prompts.Answer(TAnswer::Ok);
        Press(Qt::Key_F9);
        EXPECT_EQ(RunToEnd(), 3);
        EXPECT_EQ(prompts.boxes.takeLast(), HaltBox(QStringLiteral("end"), QStringLiteral("#")));
    }
}

// The step timer, the hints and the colours of the marks change as soon as the dialog closes.
TEST_F(ConfigForm, TimerHintsAndColoursTakeEffectAtOnce) {
    DefineInversion(QStringLiteral("01"));
    // A command from a state that does not exist carries the error mark.
    form->Machine().AddCommand(QStringLiteral("x"), QStringLiteral("0"), QStringLiteral("q0"), QStringLiteral("0"),
                               MoveStayText);
    auto* commands = Child<QTableView>("CommandListView");
    const QModelIndex faulty = commands->model()->index(3, 0);
    ASSERT_NE(form->Machine().Commands()[3].mark & MarkError, 0);
    auto* abc = Child<QLineEdit>("ABCEdit");
    ASSERT_TRUE(HintShown(abc));
    QCoreApplication::processEvents();
    auto* listPaints = new TPaintCounter(commands->viewport());
    auto* tapePaints = new TPaintCounter(form->TapeView());

    const QColor text(1, 2, 3);
    const QColor background(200, 100, 50);
    InSettings([&](QDialog* d) {
        // Run page: the track bar from 10000 down to 2500 by its page key.
        Press(Qt::CTRL | Qt::Key_Tab);
        In<QSlider>(d, "SpeedTrackBar")->setFocus();
        for (int i = 0; i < 15; ++i)
            Press(Qt::Key_PageDown);
        // Colour page: the error row.
        Press(Qt::CTRL | Qt::Key_Tab);
        Press(Qt::CTRL | Qt::Key_Tab);
        In<QTableWidget>(d, "ColorGrid")->setCurrentCell(4, 0);
        ChooseColour(d, "FontButton", text);
        ChooseColour(d, "BackgroundButton", background);
        // General page: hints after 700 ms, then off.
        Press(Qt::CTRL | Qt::Key_Tab);
        Press(Qt::CTRL | Qt::Key_Tab);
        In<QLineEdit>(d, "PeriodHintEdit")->setFocus();
        Press(Qt::CTRL | Qt::Key_A);
        Type(QStringLiteral("700"));
        In<QCheckBox>(d, "ViewHintCheckBox")->setFocus();
        Press(Qt::Key_Space);
    });
    EXPECT_EQ(Child<QTimer>("StepTimer")->interval(), 2500);
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 700);
    EXPECT_FALSE(HintShown(abc));
    EXPECT_EQ(form->Config().ErrorFont, Bgr(text));
    EXPECT_EQ(form->Config().ErrorBackground, Bgr(background));
    EXPECT_EQ(faulty.data(Qt::ForegroundRole).value<QColor>(), text);
    EXPECT_EQ(faulty.data(Qt::BackgroundRole).value<QColor>(), background);
    QCoreApplication::processEvents();
    EXPECT_GT(listPaints->paints, 0);
    EXPECT_GT(tapePaints->paints, 0);

    InSettings([](QDialog* d) {
        In<QCheckBox>(d, "ViewHintCheckBox")->setFocus();
        Press(Qt::Key_Space);
    });
    EXPECT_TRUE(HintShown(abc));

    // The timer runs a started machine at the new pace.
    form->Machine().RemoveCommand(3);
    Press(Qt::Key_F9);
    EXPECT_EQ(Child<QTimer>("StepTimer")->interval(), 2500);
    EXPECT_TRUE(Child<QTimer>("StepTimer")->isActive());
    Action("ResetItem")->trigger();
}

// Each key changed in the dialog is in qtm.ini once the window is gone.
TEST_F(ConfigForm, EveryKeyChangedInTheDialogIsInTheIniFileAfterTheWindowGoes) {
    const struct {
        const char* box;
        bool TConfig::*key;
    } flags[] = {{"SaveFileCheckBox", &TConfig::AutoFile},
                 {"SaveDeskTopCheckBox", &TConfig::AutoDeskTop},
                 {"UseBreakCheckBox", &TConfig::UseBreak},
                 {"HistoryCheckBox", &TConfig::History},
                 {"SaveFileRunCheckBox", &TConfig::SaveFileRun},
                 {"DelBreakCheckBox", &TConfig::DelBreak},
                 {"DelStateCheckBox", &TConfig::DelState},
                 {"DelCommandCheckBox", &TConfig::DelCommand},
                 {"NormalLoadCheckBox", &TConfig::NormalLoad},
                 {"StopOnBreakCheckBox", &TConfig::StopOnBreak},
                 {"CloseFileCheckBox", &TConfig::CloseFile},
                 {"ExitCheckBox", &TConfig::Exit},
                 // These three disable others: they go last.
                 {"OnlyStepCheckBox", &TConfig::OnlyStep},
                 {"ViewHintCheckBox", &TConfig::ViewHint},
                 {"ViewLogCheckBox", &TConfig::ViewLog}};
    const struct {
        const char* edit;
        int TConfig::*key;
        int value;
    } numbers[] = {{"CountDiesEdit", &TConfig::DiesCount, 7},
                   {"PeriodHintEdit", &TConfig::PeriodHint, 700},
                   {"PauseHintEdit", &TConfig::PauseHint, 900},
                   {"CountEdit", &TConfig::MaxCount, 50}};
    const struct {
        int row;
        int TConfig::*font;
        int TConfig::*background;
    } colours[] = {{0, &TConfig::EnableBreakFont, &TConfig::EnableBreakBackground},
                   {1, &TConfig::DisableBreakFont, &TConfig::DisableBreakBackground},
                   {2, &TConfig::ActiveCommandFont, &TConfig::ActiveCommandBackground},
                   {3, &TConfig::ActiveBreakFont, &TConfig::ActiveBreakBackground},
                   {4, &TConfig::ErrorFont, &TConfig::ErrorBackground}};
    const auto fontColour = [](int row) { return QColor(10 + row, 20, 30); };
    const auto backgroundColour = [](int row) { return QColor(40, 50 + row, 60); };

    const TConfig before = form->Config();
    ASSERT_TRUE(before.AutoConfig);
    InSettings([&](QDialog* d) {
        for (const auto& n : numbers)
            In<QLineEdit>(d, n.edit)->setText(QString::number(n.value));
        In<QSlider>(d, "SpeedTrackBar")->setValue(2500);
        for (QRadioButton* item : d->findChildren<QRadioButton*>())
            if (item->text() == QStringLiteral("Минимальная длина"))
                item->click();
        for (const auto& c : colours) {
            In<QTableWidget>(d, "ColorGrid")->setCurrentCell(c.row, 0);
            ChooseColour(d, "FontButton", fontColour(c.row));
            ChooseColour(d, "BackgroundButton", backgroundColour(c.row));
        }
        for (const auto& f : flags)
            In<QCheckBox>(d, f.box)->click();
        In<QPushButton>(d, "OKButton")->setFocus();
    });
    const QString dirLog = form->Config().DirLog;
    form.reset();

    TConfig read(dir.path());
    ASSERT_TRUE(read.LoadSettings());
    for (const auto& f : flags)
        EXPECT_EQ(read.*f.key, !(before.*f.key)) << f.box;
    for (const auto& n : numbers)
        EXPECT_EQ(read.*n.key, n.value) << n.edit;
    for (const auto& c : colours) {
        EXPECT_EQ(read.*c.font, Bgr(fontColour(c.row))) << c.row;
        EXPECT_EQ(read.*c.background, Bgr(backgroundColour(c.row))) << c.row;
    }
    EXPECT_EQ(read.RunSpeed, 2500);
    EXPECT_EQ(read.LogWord, 0);
    EXPECT_TRUE(read.AutoConfig);
    EXPECT_EQ(read.Dir, dir.path());
    EXPECT_EQ(read.DirLog, dirLog);
}
