#include "window/accessibility.h"

#include "machine/engine.h"
#include "machine/machine.h"
#include "window/mainform.h"
#include "window/runlamp.h"
#include "window/tapeview.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

QString RunStateText(RunState state) {
    switch (state) {
    case Ready:
        return QStringLiteral("Машина остановлена");
    case Running:
        return QStringLiteral("Машина работает");
    case Paused:
        return QStringLiteral("Машина приостановлена");
    case NoMachine:
        break;
    }
    return QStringLiteral("Машина не задана");
}

// The tape as one line of text, the caret on the head's cell. Read-only: the tape changes only by a run.
class TTapeAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    TTapeAccessible(QWidget* view, const TMachine& machine)
        : QAccessibleWidget(view, QAccessible::StaticText), machine_(machine) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return QStringLiteral("Лента");
        case QAccessible::Description:
            return TapeDescription(machine_);
        case QAccessible::Value:
            return Cells();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // QAccessibleTextInterface
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override {
        const int head = machine_.HeadCell();
        return head >= 0 && head < machine_.Tape().size() ? head : 0;
    }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        return Cells().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(machine_.Tape().size()); }
    QRect characterRect(int offset) const override {
        const auto* view = static_cast<const TTapeView*>(widget());
        const QRect cell(view->CellLeft(offset), 0, view->CellWidth(), view->height());
        return QRect(view->mapToGlobal(cell.topLeft()), cell.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const auto* view = static_cast<const TTapeView*>(widget());
        const int x = view->mapFromGlobal(point).x() + view->ScrollPos();
        const int cell = view->CellWidth() > 0 ? x / view->CellWidth() : -1;
        return cell >= 0 && cell < characterCount() ? cell : -1;
    }
    void scrollToSubstring(int startIndex, int) override {
        static_cast<TTapeView*>(widget())->KeepCellInView(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return QString();
    }

private:
    QString Cells() const {
        QString cells;
        for (const TTapeCell& c : machine_.Tape())
            cells.append(c.symbol);
        return cells;
    }

    const TMachine& machine_;
};

// A status bar panel: its text when it shows one, otherwise what it would show.
class TStatusPanelAccessible : public QAccessibleWidget {
public:
    TStatusPanelAccessible(QLabel* label, QString empty, QString description)
        : QAccessibleWidget(label, QAccessible::StaticText), empty_(std::move(empty)),
          description_(std::move(description)) {}

    QString text(QAccessible::Text t) const override {
        const QString shown = static_cast<const QLabel*>(widget())->text();
        switch (t) {
        case QAccessible::Name:
            return shown.isEmpty() ? empty_ : shown;
        case QAccessible::Value:
            return shown;
        case QAccessible::Description:
            return description_.isEmpty() ? QAccessibleWidget::text(t) : description_;
        default:
            return QAccessibleWidget::text(t);
        }
    }

private:
    QString empty_;
    QString description_;
};

// The run lamp speaks its colour as the run state it stands for.
class TRunLampAccessible : public QAccessibleWidget {
public:
    explicit TRunLampAccessible(TRunLamp* lamp) : QAccessibleWidget(lamp, QAccessible::Indicator) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return RunStateText(static_cast<const TRunLamp*>(widget())->state);
        case QAccessible::Description:
            return QStringLiteral("Индикатор работы машины");
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const QString name = widget->objectName();
    if (auto* view = qobject_cast<TTapeView*>(widget)) {
        if (auto* form = qobject_cast<TMainForm*>(view->window()))
            return new TTapeAccessible(view, form->Machine());
        return nullptr;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (name == QLatin1String("StatusPanel0"))
            return new TStatusPanelAccessible(label, QStringLiteral("Символ:"), QStringLiteral("Символ под головкой"));
        if (name == QLatin1String("StatusPanel1"))
            return new TStatusPanelAccessible(label, QStringLiteral("Состояние: нет"),
                                              QStringLiteral("Состояние машины во время работы"));
        if (name == QLatin1String("StatusPanel2"))
            return new TStatusPanelAccessible(label, QStringLiteral("Шаг: нет"),
                                              QStringLiteral("Номер шага во время работы"));
        // The test-set window's count line, empty until a check.
        if (name == QLatin1String("SummaryLabel") && label->window()->objectName() == QLatin1String("TestSetForm"))
            return new TStatusPanelAccessible(label, QStringLiteral("Итог проверки: нет"), QString());
        return nullptr;
    }
    // A window of the program's own that is neither a dialog nor the main window is read as a window with
    // its title, not as an unnamed part of the screen.
    if (widget->windowType() == Qt::Window && widget->metaObject()->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (name == QLatin1String("RunLamp") && widget->parentWidget())
        if (auto* lamp = dynamic_cast<TRunLamp*>(widget))
            return new TRunLampAccessible(lamp);
    return nullptr;
}

void Describe(QWidget* window, const char* objectName, const QString& name, const QString& description) {
    auto* w = window->findChild<QWidget*>(QString::fromLatin1(objectName));
    if (!w)
        return;
    if (!name.isEmpty())
        w->setAccessibleName(name);
    w->setAccessibleDescription(description);
}

} // namespace

QString TapeDescription(const TMachine& machine) {
    QString text = QStringLiteral("Символ под головкой: ") + machine.CurrentSymbol();
    const RunState state = machine.GetRunState();
    if (state == Running || state == Paused)
        text += QStringLiteral(", состояние: ") + machine.CurrentState() + QStringLiteral(", шаг ") +
                QString::number(machine.StepNumber());
    return text;
}

void AssignAccessibleNames(TMainForm& window) {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    Q_UNUSED(installed);
    // Qt may have made the stock interfaces already (a label's first text change asks for one); they
    // are dropped so that the next question finds the ones made here.
    for (const char* name : {"WordPanel", "StatusPanel0", "StatusPanel1", "StatusPanel2", "RunLamp"}) {
        QWidget* w = window.findChild<QWidget*>(QLatin1String(name));
        if (!w)
            continue;
        QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w);
        if (made && !dynamic_cast<TTapeAccessible*>(made) && !dynamic_cast<TStatusPanelAccessible*>(made) &&
            !dynamic_cast<TRunLampAccessible*>(made))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }

    Describe(&window, "ABCEdit", QStringLiteral("Алфавит"), QStringLiteral("Символы алфавита"));
    Describe(&window, "WordEdit", QStringLiteral("Слово"), QStringLiteral("Слово для распознания"));
    Describe(&window, "CommandListView", QStringLiteral("Команды"), QStringLiteral("Список команд"));
    Describe(&window, "BegStateComboBox", QStringLiteral("Начальное состояние"), QStringLiteral("Начальное состояние"));
    Describe(&window, "StateListBox", QStringLiteral("Состояния"), QStringLiteral("Список состояний"));
    Describe(&window, "StartButton", QStringLiteral("Старт"), QStringLiteral("Запуск машины Тьюринга"));
    Describe(&window, "NextStepButton", QStringLiteral("Следующий шаг"),
             QStringLiteral("Выполнение одного шага машины Тьюринга"));
    Describe(&window, "ResetButton", QStringLiteral("Сброс"), QStringLiteral("Прекращение работы машины Тьюринга"));
    // Its caption changes between break and go on, and is its name.
    Describe(&window, "BreakButton", QString(), QStringLiteral("Прерывание-продолжение работы машины Тьюринга"));
    Describe(&window, "ScrollBar", QStringLiteral("Прокрутка ленты"), QStringLiteral("Сдвигает видимую часть ленты"));
    // A scroll bar takes no focus by default; the tape must scroll without a mouse too.
    if (auto* scroll = window.findChild<QWidget*>(QStringLiteral("ScrollBar")))
        scroll->setFocusPolicy(Qt::StrongFocus);

    QWidget* tape = window.TapeView();
    QWidget* lamp = window.findChild<QWidget*>(QStringLiteral("RunLamp"));
    const TMachine& machine = window.Machine();
    const TEngine& engine = window.Engine();
    // The tape's description as last told: setting it sends assistive technology the change. One step
    // changes the symbol, the state and the step one after another; they are told once, together.
    auto pending = std::make_shared<bool>(false);
    auto announce = [tape, &machine, pending] {
        if (*pending)
            return;
        *pending = true;
        QTimer::singleShot(0, tape, [tape, &machine, pending] {
            *pending = false;
            tape->setAccessibleDescription(TapeDescription(machine));
            QAccessibleTextCursorEvent caret(tape, std::max(0, machine.HeadCell()));
            QAccessible::updateAccessibility(&caret);
        });
    };
    QObject::connect(&window.Engine(), &TEngine::runStateChanged, tape, [lamp, announce](RunState old, RunState now) {
        if (lamp) {
            QAccessibleEvent lampEvent(lamp, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&lampEvent);
        }
        // While the machine runs the tape changes too fast to be spoken; a pause or a stop is told.
        if (now == Paused || (now == Ready && (old == Running || old == Paused)))
            announce();
    });
    // A step taken while paused (Next step) is told as well.
    QObject::connect(&machine, &TMachine::statusChanged, tape, [&engine, announce] {
        if (engine.GetRunState() == Paused)
            announce();
    });
}
