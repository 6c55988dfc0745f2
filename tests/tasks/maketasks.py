#!/usr/bin/env python3
"""Writes the shipped task book and the machines that check it.

Each task below holds its statement, its words with the answers computed here in Python (independently of any
machine), the words the task allows up to a small length, and two right solutions written by different methods
(an optional plausible wrong one too). The script runs the machines under the simulator's rules (halt when no
command applies; the head may go at most DiesCount cells beyond the word) and refuses to write anything unless
both solutions are right on every allowed word and every row, each within a tenth of the task's step limit.
Every statement ends with the same lines (full_statement): the words' symbols, the answer's symbols and that the
student adds them and any working symbols to the machine's alphabet, how 0 is written where it can be an answer,
and that only the tape between the blanks is checked, not where the head stops.

It then changes each solution one rule at a time, as TaskAdequacyTest does (the rule deleted, its new state, its
written symbol or its move changed to each other value), and adds to the set the shortest allowed word that shows
each changed machine wrong when no row shows it yet: the rows written by hand come first, those added after.

It writes data/tasks/ID.task and ID.tests, and tests/tasks/ID.qtm, ID.2.qtm (the solutions), ID.words (the allowed
words) and ID.wrong.qtm, all Windows-1251 with CR LF. Run it from the repository's root after changing a task
(python3 tests/tasks/maketasks.py [ID...]); TaskBookTest and TaskAdequacyTest then check the written files through
the program's own core.
"""

import itertools
import math
import os
import re
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


def unary_pair(sep, valid=lambda a, b: True, length=9):
    """Words 1^a SEP 1^b (a, b >= 1) up to the length."""
    return [w for w in words_upto("1" + sep, length, lambda w: re.fullmatch(r"1+%s1+" % re.escape(sep), w))
            if valid(w.index(sep), len(w) - w.index(sep) - 1)]


def unary_args(w, sep):
    return w.index(sep), len(w) - w.index(sep) - 1


def binary_pair(sep, valid=lambda a, b: True, length=6):
    """Words A SEP B of binary numbers without leading zeros up to the length."""
    out = []
    for w in words_upto("01" + sep, length, lambda w: re.fullmatch(r"(0|1[01]*)%s(0|1[01]*)" % re.escape(sep), w)):
        a, b = w.split(sep)
        if valid(int(a, 2), int(b, 2)):
            out.append(w)
    return out


def compare(x, y):
    return "<" if x < y else ">" if x > y else "="


def balanced2(w):
    stack = []
    for c in w:
        if c in "([":
            stack.append(c)
        elif not stack or stack.pop() != {")": "(", "]": "["}[c]:
            return False
    return not stack


UNARY_PAIRS = [(1, 1), (1, 2), (2, 1), (1, 5), (5, 1), (3, 3), (2, 7), (4, 4), (6, 2), (1, 10)]
SUB_PAIRS = [(1, 1), (2, 1), (3, 1), (2, 2), (3, 2), (4, 1), (5, 2), (6, 3), (4, 4), (7, 1)]
MUL_PAIRS = [(1, 1), (1, 3), (3, 1), (2, 2), (2, 3), (3, 2), (1, 5), (4, 3), (5, 5), (2, 6)]
ADD_PAIRS = ["0+0", "1+0", "0+1", "1+1", "10+1", "11+1", "1+111", "101+11", "111+111", "1100+101", "1+1111",
             "1010+1010"]

