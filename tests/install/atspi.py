"""Reads the running program's windows as a screen reader does, through AT-SPI: every control of the main
window has a name, the main ones have the names and hints the window gives them, and the tape reads as text;
the windows opened from the menu are windows with their titles, every control in them has a name and a
description, and the test set's count line reads its count."""
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
    dismiss_load_report(app)
    for title, expected in NEW_WINDOWS:
        check_window(app, window, title, expected, faults)
    check_count_line(app, faults)
    for fault in faults:
        print("FAIL:", fault)
    print("read %d controls: %s" % (len(found), ", ".join(c.name for c in found)))
    return 1 if faults else 0


# What a screen reader must hear in each window the menu opens: (role, name, description) of its main controls.
NEW_WINDOWS = [
    ("таблица переходов", [
        ("table", "Таблица переходов", "Команды машины: строки — символы, столбцы — состояния"),
    ]),
    ("проверка на наборе слов", [
        ("label", "Итог проверки: нет", "Итог проверки набора слов"),
        ("table", "Набор слов", "Слова, ожидаемые результаты и итоги проверки"),
        ("spin button", "Предел шагов:", "Наибольшее число шагов машины на одном слове"),
        ("push button", "Проверить", "Проверка машины на всех словах набора"),
        ("progress bar", "Ход проверки", "Доля проверенных слов"),
    ]),
    ("диаграмма состояний", [
        ("filler", "Диаграмма состояний",
         "Состояния и команды машины; Tab и стрелки выбирают их по очереди, Enter изменяет, Del удаляет, "
         "Insert добавляет состояние, Ctrl+Insert - команду"),
        ("filler", "Рисунок диаграммы", "Граф машины: узлы — состояния, стрелки — команды"),
        ("tool bar", "Панель диаграммы", "Масштаб и сохранение диаграммы"),
        ("push button", "Крупнее", "Увеличение диаграммы"),
    ]),
    ("отчет", [
        ("table", "Отчет", "Строки отчета о работе машины"),
    ]),
]


def dismiss_load_report(app):
    """The report on the loaded file is modal: while it is up the menu's commands wait for the machine."""
    for _ in range(50):
        for w in app:
            if w is not None and w.name == "Загрузка файла":
                for c in w:
                    if c is not None and c.name == "ОК":
                        c.queryAction().doAction(0)
                        return
        time.sleep(0.1)


def menu_item(node, name):
    for child in node:
        if child is None:
            continue
        role = child.getRoleName()
        if role == "menu item" and child.name == name:
            return child
        if role in ("menu bar", "menu item", "popup menu"):
            found = menu_item(child, name)
            if found is not None:
                return found
    return None


def wait_for_window(app, title, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for w in app:
            if w is not None and w.name.lower().startswith(title):
                return w
        time.sleep(0.2)
    return None


def shown_controls(node, found):
    """Every control on the screen: what a container (a filler, a tool bar) holds, and the container itself
    when it is named; the cells of tables and lists are the tables' own."""
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        role = child.getRoleName()
        if role in ("filler", "tool bar", "panel"):
            if child.name or child.description or role != "filler":
                found.append(child)
            shown_controls(child, found)
        elif role != "separator":
            found.append(child)
    return found


def check_window(app, main, title, expected, faults):
    # The menus' entries are enabled once the machine has loaded and its load report is closed.
    item = None
    window = None
    deadline = time.time() + 30
    while window is None and time.time() < deadline:
        item = menu_item(main, title)
        if item is None or not item.getState().contains(pyatspi.STATE_SENSITIVE):
            time.sleep(0.2)
            continue
        item.queryAction().doAction(0)
        window = wait_for_window(app, title, 5)
    if window is None:
        faults.append("%r opened no window (%s)" % (title, "no such menu item" if item is None else "pressed"))
        return
    if window.getRoleName() != "frame":
        faults.append("%r is a %s, not a window (frame)" % (window.name, window.getRoleName()))
    found = shown_controls(window, [])
    for c in found:
        if not c.name:
            faults.append("%s: a %s without a name (%s)" % (window.name, c.getRoleName(), c.description))
        elif not c.description and c.getRoleName() != "label":
            faults.append("%s: the %s %r without a description" % (window.name, c.getRoleName(), c.name))
    shown = {(c.getRoleName(), c.name): c for c in found}
    for role, name, description in expected:
        c = shown.get((role, name))
        if c is None:
            faults.append("%s: no %s named %r" % (window.name, role, name))
        elif c.description != description:
            faults.append("%s: %r is described as %r" % (window.name, name, c.description))
    print("%s: %s" % (window.name, ", ".join("%s %r" % (c.getRoleName(), c.name) for c in found)))


def check_count_line(app, faults):
    """The set beside the machine file is checked; the count line then reads the count."""
    window = wait_for_window(app, "проверка на наборе слов")
    if window is None:
        return
    found = {(c.getRoleName(), c.name): c for c in shown_controls(window, [])}
    button = found.get(("push button", "Проверить"))
    if button is None:
        return
    button.queryAction().doAction(0)
    line = None
    deadline = time.time() + 20
    while time.time() < deadline:
        line = [c.name for c in shown_controls(window, []) if c.description == "Итог проверки набора слов"]
        if line and line[0] == "2 из 2 пройдено":
            return
        time.sleep(0.2)
    faults.append("the count line reads %r after the check" % line)


sys.exit(main())
