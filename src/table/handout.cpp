#include "table/handout.h"

#include "machine/machine.h"
#include "platform/fileio.h"
#include "table/transitiontable.h"

#include <QTextStream>

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
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

} // namespace

QString HandoutHtml(const TMachine& machine, const THandout& handout) {
    const TTransitionTable table = BuildTransitionTable(machine);
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
            "</style>\n</head>\n<body>\n<h1>Машина Тьюринга</h1>\n";

    page << "<table class=\"machine\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n";
    Field(page, QStringLiteral("Файл"), handout.fileName);
    Field(page, QStringLiteral("Алфавит"), machine.Alphabet());
    Field(page, QStringLiteral("Слово"), machine.Word());
    Field(page, QStringLiteral("Начальное состояние"), machine.GetInitialState());
    page << "</table>\n";

    page << "<h2>Таблица переходов</h2>\n";
    if (!table.HasGrid()) {
        page << "<p class=\"note\">" << Escaped(table.note) << "</p>\n";
    } else {
        page << "<table class=\"transitions\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n<tr><th></th>";
        for (const QString& state : table.states)
            page << "<th>" << Escaped(state) << "</th>";
        page << "</tr>\n";
        for (int s = 0; s < table.symbols.size(); ++s) {
            page << "<tr><th>" << Escaped(table.symbols[s]) << "</th>";
            for (int q = 0; q < table.states.size(); ++q) {
                const int row = table.Row(s, q);
                page << "<td>" << (row < 0 ? QString() : Escaped(TransitionCellText(rows[row]))) << "</td>";
            }
            page << "</tr>\n";
        }
        page << "</table>\n";
    }
    if (!table.outside.isEmpty()) {
        page << "<p>Команды вне таблицы:</p>\n<ul>\n";
        for (int row : table.outside)
            page << "<li>" << Escaped(TMachine::CommandText(TMachine::CommandFromRow(rows[row]))) << "</li>\n";
        page << "</ul>\n";
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
    const QString temp = fileio::FreshTempName(path);
    const fileio::TSaveResult result = fileio::SaveFile(path, html.toUtf8(), temp, QString());
    if (result.ok())
        return true;
    switch (result.failure) {
    case fileio::TSaveFailure::Replace:
        error = QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(result.error) +
                QStringLiteral("\nСтраница осталась в файле ") + temp;
        break;
    case fileio::TSaveFailure::SyncDir:
        error = QStringLiteral("Файл ") + path +
                QStringLiteral(" записан, но изменения каталога не сохранены на диске: ") +
                fileio::ErrorText(result.error);
        break;
    default:
        error = QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(": ") + fileio::ErrorText(result.error);
        break;
    }
    return false;
}
