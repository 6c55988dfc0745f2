#!/usr/bin/env python3
"""Writes the shipped task book and the machines that check it.

Each task below holds its statement, its words with the answers computed here in Python (independently of any
machine), the words the task allows up to a small length, and two right solutions written by different methods
(an optional plausible wrong one too). The script runs the machines under the simulator's rules (halt when no
command applies; the head may go at most DiesCount cells beyond the word) and refuses to write anything unless
both solutions are right on every allowed word and every row.

It then changes each solution one rule at a time, as TaskAdequacyTest does (the rule deleted, its new state, its
written symbol or its move changed to each other value), and adds to the set the shortest allowed word that shows
each changed machine wrong when no row shows it yet: the rows written by hand come first, those added after.

It writes data/tasks/ID.task and ID.tests, and tests/tasks/ID.qtm, ID.2.qtm (the solutions), ID.words (the allowed
words) and ID.wrong.qtm, all Windows-1251 with CR LF. Run it from the repository's root after changing a task;
TaskBookTest and TaskAdequacyTest then check the written files through the program's own core.
"""

import itertools
import re
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MOVES = {"L": "Влево", "R": "Вправо", "S": "На месте"}
DELTA = {"L": -1, "R": 1, "S": 0}


def rules(text):
    """'q0 a q1 b R' per line (or ';'-separated); '|' in the symbol field gives one rule per symbol; '.' as the
    new symbol keeps the symbol read."""
    out = []
    for line in text.replace(";", "\n").splitlines():
        f = line.split()
        if not f:
            continue
        src, syms, dst, new, move = f
        for s in syms.split("|"):
            out.append((src, s, dst, s if new == "." else new, move))
    seen = set()
    for src, sym, _, _, _ in out:
        assert (src, sym) not in seen, (src, sym)
        seen.add((src, sym))
    return out


def compiled(rs):
    return {(src, sym): (dst, new, DELTA[move]) for src, sym, dst, new, move in rs}


def run_table(table, start, word, dies, limit):
    """The tape between the blanks after the halt, or None (a border, or more than limit steps); and the steps."""
    tape = ["#"] * dies + list(word) + ["#"] * dies
    size = len(tape)
    head, state, steps = dies, start, 0
    get = table.get
    while True:
        command = get((state, tape[head]))
        if command is None:
            return "".join(tape).strip("#"), steps
        state, tape[head], delta = command
        head += delta
        steps += 1
        if head < 0 or head >= size or steps > limit:
            return None, steps


def run(rs, word, dies, limit):
    return run_table(compiled(rs), rs[0][0], word, dies, limit)


def words_upto(alphabet, length, valid):
    out = []
    for n in range(1, length + 1):
        out += ["".join(p) for p in itertools.product(alphabet, repeat=n) if valid("".join(p))]
    return out


def machine_symbols(task, rs):
    symbols = task["alphabet"]
    for _, sym, _, new, _ in rs:
        for c in (sym, new):
            if c != "#" and c not in symbols:
                symbols += c
    return symbols


def machine_states(rs):
    states = []
    for src, _, dst, _, _ in rs:
        for s in (src, dst):
            if s not in states:
                states.append(s)
    return states


def changes(task, rs):
    """Each one-rule change of the machine, as TaskAdequacyTest makes them."""
    states = machine_states(rs)
    symbols = machine_symbols(task, rs) + "#"
    for i, (src, sym, dst, new, move) in enumerate(rs):
        for s in states:
            if s != dst:
                yield "%s %s -> %s (was %s)" % (src, sym, s, dst), rs[:i] + [(src, sym, s, new, move)] + rs[i + 1:]
        for c in symbols:
            if c != new:
                yield "%s %s writes %s" % (src, sym, c), rs[:i] + [(src, sym, dst, c, move)] + rs[i + 1:]
        for m in "LRS":
            if m != move:
                yield "%s %s moves %s" % (src, sym, m), rs[:i] + [(src, sym, dst, new, m)] + rs[i + 1:]
        yield "%s %s deleted" % (src, sym), rs[:i] + rs[i + 1:]


def adequate_rows(task, solutions, rows, allowed, answers, budget):
    """The allowed words to add to rows so that each wrong one-rule change fails a row."""
    added = []
    index = {w: i for i, w in enumerate(allowed)}
    for rs in solutions:
        start = rs[0][0]
        for _, changed in changes(task, rs):
            table = compiled(changed)

            def wrong(w):
                return run_table(table, start, w, task["dies"], budget[w])[0] != answers[w]

            if any(wrong(w) for w in rows + added):
                continue
            for w in allowed:
                if wrong(w):
                    added.append(w)
                    break
    return sorted(set(added), key=lambda w: (len(w), index[w]))


def is_binary(w):
    return w == "0" or (w[0] == "1" and set(w) <= set("01"))


def answer(flag):
    return "1" if flag else "0"


def binary(n):
    return bin(n)[2:]


