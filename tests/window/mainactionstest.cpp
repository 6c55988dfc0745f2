#include "formfixture.h"
#include "window/mainform.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace {

struct TEntry {
    const char16_t* menu;
    const char16_t* caption;
    QKeySequence key;
    int helpContext;
};

// Every menu bar entry in order, as a user finds it.
const TEntry MenuEntries[] = {
    {u"Ф&айл", u"&новый", QKeySequence(Qt::CTRL | Qt::Key_N), 3000},
    {u"Ф&айл", u"&открыть", QKeySequence(Qt::CTRL | Qt::Key_O), 3001},
    {u"Ф&айл", u"&импорт", QKeySequence(), 3006},
    {u"Ф&айл", u"&экспорт", QKeySequence(), 3009},
    {u"Ф&айл", u"&закрыть", QKeySequence(Qt::CTRL | Qt::Key_C), 3002},
    {u"Ф&айл", u"&cохранить", QKeySequence(Qt::CTRL | Qt::Key_S), 3003},
    {u"Ф&айл", u"сохранить &как", QKeySequence(), 3004},
    {u"Ф&айл", u"&печать", QKeySequence(Qt::CTRL | Qt::Key_P), 3007},
    {u"Ф&айл", u"экспорт в &HTML", QKeySequence(), 3008},
    {u"Ф&айл", u"&выход", QKeySequence(Qt::ALT | Qt::Key_F4), 3005},
    {u"состояние", u"Добавить", QKeySequence(), 3010},
    {u"состояние", u"Удалить", QKeySequence(), 3012},
    {u"состояние", u"Изменить", QKeySequence(), 3011},
    {u"команды", u"Добавить", QKeySequence(), 3013},
    {u"команды", u"Удалить", QKeySequence(), 3015},
    {u"команды", u"Изменить", QKeySequence(), 3014},
    {u"Р&едактировние", u"&удалить", QKeySequence(), 3016},
    {u"Р&едактировние", u"вы&резать", QKeySequence(Qt::CTRL | Qt::Key_X), 3017},
    {u"Р&едактировние", u"&копировать", QKeySequence(Qt::CTRL | Qt::Key_C), 3018},
    {u"Р&едактировние", u"&вставить", QKeySequence(Qt::CTRL | Qt::Key_V), 3019},
    {u"Р&едактировние", u"&Отменить", QKeySequence(Qt::ALT | Qt::Key_Backspace), 3020},
    {u"Р&едактировние", u"&Повторить", QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Backspace), 3021},
    {u"В&ыполнение", u"ста&рт", QKeySequence(Qt::Key_F9), 1004},
    {u"В&ыполнение", u"с&брос", QKeySequence(Qt::CTRL | Qt::Key_F2), 1006},
    {u"В&ыполнение", u"нача&ть", QKeySequence(Qt::Key_F12), 1007},
    {u"В&ыполнение", u"сле&дующий шаг", QKeySequence(Qt::Key_F8), 1005},
    {u"В&ыполнение", u"шаг &назад", QKeySequence(Qt::SHIFT | Qt::Key_F8), 1008},
    {u"В&ыполнение", u"до &конца", QKeySequence(Qt::SHIFT | Qt::Key_F9), 1010},
    {u"Сер&вис", u"&контрольные точки", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B), 3030},
    {u"Сер&вис", u"проверка &данных", QKeySequence(Qt::CTRL | Qt::Key_F9), 3031},
    {u"Сер&вис", u"&таблица переходов", QKeySequence(Qt::CTRL | Qt::Key_T), 3039},
    {u"Сер&вис", u"проверка на &наборе слов", QKeySequence(), 3038},
    {u"Сер&вис", u"&Задачник", QKeySequence(), 3070},
    {u"Сер&вис", u"Открыть зада&чник…", QKeySequence(), 3071},
    {u"Сер&вис", u"&отчет", QKeySequence(Qt::Key_F6), 3032},
    {u"Сер&вис", u"&сохранить отчет", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S), 3033},
    {u"Сер&вис", u"&диаграмма состояний", QKeySequence(Qt::Key_F7), 3037},
    {u"Сер&вис", u"&ход вычисления", QKeySequence(), 3072},
    {u"Сер&вис", u"с&ложность", QKeySequence(), 3073},
    {u"Сер&вис", u"п&араметры", QKeySequence(Qt::Key_F11), 3034},
    {u"Сер&вис", u"сохранить &параметры", QKeySequence(Qt::SHIFT | Qt::Key_F11), 3035},
    {u"Сер&вис", u"сохранить &рабочий стол", QKeySequence(Qt::CTRL | Qt::Key_F11), 3036},
    {u"Помощ&ь", u"&теория", QKeySequence(), 3040},
    {u"Помощ&ь", u"&содержание", QKeySequence(Qt::CTRL | Qt::Key_F1), 3041},
    {u"Помощ&ь", u"&помощь", QKeySequence(), 3042},
    {u"Помощ&ь", u"&что это такое", QKeySequence(Qt::SHIFT | Qt::Key_F1), 3043},
    {u"Помощ&ь", u"&о программе", QKeySequence(), 3044},
};

void Collect(QMenu* menu, QList<TEntry>& found, QList<QString>& texts) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        if (a->menu()) {
            Collect(a->menu(), found, texts);
            continue;
        }
        texts << menu->title() << a->text();
        found.append({nullptr, nullptr, a->shortcut(), a->property(HelpContextProperty).toInt()});
    }
}

using MainActions = TFormFixture;

} // namespace

TEST_F(MainActions, MenusHoldEveryEntryWithItsKeyAndHelpContext) {
    QList<TEntry> found;
    QList<QString> texts;
    for (QAction* top : form->menuBar()->actions())
        Collect(top->menu(), found, texts);
    ASSERT_EQ(found.size(), int(std::size(MenuEntries)));
    for (int i = 0; i < found.size(); ++i) {
        const TEntry& want = MenuEntries[i];
        SCOPED_TRACE(QString::fromUtf16(want.caption).toStdString());
        EXPECT_EQ(texts[2 * i], QString::fromUtf16(want.menu));
        EXPECT_EQ(texts[2 * i + 1], QString::fromUtf16(want.caption));
        EXPECT_EQ(found[i].key, want.key);
        EXPECT_EQ(found[i].helpContext, want.helpContext);
    }
}

// The state and command entries show no key; hidden copies carry the keys that work anywhere in the window.
TEST_F(MainActions, HiddenCopiesCarryTheEditingKeys) {
    const QList<QKeySequence> keys{
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A),   QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E),   QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A),
        QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E)};
    for (const QKeySequence& key : keys) {
        int found = 0;
        for (QAction* a : form->actions())
            found += a->shortcut() == key;
        EXPECT_EQ(found, 1) << key.toString().toStdString();
    }
}

TEST_F(MainActions, PopUpMenusCarryTheListsOwnKeys) {
    const struct {
        const char* list;
        QList<QKeySequence> keys;
    } lists[] = {{"StateListBox", {Qt::Key_Insert, Qt::Key_F4, Qt::Key_Delete}},
                 {"CommandListView", {Qt::Key_Insert, Qt::Key_F4, Qt::Key_Delete}},
                 {"WordPanel", {QKeySequence(Qt::CTRL | Qt::Key_W)}}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.list);
        QList<QKeySequence> keys;
        for (QAction* a : form->findChild<QWidget*>(QString::fromLatin1(l.list))->actions())
            keys << a->shortcut();
        EXPECT_EQ(keys, l.keys);
    }
}
