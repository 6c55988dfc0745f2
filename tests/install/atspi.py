"""Reads the running program's main window as a screen reader does, through AT-SPI: every control has a
name, the main ones have the names and hints the window gives them, and the tape reads as text."""
import sys
import time

import pyatspi


def find_app(name, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name and app.childCount > 0:
                return app
        time.sleep(0.2)
    return None


def controls(node, found):
    for child in node:
        if child is None:
            continue
        role = child.getRoleName()
        if role in ("menu bar", "filler", "status bar"):
            controls(child, found)
        elif role != "frame" or child.parent.getRoleName() != "application":
            found.append(child)
    return found


def main():
    app = find_app("qtm", float(sys.argv[1]) if len(sys.argv) > 1 else 30)
    if app is None:
        print("FAIL: the program did not appear on the accessibility bus")
        return 1
    window = app[0]
    found = [c for c in controls(window, []) if c.getRoleName() != "menu item"]
    shown = {(c.getRoleName(), c.name): c for c in found}
    faults = []
    for c in found:
        if not c.name:
            faults.append("a %s without a name (%s)" % (c.getRoleName(), c.description))
    expected = [
        ("text", "Алфавит", "Символы алфавита"),
        ("text", "Слово", "Слово для распознания"),
        ("table", "Команды", "Список команд"),
        ("list", "Состояния", "Список состояний"),
        ("push button", "Старт", "Запуск машины Тьюринга"),
        ("push button", "Следующий шаг", "Выполнение одного шага машины Тьюринга"),
        ("push button", "Сброс", "Прекращение работы машины Тьюринга"),
        ("scroll bar", "Прокрутка ленты", "Сдвигает видимую часть ленты"),
        ("label", "Лента", "Символ под головкой: 0"),
    ]
    for role, name, description in expected:
        c = shown.get((role, name))
        if c is None:
            faults.append("no %s named %r" % (role, name))
        elif c.description != description:
            faults.append("%r is described as %r" % (name, c.description))
    tape = shown.get(("label", "Лента"))
    if tape is not None:
        text = tape.queryText()
        if text.getText(0, -1) != "#0110#" or text.caretOffset != 1:
            faults.append("the tape reads %r, caret %d" % (text.getText(0, -1), text.caretOffset))
    for fault in faults:
        print("FAIL:", fault)
    print("read %d controls: %s" % (len(found), ", ".join(c.name for c in found)))
    return 1 if faults else 0


sys.exit(main())