TASKS = [
    dict(
        id="inversion", title="Инверсия слова", difficulty=1, alphabet="01", word="0110", dies=1, steps=10000,
        answer="01",
        statement=["Замените каждый символ слова противоположным: 0 на 1, 1 на 0.",
                   "Пример: 0110 -> 1001."],
        words=["0", "1", "01", "10", "0000", "1111", "0101", "1100", "1010011", "00000000001"],
        allowed=words_upto("01", 6, lambda w: True),
        solution2="""s 0|1 s . R; s # b # L; b 0 b 1 L; b 1 b 0 L""",
        expect=lambda w: w.translate(str.maketrans("01", "10")),
        solution="q0 0 q0 1 R; q0 1 q0 0 R",
        wrong="q0 0 q0 1 R; q0 1 q0 1 R",
    ),
    dict(
        id="erase", title="Стирание слова", difficulty=1, alphabet="ab", word="abba", dies=1, steps=10000,
        answer="",
        statement=["Сотрите слово: после останова лента должна быть пустой.", "Пример: abba -> (пустая лента)."],
        words=["a", "b", "ab", "ba", "aaaa", "bbbb", "abab", "bbaa", "aabbab", "babababab"],
        allowed=words_upto("ab", 6, lambda w: True),
        solution2="""s a|b s . R; s # e # L; e a|b e # L""",
        expect=lambda w: "",
        solution="q0 a|b q0 # R",
        wrong="q0 a q0 # R; q0 b q0 b R",
    ),
    dict(
        id="binary-double", title="Умножение двоичного числа на 2", difficulty=1, alphabet="01", word="101",
        dies=1, steps=10000,
        answer="01", zero=True,
        statement=["На ленте двоичное число. Умножьте его на 2.", "Пример: 101 -> 1010, 0 -> 0."],
        words=["0", "1", "10", "11", "100", "101", "111", "1000", "1011", "110010", "1111111"],
        allowed=words_upto("01", 6, is_binary),
        solution2="""s 0|1 s . R; s # b 0 L; b 0|1 b . L; b # c # R; c 0 h # S""",
        expect=lambda w: binary(2 * int(w, 2)),
        solution="q0 1 q1 1 R; q0 0 h 0 S; q1 0|1 q1 . R; q1 # h 0 S",
        wrong="q0 0|1 q1 . R; q1 0|1 q1 . R; q1 # h 0 S",
    ),
    dict(
        id="increment", title="Прибавление единицы к двоичному числу", difficulty=2, alphabet="01", word="1011",
        dies=1, steps=10000,
        answer="01", zero=True,
        statement=["На ленте двоичное число. Прибавьте к нему единицу.",
                   "Пример: 1011 -> 1100, 111 -> 1000."],
        words=["0", "1", "10", "11", "100", "101", "111", "1011", "1111", "10011", "111111111"],
        allowed=words_upto("01", 6, is_binary),
        solution2="""s 0|1 s . R; s # l # L; l 1 l 1 L; l 0|# r 1 R; r 1 r 0 R""",
        expect=lambda w: binary(int(w, 2) + 1),
        solution="q0 0|1 q0 . R; q0 # q1 # L; q1 1 q1 0 L; q1 0|# h 1 S",
        wrong="q0 0|1 q0 . R; q0 # q1 # L; q1 1 q1 0 L; q1 0 h 1 S",
    ),
    dict(
        id="parity", title="Чётность числа единиц", difficulty=2, alphabet="01", word="1101", dies=1, steps=10000,
        answer="yesno",
        statement=["Определите, чётно ли число единиц в слове (ни одной единицы — тоже чётное число).",
                   "Пример: 1101 -> 0, 1001 -> 1."],
        words=["0", "1", "00", "11", "101", "111", "1001", "0110", "1110", "10101", "111111", "0000000"],
        allowed=words_upto("01", 6, lambda w: True),
        solution2="""s 0|1 s . R; s # e # L; e 0 e # L; e 1 o # L; e # h 1 S; o 0 o # L; o 1 e # L; o # h 0 S""",
        expect=lambda w: answer(w.count("1") % 2 == 0),
        solution="e 0 e # R; e 1 o # R; e # h 1 S; o 0 o # R; o 1 e # R; o # h 0 S",
        wrong="e 0 o # R; e 1 o # R; e # h 1 S; o 0 e # R; o 1 e # R; o # h 0 S",
    ),
    dict(
        id="unary-double", title="Удвоение унарного числа", difficulty=2, alphabet="1", word="111", dies=20,
        steps=100000,
        answer="1",
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Получите число 2n в унарной записи.",
                   "Пример: 111 -> 111111."],
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
        answer="1",
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
        answer="1", empty="Если числа равны, разность 0 записывается пустым словом: лента должна остаться пустой.",
        statement=["На ленте два числа в унарной записи через знак -: 1…1-1…1, первое не меньше второго, "
                   "в каждом хотя бы одна единица.",
                   "Получите их разность в унарной записи.",
                   "Пример: 11111-11 -> 111."],
        words=["1" * a + "-" + "1" * b for a, b in SUB_PAIRS],
        allowed=unary_pair("-", lambda a, b: a >= b, 8),
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
        answer="yesno", zero=True,
        statement=["На ленте двоичное число. Определите, делится ли оно на 3.",
                   "Пример: 1001 -> 1 (9 делится на 3), 111 -> 0."],
        words=["0", "1", "10", "11", "100", "110", "111", "1001", "1100", "1111", "10010", "10101", "101010"],
        allowed=words_upto("01", 6, is_binary),
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
        answer="01", zero=True,
        statement=["На ленте двоичное число, не меньше 1. Вычтите из него единицу.",
                   "Пример: 1000 -> 111, 1 -> 0."],
        words=["1", "10", "11", "100", "101", "110", "1000", "1010", "10000", "11111", "100000"],
        allowed=words_upto("01", 6, lambda w: w[0] == "1"),
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
        answer="ab",
        statement=["Переставьте символы слова так, чтобы все символы a стояли перед всеми символами b.",
                   "Пример: babba -> aabbb."],
        words=["a", "b", "ab", "ba", "aabb", "bbaa", "abab", "baba", "bab", "abba", "bbbaaa", "babbaab"],
        allowed=words_upto("ab", 6, lambda w: True),
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
        answer="ab",
        statement=["Запишите слово в обратном порядке.",
                   "Пример: aabab -> babaa."],
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
        answer="ab",
        statement=["Допишите к слову его копию: слово w должно стать словом ww.",
                   "Пример: abb -> abbabb."],
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
        answer="1",
        statement=["На ленте два числа в унарной записи через знак *: 1…1*1…1 (в каждом хотя бы одна единица).",
                   "Получите их произведение в унарной записи. Пример: 11*111 -> 111111."],
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
        answer="01", zero=True,
        statement=["На ленте два двоичных числа через знак +. Получите их сумму.",
                   "Пример: 101+11 -> 1000, 0+0 -> 0."],
        words=ADD_PAIRS,
        allowed=words_upto("01+", 6, lambda w: re.fullmatch(r"(0|1[01]*)\+(0|1[01]*)", w)),
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
        id="unary-to-binary", title="Перевод из унарной записи в двоичную", difficulty=5, alphabet="01",
        word="11111", dies=10, steps=100000,
        answer="01", letters="1", zero="В ответе нет ведущих нулей: 1111 -> 100, а не 0100.",
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Запишите его в двоичной системе, "
                   "а единицы унарной записи сотрите: на ленте должна остаться только двоичная запись.",
                   "Пример: 11111 -> 101, 1 -> 1, 1111 -> 100."],
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
        answer="yesno",
        statement=["Определите, имеет ли слово вид a^n b^n (n >= 1): сначала n символов a, затем столько же b.",
                   "Пример: aaabbb -> 1, aabbb -> 0, ba -> 0."],
        words=["a", "b", "ab", "ba", "aab", "abb", "aabb", "abab", "aaabbb", "aaabb", "aabbb", "bbaa", "aabbab",
               "aaab", "aaaabb", "bab", "bbab", "baabb"],
        allowed=words_upto("ab", 6, lambda w: True),
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
        answer="yesno",
        statement=["Определите, является ли слово палиндромом (читается одинаково слева направо и справа налево).",
                   "Пример: abba -> 1, aba -> 1, abb -> 0."],
        words=["a", "b", "aa", "ab", "ba", "aba", "abb", "bba", "abba", "abab", "abaa", "aaba", "babb", "babab",
               "abbab", "aabbaa",
               "abaaba"],
        allowed=words_upto("ab", 6, lambda w: True),
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
        answer="yesno",
        statement=["Определите, правильно ли расставлены скобки: можно ли разбить все скобки на пары так, чтобы "
                   "в каждой паре открывающая скобка ( стояла левее закрывающей ) и каждая скобка входила ровно в "
                   "одну пару.",
                   "Пример: (()()) -> 1, ()() -> 1, )( -> 0, (() -> 0, ())( -> 0."],
        words=["(", ")", "()", ")(", "((", "))", "(())", "()()", "(()", "())", "())(()", "(()))(()", "(())()",
               "((()()))", ")()(", "(()))("],
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
        answer="yesno",
        statement=["Определите, имеет ли слово вид a^n b^n c^n (n >= 1): n символов a, затем n символов b, "
                   "затем n символов c.",
                   "Пример: aabbcc -> 1, abcabc -> 0, aabbc -> 0."],
        words=["abc", "aabbcc", "aaabbbccc", "a", "b", "c", "aa", "ab", "ac", "aba", "abb", "abcc", "aabbc", "abbc",
               "acb", "abcabc", "cba", "aabcbc",
               "bbcc"],
        allowed=words_upto("abc", 5, lambda w: True) + [w for w in words_upto("abc", 6, lambda w: len(w) == 6)
                                                         if w == "".join(sorted(w)) and len(set(w)) == 3],
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


