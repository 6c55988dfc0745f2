#include "table/handout.h"

#include "diagram/diagram.h"
#include "machine/machine.h"
#include "platform/fileio.h"
#include "table/transitiontable.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// A control character read from a file would make the page malformed: it shows as the SVG shows it.
QString Escaped(const QString& text) {
    return XmlSafeText(text).toHtmlEscaped();
}

// An SVG document becomes an element of the page: its XML declaration and document type go.
QString InlineSvg(const QString& svg) {
    const qsizetype start = svg.indexOf(QStringLiteral("<svg"));
    return start < 0 ? QString() : svg.mid(start);
}

void Field(QTextStream& page, const QString& name, const QString& value) {
    page << "<tr><th>" << name << "</th><td>" << (value.isEmpty() ? QStringLiteral("—") : Escaped(value))
         << "</td></tr>\n";
}

// A cell's padding and borders, in letters.
constexpr int CellRoom = 3;

// The state columns [first, last) of each group, in order: as many columns to a group as fit in letters,
// and at least one.
QList<std::pair<int, int>> ColumnGroups(const TTransitionTable& table, const QList<TCommandRow>& rows, int letters,
                                        const std::function<qreal(const QString&)>& measure) {
    const int states = int(table.states.size());
    if (letters <= 0)
        return {{0, states}};
    const auto length = [&measure](const QString& text) { return measure ? measure(text) : qreal(text.size()); };
    qreal symbolColumn = 0;
    for (const QString& symbol : table.symbols)
        symbolColumn = std::max(symbolColumn, length(symbol));
    QList<std::pair<int, int>> groups;
    int first = 0;
    qreal used = symbolColumn + CellRoom;
    for (int q = 0; q < states; ++q) {
        qreal width = length(table.states[q]);
        for (int s = 0; s < table.symbols.size(); ++s)
            if (const int row = table.Row(s, q); row >= 0)
                width = std::max(width, length(TransitionCellText(rows[row])));
        width += CellRoom;
        if (q > first && used + width > letters) {
            groups.append({first, q});
            first = q;
            used = symbolColumn + CellRoom;
        }
        used += width;
    }
    groups.append({first, states});
    return groups;
}

// The table of the state columns [first, last), with the symbol column before them.
void Grid(QTextStream& page, const TTransitionTable& table, const QList<TCommandRow>& rows, int first, int last) {
    // The states' row is the table's head: a group split across pages repeats it on each.
    page << "<table class=\"transitions\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n<thead><tr><th></th>";
    for (int q = first; q < last; ++q)
        page << "<th>" << Escaped(table.states[q]) << "</th>";
    page << "</tr></thead>\n";
    for (int s = 0; s < table.symbols.size(); ++s) {
        page << "<tr><th>" << Escaped(table.symbols[s]) << "</th>";
        for (int q = first; q < last; ++q) {
            const int row = table.Row(s, q);
            page << "<td>" << (row < 0 ? QString() : Escaped(TransitionCellText(rows[row]))) << "</td>";
        }
        page << "</tr>\n";
    }
    page << "</table>\n";
}

} // namespace

QString HandoutTableRefusal(const TMachine& machine) {
    const qsizetype states = machine.States().size();
    const QStringList symbols = TMachine::DistinctSymbols(machine.Alphabet() + BlankSymbol);
    if (states * symbols.size() <= HandoutCellLimit)
        return QString();
    return QStringLiteral("Таблица переходов слишком велика для листа: состояний %1, символов %2, а клеток на листах "
                          "может быть не больше %3")
        .arg(states)
        .arg(symbols.size())
        .arg(HandoutCellLimit);
}

QString HandoutHtml(const TMachine& machine, const THandout& handout,
                    const std::function<qreal(const QString&)>& letters) {
    const QList<TCommandRow>& rows = machine.Commands();
    const QString title = QStringLiteral("Машина Тьюринга: ") + handout.fileName;

    QString html;
    QTextStream page(&html);
    page << "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>" << Escaped(title)
         << "</title>\n<style>\n"
            "table { border-collapse: collapse; margin-bottom: 1em; }\n"
            "th, td { border: 1px solid black; padding: 3px 8px; }\n"
            "th { white-space: nowrap; }\n"
            "table.transitions td { text-align: center; white-space: nowrap; }\n"
            "svg { max-width: 100%; height: auto; }\n"
            "</style>\n</head>\n<body>\n<h1>Машина Тьюринга</h1>\n";

    page << "<table class=\"machine\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n";
    Field(page, QStringLiteral("Файл"), handout.fileName);
    Field(page, QStringLiteral("Алфавит"), machine.Alphabet());
    Field(page, QStringLiteral("Слово"), machine.Word());
    Field(page, QStringLiteral("Начальное состояние"), machine.GetInitialState());
    page << "</table>\n";

    page << "<h2>Таблица переходов</h2>\n";
    const QString refusal = HandoutTableRefusal(machine);
    if (!refusal.isEmpty()) {
        page << "<p class=\"note\">" << Escaped(refusal) << "</p>\n";
    } else {
        const TTransitionTable table = BuildTransitionTable(machine);
        if (!table.HasGrid())
            page << "<p class=\"note\">" << Escaped(table.note) << "</p>\n";
        else
            for (const auto& [first, last] : ColumnGroups(table, rows, handout.tableLetters, letters))
                Grid(page, table, rows, first, last);
        if (!table.outside.isEmpty()) {
            page << "<p>Команды вне таблицы:</p>\n<ul>\n";
            for (int row : table.outside)
                page << "<li>" << Escaped(TMachine::CommandText(TMachine::CommandFromRow(rows[row]))) << "</li>\n";
            page << "</ul>\n";
        }
    }

    if (!handout.diagramSvg.isEmpty()) {
        page << "<h2>Диаграмма состояний</h2>\n";
        if (handout.diagramAsImage)
            page << "<p><img src=\"" << HandoutDiagramUrl << "\" alt=\"Диаграмма состояний\"></p>\n";
        else
            page << InlineSvg(handout.diagramSvg) << "\n";
    }
    page << "</body>\n</html>\n";
    page.flush();
    return html;
}

bool SaveHandout(const QString& path, const QString& html, QString& error) {
    const fileio::TSaveResult result = fileio::SaveFile(path, html.toUtf8(), fileio::FreshTempName(path), QString());
    if (result.ok())
        return true;
    error = fileio::FailureText(path, result, QStringLiteral("Страница осталась в файле"));
    return false;
}

void RunAside(const std::function<void()>& work) {
    const std::unique_ptr<QThread> worker(QThread::create(work));
    worker->start();
    while (!worker->wait(QDeadlineTimer(15)))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool SaveHandoutAside(const QString& path, const QString& html, QString& error) {
    bool saved = false;
    RunAside([&] { saved = SaveHandout(path, html, error); });
    return saved;
}
