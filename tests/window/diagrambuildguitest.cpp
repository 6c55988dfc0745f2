#include "diagram/diagramform.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

class DiagramBuild : public TWindowDriver {
protected:
    // A new machine with its alphabet and word typed; the states and commands come after.
    static void NewMachine() {
        Press(Qt::CTRL | Qt::Key_N);
        Press(Qt::CTRL | Qt::Key_K);
        Type(QStringLiteral("01"));
        Press(Qt::CTRL | Qt::Key_J);
        Type(QStringLiteral("0110"));
    }

    // The initial state from the chooser, then the file saved under the name given.
    void ChooseInitialAndSave(const QString& path) {
        Press(Qt::CTRL | Qt::Key_Y);
        Press(Qt::Key_Down);
        prompts.AnswerFile(path);
        Press(Qt::CTRL | Qt::Key_S);
        ASSERT_EQ(form->FileName(), path);
    }

    static void WaitForPicture(TDiagramForm* diagram) {
        EXPECT_TRUE(QTest::qWaitFor([diagram] { return !diagram->Stale() && !diagram->LayingOut(); }));
    }

    // A double-click on empty space well away from every state: the state dialog, the name typed, Enter.
    static void AddStateOnDiagram(TDiagramForm* diagram, QGraphicsView* view, const QString& name) {
        WaitForPicture(diagram);
        QWidget* viewport = view->viewport();
        QPoint empty;
        for (int y = 40; y < viewport->height() - 40 && empty.isNull(); y += 10)
            for (int x = 40; x < viewport->width() - 40 && empty.isNull(); x += 10)
                if (view->items(QRect(x - 40, y - 40, 80, 80)).isEmpty())
                    empty = QPoint(x, y);
        ASSERT_FALSE(empty.isNull()) << "no room for " << name.toStdString();
        // Apart from the click before, which would make this one a triple click.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        WhenShown([name](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Добавление состояния"));
            Type(name);
            Press(Qt::Key_Return);
        });
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, empty);
        WaitForPicture(diagram);
        EXPECT_FALSE(diagram->StateCentre(name).isNull()) << name.toStdString();
    }

    // An arrow dragged from state to state: the command dialog opens with both states filled in and the
    // focus on the source symbol; the symbols and the move typed, Enter.
    static void AddCommandOnDiagram(TDiagramForm* diagram, QGraphicsView* view, Qt::MouseButton button,
                                    Qt::KeyboardModifiers modifiers, const QString& fields) {
        const QStringList f = fields.split(u'|');
        WaitForPicture(diagram);
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        WhenShown([f](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Добавление команды"));
            EXPECT_EQ(d->findChild<QComboBox*>(QStringLiteral("OldStateComboBox"))->currentText(), f[0]);
            EXPECT_EQ(d->findChild<QComboBox*>(QStringLiteral("NewStateComboBox"))->currentText(), f[2]);
            auto* symbol = d->findChild<QComboBox*>(QStringLiteral("OldABCComboBox"));
            EXPECT_TRUE(QApplication::focusWidget() == symbol || symbol->isAncestorOf(QApplication::focusWidget()));
            Type(f[1]);
            Press(Qt::Key_Tab);
            Press(Qt::Key_Tab);
            Type(f[3]);
            Press(Qt::Key_Tab);
            Type(f[4]);
            Press(Qt::Key_Return);
            EXPECT_FALSE(d->isVisible()) << f.join(u'|').toStdString();
        });
        QWidget* viewport = view->viewport();
        const QPoint from = view->mapFromScene(diagram->StateCentre(f[0]));
        const QPoint to = view->mapFromScene(diagram->StateCentre(f[2]));
        QTest::mousePress(viewport, button, modifiers, from);
        QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, button, modifiers);
        QCoreApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, button, modifiers, to);
    }

    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The second window's settings; it outlives the window, which stores them as it goes.
    QTemporaryDir second;
};

} // namespace

// A machine drawn on the diagram is the machine typed into the lists: the same file, byte for byte.
TEST_F(DiagramBuild, MachineDrawnOnTheDiagramSavesAsTheListsBuildIt) {
    const QStringList commands = {"q0|0|q0|1|вправо", "q0|1|q1|1|вправо", "q1|0|q1|0|влево", "q1|#|end|#|на месте",
                                  "q0|#|end|#|на месте"};
    NewMachine();
    Action("DiagramView")->trigger();
    auto* diagram = form->findChild<TDiagramForm*>(QStringLiteral("DiagramForm"));
    ASSERT_NE(diagram, nullptr);
    auto* view = diagram->findChild<QGraphicsView*>(QStringLiteral("DiagramView"));
    MakeActive(diagram);
    for (const char* state : {"q0", "q1", "end"})
        AddStateOnDiagram(diagram, view, QString::fromLatin1(state));
    for (int i = 0; i < commands.size(); ++i)
        AddCommandOnDiagram(diagram, view, i % 2 ? Qt::LeftButton : Qt::RightButton,
                            i % 2 ? Qt::ShiftModifier : Qt::NoModifier, commands[i]);
    ASSERT_EQ(form->Machine().Commands().size(), commands.size());
    EXPECT_TRUE(prompts.boxes.isEmpty());
    const QString drawn = dir.filePath(QStringLiteral("drawn.qtm"));
    ChooseInitialAndSave(drawn);

    // The same machine in a second main window, through the lists' dialogs.
    form.reset();
    form = std::make_unique<TMainForm>(second.path(), &prompts);
    form->Config().Dir = second.path();
    form->Config().NormalLoad = false;
    form->Config().SaveFileRun = false;
    form->Config().Exit = false;
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    MakeActive(form.get());
    NewMachine();
    for (const char* state : {"q0", "q1", "end"}) {
        WhenShown([state](QDialog*) {
            Type(QString::fromLatin1(state));
            Press(Qt::Key_Return);
        });
        Press(Qt::CTRL | Qt::ALT | Qt::Key_A);
    }
    for (const QString& command : commands) {
        WhenShown([command](QDialog*) {
            const QStringList texts = command.split(u'|');
            for (int i = 0; i < texts.size(); ++i) {
                if (i > 0)
                    Press(Qt::Key_Tab);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
                Type(texts[i]);
            }
            Press(Qt::Key_Return);
        });
        Press(Qt::SHIFT | Qt::CTRL | Qt::Key_A);
    }
    ASSERT_EQ(form->Machine().Commands().size(), commands.size());
    const QString typed = dir.filePath(QStringLiteral("typed.qtm"));
    ChooseInitialAndSave(typed);

    EXPECT_FALSE(Bytes(drawn).isEmpty());
    EXPECT_EQ(Bytes(drawn), Bytes(typed));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("drawn.pos"))));
}