def is_balanced(w):
    depth = 0
    for c in w:
        depth += 1 if c == "(" else -1
        if depth < 0:
            return False
    return depth == 0


def anbncn(w):
    n = len(w) // 3
    return n >= 1 and w == "a" * n + "b" * n + "c" * n


def anbn(w):
    n = len(w) // 2
    return n >= 1 and w == "a" * n + "b" * n


UNARY_PAIRS = [(1, 1), (1, 2), (2, 1), (1, 5), (5, 1), (3, 3), (2, 7), (4, 4), (6, 2), (1, 10)]
SUB_PAIRS = [(1, 1), (2, 1), (3, 1), (2, 2), (3, 2), (4, 1), (5, 2), (6, 3), (4, 4), (7, 1)]
MUL_PAIRS = [(1, 1), (1, 3), (3, 1), (2, 2), (2, 3), (3, 2), (1, 5), (4, 3), (5, 5), (2, 6)]
ADD_PAIRS = ["0+0", "1+0", "0+1", "1+1", "10+1", "11+1", "1+111", "101+11", "111+111", "1100+101", "1+1111",
             "1010+1010"]

TASKS = [
    dict(
        id="inversion", title="Инверсия слова", difficulty=1, alphabet="01", word="0110", dies=1, steps=10000,
        statement=["Замените каждый символ слова противоположным: 0 на 1, 1 на 0.",
                   "Пример: 0110 -> 1001."],
        words=["0", "1", "01", "10", "0000", "1111", "0101", "1100", "1010011", "00000000001"],
        allowed=words_upto("01", 7, lambda w: True),
        solution2="""s 0|1 s . R; s # b # L; b 0 b 1 L; b 1 b 0 L""",
        expect=lambda w: w.translate(str.maketrans("01", "10")),
        solution="q0 0 q0 1 R; q0 1 q0 0 R",
        wrong="q0 0 q0 1 R; q0 1 q0 1 R",
    ),
    dict(
        id="erase", title="Стирание слова", difficulty=1, alphabet="ab", word="abba", dies=1, steps=10000,
        statement=["Сотрите слово: после останова лента должна быть пустой."],
        words=["a", "b", "ab", "ba", "aaaa", "bbbb", "abab", "bbaa", "aabbab", "babababab"],
        allowed=words_upto("ab", 7, lambda w: True),
        solution2="""s a|b s . R; s # e # L; e a|b e # L""",
        expect=lambda w: "",
        solution="q0 a|b q0 # R",
        wrong="q0 a q0 # R; q0 b q0 b R",
    ),
    dict(
        id="binary-double", title="Умножение двоичного числа на 2", difficulty=1, alphabet="01", word="101",
        dies=1, steps=10000,
        statement=["На ленте двоичное число без ведущих нулей (число 0 записано одной цифрой 0).",
                   "Умножьте его на 2. Пример: 101 -> 1010, 0 -> 0."],
        words=["0", "1", "10", "11", "100", "101", "111", "1000", "1011", "110010", "1111111"],
        allowed=words_upto("01", 7, is_binary),
        solution2="""s 0|1 s . R; s # b 0 L; b 0|1 b . L; b # c # R; c 0 h # S""",
        expect=lambda w: binary(2 * int(w, 2)),
        solution="q0 1 q1 1 R; q0 0 h 0 S; q1 0|1 q1 . R; q1 # h 0 S",
        wrong="q0 0|1 q1 . R; q1 0|1 q1 . R; q1 # h 0 S",
    ),
    dict(
        id="increment", title="Прибавление единицы к двоичному числу", difficulty=2, alphabet="01", word="1011",
        dies=1, steps=10000,
        statement=["На ленте двоичное число без ведущих нулей. Прибавьте к нему единицу.",
                   "Пример: 1011 -> 1100, 111 -> 1000."],
        words=["0", "1", "10", "11", "100", "101", "111", "1011", "1111", "10011", "111111111"],
        allowed=words_upto("01", 7, is_binary),
        solution2="""s 0|1 s . R; s # l # L; l 1 l 1 L; l 0|# r 1 R; r 1 r 0 R""",
        expect=lambda w: binary(int(w, 2) + 1),
        solution="q0 0|1 q0 . R; q0 # q1 # L; q1 1 q1 0 L; q1 0|# h 1 S",
        wrong="q0 0|1 q0 . R; q0 # q1 # L; q1 1 q1 0 L; q1 0 h 1 S",
    ),
    dict(
        id="parity", title="Чётность числа единиц", difficulty=2, alphabet="01", word="1101", dies=1, steps=10000,
        statement=["Определите, чётно ли число единиц в слове.",
                   "После останова на ленте должен остаться только символ 1, если единиц чётное число "
                   "(в том числе ни одной), и только символ 0, если нечётное."],
        words=["0", "1", "00", "11", "101", "111", "1001", "0110", "1110", "10101", "111111", "0000000"],
        allowed=words_upto("01", 7, lambda w: True),
        solution2="""s 0|1 s . R; s # e # L; e 0 e # L; e 1 o # L; e # h 1 S; o 0 o # L; o 1 e # L; o # h 0 S""",
        expect=lambda w: answer(w.count("1") % 2 == 0),
        solution="e 0 e # R; e 1 o # R; e # h 1 S; o 0 o # R; o 1 e # R; o # h 0 S",
        wrong="e 0 o # R; e 1 o # R; e # h 1 S; o 0 e # R; o 1 e # R; o # h 0 S",
    ),
    dict(
        id="unary-double", title="Удвоение унарного числа", difficulty=2, alphabet="1", word="111", dies=20,
        steps=100000,
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Получите число 2n в унарной записи.",
                   "Пример: 111 -> 111111.",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["1" * n for n in range(1, 11)],
        allowed=["1" * n for n in range(1, 13)],
        solution2="""g 1 g 1 R; g # m # L
                     m 1 w x L; m y l y L
                     w 1|y w . L; w # b y R
                     b 1|y b . R; b x m x L
                     l y l y L; l # f # R
                     f y|x f 1 R""",
        expect=lambda w: w + w,
        solution="""s 1 c x R; s y|# fl . L
                    c 1|y c . R; c # r y L
                    r 1|y r . L; r x s x R
                    fl x fl 1 L; fl # fr # R
                    fr 1 fr 1 R; fr y fr 1 R""",
        wrong="q0 1 q0 1 R; q0 # h 1 S",
    ),
    dict(
        id="unary-add", title="Сложение унарных чисел", difficulty=2, alphabet="1+", word="11+111", dies=1,
        steps=10000,
        statement=["На ленте два числа в унарной записи через знак +: 1…1+1…1 (в каждом хотя бы одна единица).",
                   "Получите их сумму в унарной записи. Пример: 11+111 -> 11111."],
        words=["1" * a + "+" + "1" * b for a, b in UNARY_PAIRS],
        allowed=words_upto("1+", 8, lambda w: re.fullmatch(r"1+\+1+", w)),
        solution2="""s 1 f # R; f 1 f 1 R; f + h 1 S""",
        expect=lambda w: "1" * (len(w) - 1),
        solution="q0 1 q0 1 R; q0 + q1 1 R; q1 1 q1 1 R; q1 # q2 # L; q2 1 h # S",
        wrong="q0 1 q0 1 R; q0 + q1 1 R; q1 1 q1 1 R",
    ),
    dict(
        id="unary-sub", title="Вычитание унарных чисел", difficulty=3, alphabet="1-", word="11111-11", dies=1,
        steps=10000,
        statement=["На ленте два числа в унарной записи через знак -: 1…1-1…1, первое не меньше второго, "
                   "в каждом хотя бы одна единица.",
                   "Получите их разность в унарной записи; если числа равны, лента должна остаться пустой.",
                   "Пример: 11111-11 -> 111."],
        words=["1" * a + "-" + "1" * b for a, b in SUB_PAIRS],
        allowed=words_upto("1-", 8, lambda w: re.fullmatch(r"1+-1+", w) and w.index("-") >= len(w) - 1 - w.index("-")),
        solution2="""s 1 s 1 R; s - r - R
                     r x|- r . R; r 1 l x L; r # c # L
                     l x|- l . L; l 1 r x R
                     c x|- c # L""",
        expect=lambda w: "1" * (w.index("-") - (len(w) - w.index("-") - 1)),
        solution="""e 1|- e . R; e # d # L
                    d 1 b # L; d - h # S
                    b 1|- b . L; b # a # R
                    a 1 e # R""",
        wrong="""e 1|- e . R; e # d # L
                 d 1 b # L; d - h - S
                 b 1|- b . L; b # a # R
                 a 1 e # R""",
    ),
    dict(
        id="mod3", title="Делимость двоичного числа на 3", difficulty=3, alphabet="01", word="1001", dies=1,
        steps=10000,
        statement=["На ленте двоичное число без ведущих нулей. Определите, делится ли оно на 3.",
                   "После останова на ленте должен остаться только символ 1 (делится) или только 0 (не делится)."],
        words=["0", "1", "10", "11", "100", "110", "111", "1001", "1100", "1111", "10010", "10101", "101010"],
        allowed=words_upto("01", 7, is_binary),
        solution2="""g 0|1 g . R; g # a0 # L
                     a0 0 b0 # L; a0 1 b1 # L; a0 # h 1 S
                     a1 0 b1 # L; a1 1 b2 # L; a1 # h 0 S
                     a2 0 b2 # L; a2 1 b0 # L; a2 # h 0 S
                     b0 0 a0 # L; b0 1 a2 # L; b0 # h 1 S
                     b1 0 a1 # L; b1 1 a0 # L; b1 # h 0 S
                     b2 0 a2 # L; b2 1 a1 # L; b2 # h 0 S""",
        expect=lambda w: answer(int(w, 2) % 3 == 0),
        solution="""r0 0 r0 # R; r0 1 r1 # R; r0 # h 1 S
                    r1 0 r2 # R; r1 1 r0 # R; r1 # h 0 S
                    r2 0 r1 # R; r2 1 r2 # R; r2 # h 0 S""",
        wrong="""r0 0 r0 # R; r0 1 r1 # R; r0 # h 1 S
                 r1 0 r2 # R; r1 1 r0 # R; r1 # h 0 S
                 r2 0 r2 # R; r2 1 r1 # R; r2 # h 0 S""",
    ),
    dict(
        id="decrement", title="Вычитание единицы из двоичного числа", difficulty=3, alphabet="01", word="1000",
        dies=1, steps=10000,
        statement=["На ленте двоичное число без ведущих нулей, не меньше 1. Вычтите из него единицу; "
                   "в ответе не должно быть ведущих нулей.",
                   "Пример: 1000 -> 111, 1 -> 0."],
        words=["1", "10", "11", "100", "101", "110", "1000", "1010", "10000", "11111", "100000"],
        allowed=words_upto("01", 7, lambda w: w[0] == "1"),
        solution2="""s 1 t 1 R
                     t 0 t 0 R; t 1 g 1 R; t # p # L
                     g 0|1 g . R; g # l # L
                     l 0 l 1 L; l 1 h 0 S
                     p 0 p 1 L; p 1 q # R
                     q # h 0 S""",
        expect=lambda w: binary(int(w, 2) - 1),
        solution="""q0 0|1 q0 . R; q0 # q1 # L
                    q1 0 q1 1 L; q1 1 q2 0 L
                    q2 # q3 # R
                    q3 0 q4 0 R
                    q4 0|1 q5 . L
                    q5 0 h # S""",
        wrong="q0 0|1 q0 . R; q0 # q1 # L; q1 0 q1 1 L; q1 1 h 0 S",
    ),
    dict(
        id="sort", title="Упорядочение символов", difficulty=3, alphabet="ab", word="babba", dies=1, steps=100000,
        statement=["Переставьте символы слова так, чтобы все символы a стояли перед всеми символами b.",
                   "Пример: babba -> aabbb."],
        words=["a", "b", "ab", "ba", "aabb", "bbaa", "abab", "baba", "bab", "abba", "bbbaaa", "babbaab"],
        allowed=words_upto("ab", 7, lambda w: True),
        solution2="""s a s a R; s b e X R
                     e a|b e . R; e # l # L
                     l b l b L; l a r b L; l X h b S
                     r a|b r . L; r X s a R""",
        expect=lambda w: "".join(sorted(w)),
        solution="""s a s a R; s b sb b R
                    sb b sb b R; sb a w b L
                    w b bk a L
                    bk a|b bk . L; bk # s # R""",
        wrong="""s a s a R; s b sb b R
                 sb b sb b R; sb a w b L
                 w b s a R""",
    ),
    dict(
        id="reverse", title="Обращение слова", difficulty=4, alphabet="ab", word="aabab", dies=20, steps=100000,
        statement=["Запишите слово в обратном порядке.",
                   "Пример: aabab -> babaa.",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["a", "b", "ab", "ba", "aa", "abb", "aab", "abab", "aabbb", "babaa", "abbaab"],
        allowed=words_upto("ab", 6, lambda w: True),
        solution2="""s a ga X R; s b gb X R; s A|B f . L
                     ga a|b ga . R; ga A|B|# pa . L
                     gb a|b gb . R; gb A|B|# pb . L
                     pa a ba A L; pa b bb A L; pa X f A L
                     pb a ba B L; pb b bb B L; pb X f B L
                     ba a|b ba . L; ba X s A R
                     bb a|b bb . L; bb X s B R
                     f A|B f . L; f # c # R
                     c A c a R; c B c b R""",
        expect=lambda w: w[::-1],
        solution="""i a|b i . R; i # t = L
                    t z t z L; t a ca z R; t b cb z R; t # d # R
                    ca a|b|z|=|x|y ca . R; ca # rt x L
                    cb a|b|z|=|x|y cb . R; cb # rt y L
                    rt x|y rt . L; rt = t . L
                    d z|= d # R; d x d a R; d y d b R""",
        wrong="""i a|b i . R; i # t = L
                 t z t z L; t a ca z R; t b cb z R; t # d # R
                 ca a|b|z|=|x|y ca . R; ca # rt x L
                 cb a|b|z|=|x|y cb . R; cb # rt x L
                 rt x|y rt . L; rt = t . L
                 d z|= d # R; d x d a R; d y d b R""",
    ),
    dict(
        id="copy", title="Копирование слова", difficulty=4, alphabet="ab", word="abb", dies=20, steps=100000,
        statement=["Допишите к слову его копию: слово w должно стать словом ww.",
                   "Пример: abb -> abbabb.",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["a", "b", "ab", "ba", "aa", "bb", "aab", "abba", "babb", "aaaaa", "ababab"],
        allowed=words_upto("ab", 6, lambda w: True),
        solution2="""s a|b s . R; s # m # L
                     m a wa A L; m b wb B L; m x|y f . L
                     wa a|b|x|y wa . L; wa # bk x R
                     wb a|b|x|y wb . L; wb # bk y R
                     bk a|b|x|y bk . R; bk A|B m . L
                     f x|y f . L; f # c # R
                     c x|A c a R; c y|B c b R""",
        expect=lambda w: w + w,
        solution="""m a ca A R; m b cb B R; m x|y|# g . L
                    ca a|b|x|y ca . R; ca # ret x L
                    cb a|b|x|y cb . R; cb # ret y L
                    ret a|b|x|y ret . L; ret A|B m . R
                    g A g a L; g B g b L; g # h2 # R
                    h2 a|b h2 . R; h2 x h2 a R; h2 y h2 b R""",
        wrong="""m a ca A R; m b cb B R; m x|y|# g . L
                 ca a|b|x|y ca . R; ca # ret x L
                 cb a|b|x|y cb . R; cb # ret x L
                 ret a|b|x|y ret . L; ret A|B m . R
                 g A g a L; g B g b L; g # h2 # R
                 h2 a|b h2 . R; h2 x h2 a R; h2 y h2 b R""",
    ),
    dict(
        id="unary-mul", title="Умножение унарных чисел", difficulty=4, alphabet="1*", word="11*111", dies=40,
        steps=100000,
        statement=["На ленте два числа в унарной записи через знак *: 1…1*1…1 (в каждом хотя бы одна единица).",
                   "Получите их произведение в унарной записи. Пример: 11*111 -> 111111.",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["1" * a + "*" + "1" * b for a, b in MUL_PAIRS],
        allowed=words_upto("1*", 8, lambda w: re.fullmatch(r"1+\*1+", w)),
        solution2="""st 1|* st . R; st # e # L
                     e 1 c0 # L; e * k # L
                     c0 1 c0 1 L; c0 * c1 * L
                     c1 m c1 m L; c1 1 p m L; c1 x rs x R
                     p 1|m|x p . L; p # q x R
                     q x|1 q . R; q m c1 m L
                     rs m rs 1 R; rs * g * R
                     g 1 g 1 R; g # e # L
                     k 1 k # L; k x k 1 L""",
        expect=lambda w: "1" * (w.index("*") * (len(w) - w.index("*") - 1)),
        solution="""i0 1|* i0 . R; i0 # i1 = L
                    i1 1|* i1 . L; i1 # m0 # R
                    m0 a m0 a R; m0 1 m1 a R; m0 * c1 # L
                    m1 1 m1 1 R; m1 * b0 * R
                    b0 b b0 b R; b0 1 b1 b R; b0 = r0 . L
                    b1 1|= b1 . R; b1 # b2 1 L
                    b2 1|= b2 . L; b2 b b0 b R
                    r0 b r0 1 L; r0 * r1 * L
                    r1 1 r1 1 L; r1 a m0 a R
                    c1 a c1 # L; c1 # c2 # R
                    c2 # c2 # R; c2 1 c2 # R; c2 = h # R""",
        wrong="""i0 1|* i0 . R; i0 # i1 = L
                 i1 1|* i1 . L; i1 # m0 # R
                 m0 a m0 a R; m0 1 m1 a R; m0 * c1 # L
                 m1 1 m1 1 R; m1 * b0 * R
                 b0 b b0 b R; b0 1 b1 b R; b0 = r0 . L
                 b1 1|= b1 . R; b1 # b2 1 L
                 b2 1|= b2 . L; b2 b b0 b R
                 r0 b r0 1 L; r0 * r1 * L
                 r1 1 r1 1 L; r1 a m0 a R
                 c1 a c1 # L; c1 # c2 # R
                 c2 # c2 # R; c2 1 c2 # R""",
    ),
    dict(
        id="binary-add", title="Сложение двоичных чисел", difficulty=5, alphabet="01+", word="101+11", dies=10,
        steps=100000,
        statement=["На ленте два двоичных числа без ведущих нулей через знак +.",
                   "Получите их сумму, тоже без ведущих нулей. Пример: 101+11 -> 1000."],
        words=ADD_PAIRS,
        allowed=words_upto("01+", 7, lambda w: re.fullmatch(r"(0|1[01]*)\+(0|1[01]*)", w)),
        solution2="""st 0|1|+ st . R; st # t # L
                     t 0 a0 # L; t 1 a1 # L; t + fin # L
                     a0 0|1 a0 . L; a0 + d0 + L
                     a1 0|1 a1 . L; a1 + d1 + L
                     d0 o|i d0 . L; d0 0|# ret o R; d0 1 ret i R
                     d1 o|i d1 . L; d1 0|# ret i R; d1 1 cy o L
                     cy 1 cy 0 L; cy 0|# ret 1 R
                     ret 0|1|o|i|+ ret . R; ret # t # L
                     fin o fin 0 L; fin i fin 1 L; fin 0|1 fin . L""",
        expect=lambda w: binary(int(w.split("+")[0], 2) + int(w.split("+")[1], 2)),
        solution="""s0 0|1 s0 . R; s0 + z + R
                    z 0 z 0 R; z 1 e 1 R; z # cl # L
                    cl 0 cl # L; cl + h # S
                    e 0|1 e . R; e # d0 # L
                    d0 0 d0 1 L; d0 1 d1 0 L
                    d1 0|1 d1 . L; d1 + i0 + L
                    i0 1 i0 0 L; i0 0|# r 1 R
                    r 0|1 r . R; r + z + R""",
        wrong="""s0 0|1 s0 . R; s0 + z + R
                 z 0 z 0 R; z 1 e 1 R; z # cl # L
                 cl 0 cl # L; cl + h # S
                 e 0|1 e . R; e # d0 # L
                 d0 0 d0 1 L; d0 1 d1 0 L
                 d1 0|1 d1 . L; d1 + i0 + L
                 i0 1 i0 0 L; i0 0 r 1 R; i0 # r # R
                 r 0|1|# r . R; r + z + R""",
    ),
    dict(
        id="unary-to-binary", title="Перевод из унарной записи в двоичную", difficulty=5, alphabet="1",
        word="11111", dies=10, steps=100000,
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Запишите его в двоичной системе.",
                   "Пример: 11111 -> 101.",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["1" * n for n in range(1, 12)],
        allowed=["1" * n for n in range(1, 17)],
        solution2="""s 1 s0 1 L; s0 # z = R
                     z x z x R; z 1 p1 x R; z # f # L
                     p0 x p0 x R; p0 1 p1 x R; p0 # w0 # L
                     p1 x p1 x R; p1 1 p0 1 R; p1 # w1 # L
                     w0 0|1|x|= w0 . L; w0 # bk 0 R
                     w1 0|1|x|= w1 . L; w1 # bk 1 R
                     bk 0|1 bk . R; bk = z = R
                     f x f # L; f = h # S""",
        expect=lambda w: binary(len(w)),
        solution="""i0 1 i1 1 L; i1 # e = R
                    e 1 e 1 R; e # d # L
                    d 1 b # L; d = h # S
                    b 1 b 1 L; b = inc . L
                    inc 1 inc 0 L; inc 0|# ret 1 R
                    ret 0|1 ret . R; ret = e . R""",
        wrong="""i0 1 i1 1 L; i1 # e = R
                 e 1 e 1 R; e # d # L
                 d 1 b # L; d = h # S
                 b 1 b 1 L; b = inc . L
                 inc 1 ret 0 R; inc 0|# ret 1 R
                 ret 0|1 ret . R; ret = e . R""",
    ),
    dict(
        id="anbn", title="Слова вида a^n b^n", difficulty=4, alphabet="ab", word="aaabbb", dies=1, steps=100000,
        statement=["Определите, имеет ли слово вид a^n b^n (n >= 1): сначала n символов a, затем столько же b.",
                   "После останова на ленте должен остаться только символ 1 (да) или только 0 (нет)."],
        words=["a", "b", "ab", "ba", "aab", "abb", "aabb", "abab", "aaabbb", "aaabb", "aabbb", "bbaa", "aabbab"],
        allowed=words_upto("ab", 7, lambda w: True),
        solution2="""s a fa X R; s Y ck Y R; s b no b R
                     fa a|Y fa . R; fa b bk Y L; fa # er # L
                     bk a|Y bk . L; bk X s X R
                     ck Y ck Y R; ck # ys # L; ck a|b no . R
                     ys X|Y ys # L; ys # h 1 S
                     no a|b|X|Y no . R; no # er # L
                     er a|b|X|Y er # L; er # h 0 S""",
        expect=lambda w: answer(anbn(w)),
        solution="""p a r # R; p b nr # R; p # h 1 S
                    r a|b r . R; r # c # L
                    c b bk # L; c a nl # L; c # h 0 S
                    bk a|b bk . L; bk # p # R
                    nr a|b nr # R; nr # h 0 S
                    nl a|b nl # L; nl # h 0 S""",
        wrong="""s a s1 # R; s b no # R
                 s1 a s1 # R; s1 b t # R; s1 # h 0 S
                 t b t # R; t a no # R; t # h 1 S
                 no a|b no # R; no # h 0 S""",
    ),
    dict(
        id="palindrome", title="Палиндром", difficulty=4, alphabet="ab", word="abba", dies=1, steps=100000,
        statement=["Определите, является ли слово палиндромом (читается одинаково слева направо и справа налево).",
                   "После останова на ленте должен остаться только символ 1 (да) или только 0 (нет)."],
        words=["a", "b", "aa", "ab", "aba", "abb", "abba", "abab", "abaa", "aaba", "babab", "abbab", "aabbaa",
               "abaaba"],
        allowed=words_upto("ab", 7, lambda w: True),
        solution2="""p a ra X R; p b rb X R; p X y X L
                     ra a|b ra . R; ra X|# ca . L
                     rb a|b rb . R; rb X|# cb . L
                     ca a bk X L; ca b n b L; ca X y X L
                     cb b bk X L; cb a n a L; cb X y X L
                     bk a|b bk . L; bk X p X R
                     y X y X L; y # ye # R
                     ye X ye # R; ye # h 1 S
                     n a|b|X n . L; n # ne # R
                     ne a|b|X ne # R; ne # h 0 S""",
        expect=lambda w: answer(w == w[::-1]),
        solution="""p a ra # R; p b rb # R; p # h 1 S
                    ra a|b ra . R; ra # ca # L
                    rb a|b rb . R; rb # cb # L
                    ca a bk # L; ca b n # L; ca # h 1 S
                    cb b bk # L; cb a n # L; cb # h 1 S
                    bk a|b bk . L; bk # p # R
                    n a|b n # L; n # h 0 S""",
        wrong="""p a ra # R; p b rb # R; p # h 1 S
                 ra a|b ra . R; ra # ca # L
                 rb a|b rb . R; rb # cb # L
                 ca a bk # L; ca b n # L; ca # h 1 S
                 cb b bk # L; cb a n # L; cb # h 1 S
                 bk a|b bk . L; bk # y # R
                 y a|b y # R; y # h 1 S
                 n a|b n # L; n # h 0 S""",
    ),
    dict(
        id="parentheses", title="Правильная скобочная последовательность", difficulty=5, alphabet="()",
        word="(()())", dies=1, steps=100000,
        statement=["Определите, правильно ли расставлены скобки: каждой открывающей скобке соответствует "
                   "закрывающая после неё, и наоборот.",
                   "После останова на ленте должен остаться только символ 1 (да) или только 0 (нет).",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["()", ")(", "((", "))", "(())", "()()", "(()", "())", "(())()", "((()()))", ")()(", "(()))("],
        allowed=words_upto("()", 8, lambda w: True),
        solution2="""s (|)|X s . R; s # f # L
                     f )|X f . L; f ( g X R; f # c # R
                     g X g X R; g ) r X R; g # n # L
                     r (|)|X r . R; r # f # L
                     c X c X R; c ) n ) R; c # y # L
                     y X y # L; y # h 1 S
                     n (|)|X n . R; n # e # L
                     e (|)|X e # L; e # h 0 S""",
        expect=lambda w: answer(is_balanced(w)),
        solution="""s (|X s . R; s ) m X L; s # chk # L
                    m X m X L; m ( s X R; m # n1 # R
                    n1 (|)|X n1 # R; n1 # h 0 S
                    chk X chk X L; chk ( nl ( L; chk # y1 # R
                    nl (|)|X nl . L; nl # n1 # R
                    y1 X y1 # R; y1 # h 1 S""",
        wrong="""s (|X s . R; s ) m X L; s # chk # L
                 m X m X L; m ( s X R; m # s # R
                 n1 (|)|X n1 # R; n1 # h 0 S
                 chk X chk X L; chk ( nl ( L; chk # y1 # R
                 nl (|)|X nl . L; nl # n1 # R
                 y1 X y1 # R; y1 # h 1 S""",
    ),
    dict(
        id="anbncn", title="Слова вида a^n b^n c^n", difficulty=5, alphabet="abc", word="aabbcc", dies=1,
        steps=100000,
        statement=["Определите, имеет ли слово вид a^n b^n c^n (n >= 1): n символов a, затем n символов b, "
                   "затем n символов c.",
                   "После останова на ленте должен остаться только символ 1 (да) или только 0 (нет).",
                   "Для работы можно добавить в алфавит свои символы."],
        words=["abc", "aabbcc", "aaabbbccc", "a", "ab", "abcc", "aabbc", "abbc", "acb", "abcabc", "cba", "aabcbc",
               "bbcc"],
        allowed=words_upto("abc", 5, lambda w: True) + words_upto("abc", 6, lambda w: len(w) == 6 and w == "".join(sorted(w)) and len(set(w)) == 3),
        solution2="""f a fa a R; f b|c no . R
                     fa a fa a R; fa b fb b R; fa c no . R; fa # er # L
                     fb b fb b R; fb c fc c R; fb a no . R; fb # er # L
                     fc c fc c R; fc # bk # L; fc a|b no . R
                     bk a|b|c bk . L; bk # l # R
                     l a ea # R; l X ck X R; l b|c no . R
                     ea a|b|c|X ea . R; ea # ec # L
                     ec c fb2 # L; ec a|b|X no . R
                     fb2 c|X fb2 . L; fb2 b bl X L; fb2 a|# no . R
                     bl a|b bl . L; bl # l # R
                     ck X ck X R; ck # ye # L; ck b|c no . R
                     ye X ye # L; ye # h 1 S
                     no a|b|c|X no . R; no # er # L
                     er a|b|c|X er # L; er # h 0 S""",
        expect=lambda w: answer(anbncn(w)),
        solution="""p x p x R; p a fa x R; p y chk y R; p b|c nl . L
                    fa a|y fa . R; fa b fb y R; fa c|z|# nl . L
                    fb b|z fb . R; fb c back z L; fb a|y|# nl . L
                    back a|b|y|z back . L; back x p x R
                    chk y|z chk . R; chk # yl # L; chk a|b|c nl . L
                    yl x|y|z yl . L; yl # ye # R
                    ye x|y|z ye # R; ye # h 1 S
                    nl a|b|c|x|y|z nl . L; nl # ne # R
                    ne a|b|c|x|y|z ne # R; ne # h 0 S""",
        wrong="""p x p x R; p a fa x R; p y chk y R; p b|c nl . L
                 fa a|y fa . R; fa b fb y R; fa c|z|# nl . L
                 fb b|z fb . R; fb c back z L; fb a|y|# nl . L
                 back a|b|y|z back . L; back x p x R
                 chk y|z|c chk . R; chk # yl # L; chk a|b nl . L
                 yl x|y|z|c yl . L; yl # ye # R
                 ye x|y|z|c ye # R; ye # h 1 S
                 nl a|b|c|x|y|z nl . L; nl # ne # R
                 ne a|b|c|x|y|z ne # R; ne # h 0 S""",
    ),
]


def crlf(lines):
    return ("\r\n".join(lines) + "\r\n").encode("cp1251")


def machine_file(task, rs):
    lines = ["[ABCD] " + machine_symbols(task, rs), "[WORD] " + task["word"], "[BEGS] " + rs[0][0]]
    lines += ["[STAT] " + s for s in machine_states(rs)]
    for src, sym, dst, new, move in rs:
        lines.append("[COMM] " + src.ljust(18) + sym.ljust(2) + dst.ljust(18) + new.ljust(2) + MOVES[move])
    return crlf(lines)


def task_file(task):
    lines = ["[Task]", "Title=" + task["title"], "Alphabet=" + task["alphabet"], "Word=" + task["word"],
             "DiesCount=%d" % task["dies"], "MaxSteps=%d" % task["steps"], "Difficulty=%d" % task["difficulty"],
             "", "[Statement]"]
    lines += task["statement"]
    return crlf(lines)


def build(task):
    """The files of one task, and a line saying what was added; exits on a wrong solution."""
    tid = task["id"]
    solutions = [rules(task["solution"]), rules(task["solution2"])]
    allowed = task["allowed"]
    rows = list(task["words"])
    assert len(rows) >= 10, tid
    assert 10 <= len(allowed) <= 600, (tid, len(allowed))
    answers = {}
    budget = {}
    for w in rows + allowed:
        assert w and set(w) <= set(task["alphabet"]), (tid, w)
        answers[w] = task["expect"](w)
        most = 0
        for k, rs in enumerate(solutions):
            got, steps = run(rs, w, task["dies"], task["steps"])
            if got != answers[w]:
                sys.exit("%s: solution %d gives %r for %r, expected %r" % (tid, k + 1, got, w, answers[w]))
            if steps * 10 > task["steps"]:
                sys.exit("%s: %d steps on %r, too near the limit" % (tid, steps, w))
            most = max(most, steps)
        budget[w] = min(task["steps"], max(2000, 20 * most))
    added = adequate_rows(task, solutions, rows, allowed, answers, budget)
    rows += [w for w in added if w not in rows]
    files = {
        os.path.join(ROOT, "data", "tasks", tid + ".task"): task_file(task),
        os.path.join(ROOT, "data", "tasks", tid + ".tests"): crlf(["%s\t%s" % (w, answers[w]) for w in rows]),
        os.path.join(ROOT, "tests", "tasks", tid + ".qtm"): machine_file(task, solutions[0]),
        os.path.join(ROOT, "tests", "tasks", tid + ".2.qtm"): machine_file(task, solutions[1]),
        os.path.join(ROOT, "tests", "tasks", tid + ".words"): crlf(allowed),
    }
    note = ""
    if "wrong" in task:
        wrong = rules(task["wrong"])
        if all(run(wrong, w, task["dies"], task["steps"])[0] == answers[w] for w in rows):
            sys.exit("%s: the wrong solution passes every word" % tid)
        files[os.path.join(ROOT, "tests", "tasks", tid + ".wrong.qtm")] = machine_file(task, wrong)
    for path, data in files.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return "%s: %d rows (%d added: %s), %d allowed words%s" % (tid, len(rows), len(added), " ".join(added),
                                                                len(allowed), note)


def main():
    only = sys.argv[1:]
    for task in TASKS:
        if not only or task["id"] in only:
            print(build(task), flush=True)


if __name__ == "__main__":
    main()