BRACKETS = "()[]"

TASKS += [
    dict(
        id="unary-increment", title="Прибавление единицы к унарному числу", difficulty=1, alphabet="1", word="111",
        dies=1, steps=10000, answer="1",
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Прибавьте к нему единицу.",
                   "Пример: 111 -> 1111."],
        words=["1" * n for n in range(1, 11)],
        allowed=["1" * n for n in range(1, 13)],
        expect=lambda w: w + "1",
        solution="s 1 s 1 R; s # h 1 S",
        solution2="s 1 t 1 L; t # h 1 S",
    ),
    dict(
        id="unary-decrement", title="Вычитание единицы из унарного числа", difficulty=1, alphabet="1", word="1111",
        dies=1, steps=10000, answer="1",
        empty="Если получится 0, он записывается пустым словом: лента должна остаться пустой.",
        statement=["На ленте число n в унарной записи: n единиц подряд (n >= 1). Вычтите из него единицу.",
                   "Пример: 1111 -> 111, 1 -> (пустая лента)."],
        words=["1" * n for n in range(1, 11)],
        allowed=["1" * n for n in range(1, 13)],
        expect=lambda w: w[1:],
        solution="s 1 h # S",
        solution2="s 1 s 1 R; s # e # L; e 1 h # S",
    ),
    dict(
        id="binary-even", title="Чётность двоичного числа", difficulty=1, alphabet="01", word="110", dies=1,
        steps=10000, answer="yesno", zero=True,
        statement=["На ленте двоичное число. Определите, чётное ли оно.", "Пример: 110 -> 1, 111 -> 0, 0 -> 1."],
        words=["0", "1", "10", "11", "100", "101", "110", "111", "1010", "1011", "100000", "111111"],
        allowed=words_upto("01", 6, is_binary),
        expect=lambda w: answer(w[-1] == "0"),
        solution="""s 0|1 s . R; s # l # L
                    l 0 e0 # L; l 1 e1 # L
                    e0 0|1 e0 # L; e0 # h 1 S
                    e1 0|1 e1 # L; e1 # h 0 S""",
        solution2="""z 0 z # R; z 1 o # R; z # h 1 S
                     o 0 z # R; o 1 o # R; o # h 0 S""",
    ),
    dict(
        id="first-symbol", title="Первый символ слова", difficulty=1, alphabet="ab", word="baab", dies=1,
        steps=10000, answer="ab",
        statement=["Оставьте на ленте только первый символ слова, остальные сотрите.", "Пример: baab -> b."],
        words=["a", "b", "ab", "ba", "aa", "bb", "abb", "baa", "abab", "babba"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: w[0],
        solution="s a|b e . R; e a|b e # R",
        solution2="""s a ra # R; s b rb # R
                     ra a|b ra # R; ra # h a S
                     rb a|b rb # R; rb # h b S""",
    ),
    dict(
        id="rotate", title="Циклический сдвиг слова", difficulty=2, alphabet="ab", word="abb", dies=10,
        steps=10000, answer="ab",
        statement=["Перенесите первый символ слова в его конец.", "Пример: abb -> bba, a -> a."],
        words=["a", "b", "ab", "ba", "aa", "abb", "baa", "aab", "abab", "bbbba", "abbbb"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: w[1:] + w[0],
        solution="""s a ra # R; s b rb # R
                    ra a|b ra . R; ra # h a S
                    rb a|b rb . R; rb # h b S""",
        solution2="""g a|b g . R; g # t # L
                     t a ka X L; t b kb X L
                     ka a ka a L; ka b kb a L; ka # fa # R
                     kb a ka b L; kb b kb b L; kb # fb # R
                     fa a|b fa . R; fa X h a S
                     fb a|b fb . R; fb X h b S""",
    ),
    dict(
        id="first-last", title="Совпадают ли первый и последний символы", difficulty=2, alphabet="ab", word="abba",
        dies=1, steps=10000, answer="yesno",
        statement=["Определите, совпадает ли первый символ слова с последним (у слова из одного символа они "
                   "совпадают).", "Пример: abba -> 1, ab -> 0, b -> 1."],
        words=["a", "b", "aa", "ab", "ba", "bb", "aba", "abb", "bab", "baa", "abba", "abab", "babbab"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: answer(w[0] == w[-1]),
        solution="""s a ra # R; s b rb # R
                    ra a|b ra . R; ra # ca # L
                    rb a|b rb . R; rb # cb # L
                    ca a ey # L; ca b en # L; ca # h 1 S
                    cb b ey # L; cb a en # L; cb # h 1 S
                    ey a|b ey # L; ey # h 1 S
                    en a|b en # L; en # h 0 S""",
        solution2="""g a|b g . R; g # t # L
                     t a la a L; t b lb b L
                     la a|b la . L; la # ka # R
                     lb a|b lb . L; lb # kb # R
                     ka a y # R; ka b n # R
                     kb b y # R; kb a n # R
                     y a|b y # R; y # h 1 S
                     n a|b n # R; n # h 0 S""",
    ),
    dict(
        id="binary-half", title="Деление двоичного числа на 2", difficulty=2, alphabet="01", word="1011", dies=10,
        steps=10000, answer="01", zero=True,
        statement=["На ленте двоичное число. Разделите его на 2 нацело (остаток отбросьте).",
                   "Пример: 1011 -> 101, 1 -> 0, 0 -> 0."],
        words=["0", "1", "10", "11", "100", "101", "110", "111", "1011", "10000", "111111"],
        allowed=words_upto("01", 6, is_binary),
        expect=lambda w: binary(int(w, 2) // 2),
        solution="""s 0|1 s . R; s # e # L
                    e 0|1 c # L
                    c # h 0 S""",
        solution2="""s 0 f0 # R; s 1 f1 # R
                     f0 # h 0 S; f0 0 c0 0 R; f0 1 c1 0 R
                     f1 # h 0 S; f1 0 c0 1 R; f1 1 c1 1 R
                     c0 0 c0 0 R; c0 1 c1 0 R
                     c1 0 c0 1 R; c1 1 c1 1 R""",
    ),
    dict(
        id="count-a", title="Подсчёт символов a в унарной записи", difficulty=3, alphabet="ab", word="abba",
        dies=20, steps=100000, answer="1",
        empty="Если символов a в слове нет, ответ 0 записывается пустым словом: лента должна остаться пустой.",
        statement=["Сосчитайте символы a в слове и запишите их число в унарной записи: столько единиц подряд, "
                   "сколько в слове символов a; само слово сотрите.",
                   "Пример: abba -> 11, babab -> 11, bb -> (пустая лента)."],
        words=["a", "b", "ab", "ba", "bb", "aa", "abba", "baab", "bbbb", "aaaa", "babab", "abbbbba"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: "1" * w.count("a"),
        solution="""g a|b g . R; g # m = L
                    m a|b m . L; m # n # R
                    n a ap # R; n b n # R; n = h # S
                    ap a|b|=|1 ap . R; ap # bk 1 L
                    bk a|b|=|1 bk . L; bk # n # R""",
        solution2="""s a s a R; s b e X R; s # cv # L
                     e a|b e . R; e # l # L
                     l b l b L; l a r b L; l X cv b L
                     r a|b r . L; r X s a R
                     cv a|b cv . L; cv # cw # R
                     cw a cw 1 R; cw b cw # R""",
    ),
    dict(
        id="unary-compare", title="Сравнение унарных чисел", difficulty=3, alphabet="1,", word="111,11", dies=10,
        steps=100000, answer="<=>",
        statement=["На ленте два числа в унарной записи через запятую: 1…1,1…1 (в каждом хотя бы одна единица).",
                   "Сравните их: ответ — один символ: > (первое больше), < (первое меньше) или = (числа равны).",
                   "Пример: 111,11 -> >, 1,1 -> =, 11,111 -> <."],
        words=["1,1", "1,11", "11,1", "11,11", "111,1", "1,111", "111,11", "11,111", "111,111", "1111,11",
               "11,1111"],
        allowed=unary_pair(","),
        expect=lambda w: compare(*unary_args(w, ",")),
        solution="""s 1 e # R; s , c # R
                    e 1|, e . R; e # d # L
                    d 1 b # L; d , g # L
                    b 1|, b . L; b # s # R
                    g 1 g # L; g # h > S
                    c 1 lt # R; c # h = S
                    lt 1 lt # R; lt # h < S""",
        solution2="""s 1 s 1 R; s , r , R
                     r x|, r . R; r 1 l x L; r # q # L
                     l x|, l . L; l 1 r x R; l # gl # R
                     q x|, q . L; q 1 gg 1 R; q # ge # R
                     gg 1|x|, gg . R; gg # wg # L
                     wg 1|x|, wg # L; wg # h > S
                     gl 1|x|, gl . R; gl # wl # L
                     wl 1|x|, wl # L; wl # h < S
                     ge 1|x|, ge . R; ge # we # L
                     we 1|x|, we # L; we # h = S""",
    ),
    dict(
        id="equal-ab", title="Поровну символов a и b", difficulty=3, alphabet="ab", word="abba", dies=1,
        steps=100000, answer="yesno",
        statement=["Определите, поровну ли в слове символов a и b (в любом порядке).",
                   "Пример: abba -> 1, bbaa -> 1, aab -> 0."],
        words=["a", "b", "ab", "ba", "aa", "bb", "aab", "abba", "baab", "bbaa", "abbb", "aababb", "bbbaaa"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: answer(w.count("a") == w.count("b")),
        solution="""f X f X R; f b fb b R; f a gl X L; f # ey # L
                    fb X|b fb . R; fb a gl X L; fb # en # L
                    gl a|b|X gl . L; gl # sb # R
                    sb X|a sb . R; sb b gl2 X L; sb # en # L
                    gl2 a|b|X gl2 . L; gl2 # f # R
                    ey X ey # L; ey # h 1 S
                    en a|b|X en # L; en # h 0 S""",
        solution2="""t X t # R; t a fb # R; t b fa # R; t # h 1 S
                     fb a|X fb . R; fb b bk X L; fb # en # L
                     fa b|X fa . R; fa a bk X L; fa # en # L
                     bk a|b|X bk . L; bk # t # R
                     en a|b|X en # L; en # h 0 S""",
    ),
    dict(
        id="wwr", title="Слова вида w w^R", difficulty=4, alphabet="ab", word="abba", dies=1, steps=100000,
        answer="yesno",
        statement=["Определите, имеет ли слово вид w w^R: непустое слово w, за которым то же слово, записанное "
                   "справа налево (палиндром чётной длины).", "Пример: abba -> 1, aa -> 1, aba -> 0, ab -> 0."],
        words=["a", "b", "aa", "ab", "bb", "aba", "abba", "abab", "baab", "aabb", "abaaba", "abbbba", "babbab"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: answer(len(w) % 2 == 0 and w == w[::-1]),
        solution="""p a ra # R; p b rb # R; p # h 1 S
                    ra a|b ra . R; ra # ca # L
                    rb a|b rb . R; rb # cb # L
                    ca a bk # L; ca b n # L; ca # h 0 S
                    cb b bk # L; cb a n # L; cb # h 0 S
                    bk a|b bk . L; bk # p # R
                    n a|b n # L; n # h 0 S""",
        solution2="""p a ra X R; p b rb X R; p X y X L
                     ra a|b ra . R; ra X|# ca . L
                     rb a|b rb . R; rb X|# cb . L
                     ca a bk X L; ca b n b L; ca X n X L
                     cb b bk X L; cb a n a L; cb X n X L
                     bk a|b bk . L; bk X p X R
                     y X y X L; y # ye # R
                     ye X ye # R; ye # h 1 S
                     n a|b|X n . L; n # ne # R
                     ne a|b|X ne # R; ne # h 0 S""",
    ),
    dict(
        id="binary-to-unary", title="Перевод из двоичной записи в унарную", difficulty=4, alphabet="01",
        word="101", dies=99, steps=100000, answer="1", zero=True,
        empty="Число 0 в унарной записи — пустое слово: для слова 0 лента должна остаться пустой.",
        statement=["На ленте двоичное число n. Запишите его в унарной записи (n единиц подряд), а двоичную "
                   "запись сотрите.", "Пример: 101 -> 11111, 1 -> 1, 0 -> (пустая лента)."],
        words=["0", "1", "10", "11", "100", "101", "110", "111", "1000", "1011", "10100"],
        allowed=words_upto("01", 6, is_binary),
        expect=lambda w: "1" * int(w, 2),
        solution="""i 0|1 i . R; i # d = L
                    d 0 d 1 L; d 1 ap 0 R; d # cl # R
                    ap 0|1|= ap . R; ap # bk 1 L
                    bk 1 bk 1 L; bk = d = L
                    cl 0|1 cl # R; cl = h # S""",
        solution2="""st 0|1 st . R; st # bs = L
                     bs 0|1 bs . L; bs # rd # R
                     rd 0 g0 # R; rd 1 g1 # R; rd = h # S
                     g0 0|1 g0 . R; g0 = db0 = R
                     g1 0|1 g1 . R; g1 = db1 = R
                     db0 x db0 x R; db0 1 ap0 x R; db0 y|# c0r . S
                     ap0 1|y ap0 . R; ap0 # rt0 y L
                     rt0 1|y rt0 . L; rt0 x db0 x R
                     db1 x db1 x R; db1 1 ap1 x R; db1 y|# c1r . S
                     ap1 1|y ap1 . R; ap1 # rt1 y L
                     rt1 1|y rt1 . L; rt1 x db1 x R
                     c0r y c0r 1 R; c0r # cl # L
                     c1r y c1r 1 R; c1r # cl 1 L
                     cl 1 cl 1 L; cl x cl 1 L; cl = bs = L""",
    ),
    dict(
        id="unary-div", title="Деление унарных чисел нацело", difficulty=4, alphabet="1/", word="1111111/11",
        dies=20, steps=100000, answer="1",
        empty="Если частное равно 0, оно записывается пустым словом: лента должна остаться пустой.",
        statement=["На ленте два числа в унарной записи через знак /: 1…1/1…1 (в каждом хотя бы одна единица).",
                   "Получите неполное частное первого числа на второе (остаток отбросьте) в унарной записи.",
                   "Пример: 1111111/11 -> 111, 11/111 -> (пустая лента)."],
        words=["1/1", "11/1", "1/11", "11/11", "111/11", "1111/11", "11111/11", "111111/11", "1111111/111",
               "11/111", "111/111", "111111/1"],
        allowed=unary_pair("/"),
        expect=lambda w: "1" * (unary_args(w, "/")[0] // unary_args(w, "/")[1]),
        solution="""i 1|/ i . R; i # bi = L
                    bi 1 bi 1 L; bi / mb / R
                    mb y mb y R; mb 1 fa y L; mb = aq = R
                    fa y|/|1|x fa . L; fa # pa # R
                    pa x pa x R; pa 1 rb x R; pa / f1 # L
                    rb 1|x rb . R; rb / mb / R
                    aq 1 aq 1 R; aq # rq 1 L
                    rq 1 rq 1 L; rq = er = L
                    er y er 1 L; er / ex / L
                    ex 1 ex 1 L; ex x ex # L; ex # bm # R
                    bm # bm # R; bm 1 bm 1 R; bm / mb / R
                    f1 x f1 # L; f1 # f2 # R
                    f2 # f2 # R; f2 y|1 f2 # R; f2 = h # S""",
        solution2="""s 1 s0 1 L; s0 # a = R
                     a 1 a 1 R; a / rb / R
                     rb x|/|y rb . R; rb 1 fa y L; rb # un # L
                     un y un 1 L; un / pq / L
                     pq 1|x|= pq . L; pq # bq 1 R
                     bq 1|x|= bq . R; bq / rb / R
                     fa y|/|x fa . L; fa 1 rb x R; fa = o1 # R
                     o1 x|/|y|1 o1 # R""",
    ),
    dict(
        id="unary-mod", title="Остаток от деления унарных чисел", difficulty=4, alphabet="1/", word="1111111/11",
        dies=10, steps=100000, answer="1",
        empty="Если остаток равен 0, он записывается пустым словом: лента должна остаться пустой.",
        statement=["На ленте два числа в унарной записи через знак /: 1…1/1…1 (в каждом хотя бы одна единица).",
                   "Получите остаток от деления первого числа на второе в унарной записи.",
                   "Пример: 1111111/11 -> 1, 1111/11 -> (пустая лента), 11/111 -> 11."],
        words=["1/1", "11/1", "1/11", "11/11", "111/11", "1111/11", "11111/111", "111111/11", "1111111/111",
               "11/111", "111/111", "11111/1111"],
        allowed=unary_pair("/"),
        expect=lambda w: "1" * (unary_args(w, "/")[0] % unary_args(w, "/")[1]),
        solution="""s 1 s 1 R; s / rb / R
                    rb x|/|y rb . R; rb 1 fa y L; rb # un # L
                    un y un 1 L; un / rb / R
                    fa y|/|x fa . L; fa 1 rb x R; fa # o1 # R
                    o1 x o1 # R; o1 / o2 # R
                    o2 y o3 # R
                    o3 y o3 1 R; o3 1 o3 # R""",
        solution2="""s 1 s 1 R; s / mb / R
                     mb y mb y R; mb 1 fa y L; mb # er # L
                     fa y|/|1|x fa . L; fa # pa # R
                     pa x pa x R; pa 1 rb x R; pa / rl / L
                     rb 1|x rb . R; rb / mb / R
                     er y er 1 L; er / ex / L
                     ex 1 ex 1 L; ex x ex # L; ex # bm # R
                     bm # bm # R; bm 1 bm 1 R; bm / mb / R
                     rl x rl 1 L; rl # rr # R
                     rr 1 rr 1 R; rr / eb # R
                     eb y|1 eb # R""",
    ),
    dict(
        id="binary-compare", title="Сравнение двоичных чисел", difficulty=4, alphabet="01,", word="101,110",
        dies=10, steps=100000, answer="<=>", zero=True,
        statement=["На ленте два двоичных числа через запятую.",
                   "Сравните их: ответ — один символ: > (первое больше), < (первое меньше) или = (числа равны).",
                   "Пример: 101,110 -> <, 11,11 -> =, 100,11 -> >."],
        words=["0,0", "0,1", "1,0", "1,1", "10,1", "1,10", "11,10", "10,11", "101,110", "110,101", "100,11",
               "11,100", "101,101", "1101,1011"],
        allowed=binary_pair(","),
        expect=lambda w: compare(*[int(x, 2) for x in w.split(",")]),
        solution="""pE X pE X R; pE 0 cE0 X R; pE 1 cE1 X R; pE , qE , R
                    pG X pG X R; pG 0 cG0 X R; pG 1 cG1 X R; pG , qG , R
                    pL X pL X R; pL 0 cL0 X R; pL 1 cL1 X R; pL , qL , R
                    cE0 0|1 cE0 . R; cE0 , mE0 , R
                    cE1 0|1 cE1 . R; cE1 , mE1 , R
                    cG0 0|1 cG0 . R; cG0 , mG0 , R
                    cG1 0|1 cG1 . R; cG1 , mG1 , R
                    cL0 0|1 cL0 . R; cL0 , mL0 , R
                    cL1 0|1 cL1 . R; cL1 , mL1 , R
                    mE0 X mE0 X R; mE0 0 bE X L; mE0 1 bL X L; mE0 # gt # L
                    mE1 X mE1 X R; mE1 0 bG X L; mE1 1 bE X L; mE1 # gt # L
                    mG0 X mG0 X R; mG0 0|1 bG X L; mG0 # gt # L
                    mG1 X mG1 X R; mG1 0|1 bG X L; mG1 # gt # L
                    mL0 X mL0 X R; mL0 0|1 bL X L; mL0 # gt # L
                    mL1 X mL1 X R; mL1 0|1 bL X L; mL1 # gt # L
                    bE 0|1|X|, bE . L; bE # pE # R
                    bG 0|1|X|, bG . L; bG # pG # R
                    bL 0|1|X|, bL . L; bL # pL # R
                    qE X qE X R; qE 0|1 lt . R; qE # eq # L
                    qG X qG X R; qG 0|1 lt . R; qG # gt # L
                    qL X qL X R; qL 0|1 lt . R; qL # lw # L
                    gt 0|1|X|, gt # L; gt # h > S
                    eq 0|1|X|, eq # L; eq # h = S
                    lt 0|1|X|, lt . R; lt # lw # L
                    lw 0|1|X|, lw # L; lw # h < S""",
        solution2="""za 0 za 0 R; za 1 y1 1 R; za , n0 , R
                     y1 0|1 y1 . R; y1 , n1 , R
                     n1 0 n1 0 R; n1 1 e 1 R; n1 # gt # L
                     n0 0 n0 0 R; n0 1 lt 1 R; n0 # eq # L
                     e 0|1 e . R; e # db # L
                     db 0 db 1 L; db 1 gb 0 L
                     gb 0|1 gb . L; gb , da , L
                     da 0 da 1 L; da 1 bl 0 L
                     bl 0|1 bl . L; bl # za # R
                     gt 0|1|, gt # L; gt # h > S
                     lt 0|1 lt . R; lt # lw # L
                     lw 0|1|, lw # L; lw # h < S
                     eq 0|1|, eq # L; eq # h = S""",
    ),
    dict(
        id="ww", title="Слова вида w w", difficulty=5, alphabet="ab", word="abab", dies=1, steps=100000,
        answer="yesno",
        statement=["Определите, имеет ли слово вид w w: непустое слово w, записанное два раза подряд.",
                   "Пример: abab -> 1, aa -> 1, abba -> 0, aba -> 0."],
        words=["a", "b", "aa", "ab", "bb", "aba", "abab", "abba", "baba", "aabb", "abaaba", "abbabb", "aabaab",
               "ababab"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: answer(len(w) % 2 == 0 and w[:len(w) // 2] == w[len(w) // 2:]),
        solution="""m a r A R; m b r B R; m C|D g2 . L
                    r a|b r . R; r C|D|# rr . L
                    rr a l C L; rr b l D L; rr A|B no . R
                    l a|b l . L; l A|B m . R
                    g2 A|B|C|D g2 . L; g2 # c # R
                    c X c X R; c A fa X R; c B fb X R; c Y ye Y R
                    fa A|B|X|Y fa . R; fa C bk Y L; fa D no D R
                    fb A|B|X|Y fb . R; fb D bk Y L; fb C no C R
                    bk A|B|X|Y|C|D bk . L; bk # c # R
                    ye Y ye Y R; ye # ey # L
                    ey X|Y ey # L; ey # h 1 S
                    no a|b|A|B|C|D|X|Y no . R; no # en # L
                    en a|b|A|B|C|D|X|Y en # L; en # h 0 S""",
        solution2="""s a|b s . R; s # rr # L
                     rr a gl C L; rr b gl D L; rr A|B p2 . R
                     gl a|b gl . L; gl A|B|# ll . R
                     ll a gr A R; ll b gr B R; ll C|D no . R
                     gr a|b gr . R; gr C|D rr . L
                     p2 A|B|C|D|X p2 . R; p2 # tk # L
                     tk C la # L; tk D lb # L; tk X ye # L
                     la C|D|X la . L; la A p2 X R; la B no B R
                     lb C|D|X lb . L; lb B p2 X R; lb A no A R
                     ye X ye # L; ye # h 1 S
                     no a|b|A|B|C|D|X no . R; no # en # L
                     en a|b|A|B|C|D|X en # L; en # h 0 S""",
    ),
    dict(
        id="brackets2", title="Скобки двух видов", difficulty=5, alphabet=BRACKETS, word="([]())", dies=1,
        steps=100000, answer="yesno",
        statement=["Определите, правильно ли расставлены скобки двух видов: можно ли разбить все скобки на пары "
                   "так, чтобы в каждой паре открывающая скобка стояла левее закрывающей того же вида, каждая "
                   "скобка входила ровно в одну пару, а между скобками каждой пары стояли только целые пары.",
                   "Пример: ([]()) -> 1, [()] -> 1, ([)] -> 0, (] -> 0, [[ -> 0."],
        words=["()", "[]", "(]", "[)", ")(", "((", "([])", "[()]", "([)]", "()[]", "([]", "[]]", "([]())",
               "(()[)]"],
        allowed=words_upto(BRACKETS, 4, lambda w: True) + words_upto(BRACKETS, 6, lambda w: len(w) == 6 and
                                                                     balanced2(w)),
        expect=lambda w: answer(balanced2(w)),
        solution="""s (|[|X s . R; s ) mp X L; s ] mq X L; s # chk # L
                    mp X mp X L; mp ( s X R; mp [|# no . R
                    mq X mq X L; mq [ s X R; mq (|# no . R
                    chk X chk X L; chk (|[ no . R; chk # ye # R
                    ye X ye # R; ye # h 1 S
                    no (|)|[|]|X no . R; no # en # L
                    en (|)|[|]|X en # L; en # h 0 S""",
        solution2="""s (|)|[|]|X s . R; s # f # L
                     f )|]|X f . L; f ( gp X R; f [ gq X R; f # c # R
                     gp X gp X R; gp ) r X R; gp ]|# no . L
                     gq X gq X R; gq ] r X R; gq )|# no . L
                     r (|)|[|]|X r . R; r # f # L
                     c X c X R; c )|] no . R; c # y # L
                     y X y # L; y # h 1 S
                     no (|)|[|]|X no . R; no # en # L
                     en (|)|[|]|X en # L; en # h 0 S""",
    ),
    dict(
        id="binary-sub", title="Вычитание двоичных чисел", difficulty=5, alphabet="01-", word="1000-11", dies=10,
        steps=100000, answer="01", zero=True,
        statement=["На ленте два двоичных числа через знак -, первое не меньше второго. Получите их разность.",
                   "Пример: 1000-11 -> 101, 101-101 -> 0."],
        words=["0-0", "1-0", "1-1", "10-1", "11-1", "11-10", "100-1", "100-11", "101-11", "110-110", "1000-1",
               "1101-1011", "10000-1111"],
        allowed=binary_pair("-", lambda a, b: a >= b),
        expect=lambda w: binary(int(w.split("-")[0], 2) - int(w.split("-")[1], 2)),
        solution="""st 0|1|- st . R; st # t # L
                    t 0 a0 # L; t 1 a1 # L; t - fin # L
                    a0 0|1 a0 . L; a0 - d0 - L
                    a1 0|1 a1 . L; a1 - d1 - L
                    d0 o|i d0 . L; d0 0 ret o R; d0 1 ret i R
                    d1 o|i d1 . L; d1 1 ret o R; d1 0 bw i L
                    bw 0 bw 1 L; bw 1 ret 0 R
                    ret 0|1|o|i|- ret . R; ret # t # L
                    fin o fin 0 L; fin i fin 1 L; fin 0|1 fin . L; fin # z # R
                    z 0 zz 0 R
                    zz 0|1 zb . L
                    zb 0 z # R""",
        solution2="""s0 0|1 s0 . R; s0 - z - R
                     z 0 z 0 R; z 1 e 1 R; z # cl # L
                     e 0|1 e . R; e # db # L
                     db 0 db 1 L; db 1 gb 0 L
                     gb 0|1 gb . L; gb - da - L
                     da 0 da 1 L; da 1 ra 0 R
                     ra 0|1 ra . R; ra - z - R
                     cl 0 cl # L; cl - gs # L
                     gs 0|1 gs . L; gs # st # R
                     st 0 sz 0 R
                     sz 0|1 sb . L
                     sb 0 st # R""",
    ),
    dict(
        id="unary-gcd", title="Наибольший общий делитель", difficulty=5, alphabet="1,", word="1111,111111", dies=10,
        steps=100000, answer="1",
        statement=["На ленте два числа в унарной записи через запятую: 1…1,1…1 (в каждом хотя бы одна единица).",
                   "Получите их наибольший общий делитель в унарной записи.",
                   "Пример: 1111,111111 -> 11, 111,11 -> 1."],
        words=["1,1", "11,1", "1,11", "11,11", "11,1111", "1111,11", "111,11", "1111,111111", "111,111111",
               "111111,1111", "11111,111"],
        allowed=unary_pair(","),
        expect=lambda w: "1" * math.gcd(*unary_args(w, ",")),
        solution="""s 1 s 1 R; s , r , R
                    r x|z|, r . R; r 1 l x L; r # bx # L
                    l x|z|, l . L; l 1 r x R; l # ax # R
                    bx x|z|, bx . L; bx 1 agt 1 R; bx # eq # R
                    agt 1 agt 1 R; agt x agt z R; agt z agt z R; agt , rb2 , R
                    rb2 z rb2 z R; rb2 x rb2 1 R; rb2 # bc # L
                    bc 1|z bc . L; bc , r , R
                    ax x ax 1 R; ax z ax z R; ax , bz , R
                    bz z bz z R; bz x bq z R
                    bq x bq z R; bq 1|# fix . L
                    fix z bc 1 L
                    eq x eq 1 R; eq z eq # R; eq , eb # R
                    eb z|x eb # R""",
        solution2="""s 1|, s . R; s # br # L
                     br y br y L; br 1 ga y L; br , cb , L
                     ga 1|, ga . L; ga x|# ma . R
                     ma 1 gr x R; ma , f1 , R
                     gr 1|,|x|y gr . R; gr # br # L
                     cb 1 gl 1 L; cb x e1 1 L
                     gl 1 gl 1 L; gl x gl # L; gl # rs # R
                     rs # rs # R; rs 1 rr 1 R
                     rr 1|, rr . R; rr y rr 1 R; rr # br # L
                     e1 x e1 1 L; e1 # e2 # R
                     e2 1 e2 1 R; e2 , e3 # R
                     e3 y e3 # R
                     f1 1|y f1 . R; f1 # f2 # L
                     f2 y f2 # L; f2 1|, f4 . R
                     f4 # f5 1 L
                     f5 1|, f5 . L; f5 x f5 1 L; f5 # s # R""",
    ),
    dict(
        id="count-binary", title="Подсчёт символов a в двоичной записи", difficulty=5, alphabet="ab", word="abaab",
        dies=10, steps=100000, answer="01", zero=True,
        statement=["Сосчитайте символы a в слове и запишите их число в двоичной системе; само слово сотрите.",
                   "Пример: abaab -> 11, bab -> 1, bb -> 0."],
        words=["a", "b", "ab", "bb", "aa", "aaa", "abab", "bbbb", "aaaa", "abaab", "aaaaa", "aabaaba",
               "aaaaaaaa"],
        allowed=words_upto("ab", 6, lambda w: True),
        expect=lambda w: binary(w.count("a")),
        solution="""s a|b i . L; i # w = R
                    w a inc = L; w b w = R; w # fin # L
                    inc = inc = L; inc 1 inc 0 L; inc 0|# rt 1 R
                    rt 0|1|= rt . R; rt a|b|# w . S
                    fin = fin # L; fin # h 0 S""",
        solution2="""s a|b s0 . L; s0 # z = R
                     z x|b z . R; z a p1 x R; z # f # L
                     p0 x|b p0 . R; p0 a p1 x R; p0 # w0 # L
                     p1 x|b p1 . R; p1 a p0 a R; p1 # w1 # L
                     w0 0|1|a|b|x|= w0 . L; w0 # bk 0 R
                     w1 0|1|a|b|x|= w1 . L; w1 # bk 1 R
                     bk 0|1 bk . R; bk = z = R
                     f x|b f # L; f = g # L
                     g # h 0 S""",
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


def listed(symbols):
    return ", ".join("«%s»" % c for c in symbols)


def full_statement(task):
    """The statement as written, then what every statement says: the words' symbols, the answer's symbols and
    that the student adds them to the machine's alphabet, the conventions for numbers, and what is checked."""
    lines = list(task["statement"])
    alphabet = task["alphabet"]
    lines.append("Символы слова: %s." % listed(task.get("letters", alphabet)))
    answer = task["answer"]
    work = "как и свои рабочие символы, если они нужны"
    if answer == "yesno":
        missing = [c for c in "01" if c not in alphabet]
        lines.append("Ответ — один символ: 1 (да) или 0 (нет)" +
                     ("; добавьте %s в алфавит машины, %s." % (listed(missing), work) if missing else
                      "; эти символы уже есть в алфавите машины. Свои рабочие символы, если они нужны, добавьте в "
                      "алфавит машины."))
    elif not answer:
        lines.append("Свои рабочие символы, если они нужны, добавьте в алфавит машины.")
    else:
        missing = [c for c in answer if c not in alphabet]
        one = len(answer) == 1
        lines.append(("Символ ответа: %s. " if one else "Символы ответа: %s. ") % listed(answer) +
                     ("Добавьте %s в алфавит машины, %s." % ("его" if one else "их" if len(missing) == len(answer)
                                                            else listed(missing), work) if missing else
                      "%s уже есть в алфавите машины. Свои рабочие символы, если они нужны, добавьте в алфавит "
                      "машины." % ("Он" if one else "Они")))
    if isinstance(task.get("zero"), str):
        lines.append(task["zero"])
    elif task.get("zero"):
        lines.append("Число 0 записывается одной цифрой 0; других ведущих нулей " +
                     ("нет ни в слове, ни в ответе." if "0" in answer else "в слове нет."))
    if task.get("empty"):
        lines.append(task["empty"])
    lines.append("Ответ — всё, что останется на ленте между пустыми клетками (#) после останова машины; где при этом "
                 "стоит головка, не проверяется.")
    return lines


def task_file(task):
    lines = ["[Task]", "Title=" + task["title"], "Alphabet=" + task["alphabet"], "Word=" + task["word"],
             "DiesCount=%d" % task["dies"], "MaxSteps=%d" % task["steps"], "Difficulty=%d" % task["difficulty"],
             "", "[Statement]"]
    lines += full_statement(task)
    return crlf(lines)


def build(task):
    """The files of one task, and a line saying what was added; exits on a wrong solution."""
    tid = task["id"]
    solutions = [rules(task["solution"]), rules(task["solution2"])]
    allowed = task["allowed"]
    rows = list(task["words"])
    assert len(rows) >= 10, tid
    assert set(task["word"]) <= set(task["alphabet"]), tid
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
    if "wrong" in task:
        wrong = rules(task["wrong"])
        if all(run(wrong, w, task["dies"], task["steps"])[0] == answers[w] for w in rows):
            sys.exit("%s: the wrong solution passes every word" % tid)
        files[os.path.join(ROOT, "tests", "tasks", tid + ".wrong.qtm")] = machine_file(task, wrong)
    for path, data in files.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return "%s: %d rows (%d added: %s), %d allowed words" % (tid, len(rows), len(added), " ".join(added),
                                                              len(allowed))


def main():
    only = sys.argv[1:]
    for task in TASKS:
        if not only or task["id"] in only:
            print(build(task), flush=True)


if __name__ == "__main__":
    main()
