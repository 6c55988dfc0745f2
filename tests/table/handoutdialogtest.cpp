#include "table/handoutdialog.h"

#include "diagram/diagram.h"
#include "machinefixture.h"

#include <QDir>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextTable>

#include <algorithm>
#include <utility>

namespace {

class HandoutPrint : public MachineTest {
protected:
    // q0 ... q49 over "01": each state goes on to the next and back to one further on.
    HandoutPrint() {
        QStringList commands;
        for (int i = 0; i < States; ++i) {
            machine.AddState(Name(i));
            commands << Name(i) + " 0 " + Name(i + 1) + " 1 R" << Name(i) + " 1 " + Name(i + 2) + " 0 L";
        }
        Define(QStringLiteral("01"), QStringLiteral("01"), Name(0), commands);
    }

    static QString Name(int i) { return QStringLiteral("q") + QString::number(i % States); }

    // The handout printed as a PDF file on A4: its text as pdftotext reads it (only what lies on the paper),
    // and its pages drawn at 2 dots a millimetre, as poppler draws them.
    struct TPrinted {
        QString text;
        QList<QImage> pages;
    };
    TPrinted Print(const THandout& handout) {
        const QString pdf = dir.filePath(QStringLiteral("лист.pdf"));
        {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            PrintHandout(&printer, machine, handout);
        }
        TPrinted printed;
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        EXPECT_TRUE(tool.waitForFinished(60000)) << "pdftotext (poppler-utils) is needed";
        printed.text = QString::fromUtf8(tool.readAllStandardOutput());
        const QString pages = dir.filePath(QStringLiteral("pages"));
        QDir().mkpath(pages);
        tool.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-gray"),
                                                QStringLiteral("-png"), pdf, pages + QStringLiteral("/p")});
        EXPECT_TRUE(tool.waitForFinished(60000));
        for (const QString& name : QDir(pages).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
            printed.pages.append(QImage(pages + u'/' + name));
        QDir(pages).removeRecursively();
        return printed;
    }

    // The columns of a page that hold ink, and how many dots of ink it has.
    static std::pair<std::pair<int, int>, int> Ink(const QImage& page) {
        int left = page.width();
        int right = -1;
        int dots = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 200) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    ++dots;
                }
        return {{left, right}, dots};
    }

    static constexpr int States = 50;
    QTemporaryDir dir;
};

} // namespace

// Fifty states print whole: the table in column groups, each state's name in it; the diagram scaled to the
// paper. Nothing reaches into the paper's last centimetre.
TEST_F(HandoutPrint, FiftyStatesPrintWholeOnA4) {
    const auto inside = [](const QList<QImage>& pages) {
        int dots = 0;
        for (int i = 0; i < pages.size(); ++i) {
            const auto [columns, ink] = Ink(pages[i]);
            const int margin = pages[i].width() * 10 / 210;
            EXPECT_GE(columns.first, margin) << "page " << i + 1;
            EXPECT_LE(columns.second, pages[i].width() - margin) << "page " << i + 1;
            dots += ink;
        }
        return dots;
    };
    const QRegularExpression word(QStringLiteral("\\bq\\d+\\b"));
    QSet<QString> names;
    const TPrinted table = Print(THandout{QStringLiteral("m.qtm"), QString(), false});
    for (const QRegularExpressionMatch& m : word.globalMatch(table.text))
        names.insert(m.captured());
    for (int i = 0; i < States; ++i)
        EXPECT_TRUE(names.contains(Name(i))) << Name(i).toStdString();
    inside(table.pages);

    // The diagram's ink against that of a blank picture under the same heading.
    const QString svg = QString::fromUtf8(DiagramSvg(LayOutDiagram(DiagramSourceOf(machine)), settings));
    const TPrinted page = Print(THandout{QStringLiteral("m.qtm"), svg, false});
    EXPECT_TRUE(page.text.contains(QStringLiteral("Диаграмма состояний")));
    const TPrinted blank =
        Print(THandout{QStringLiteral("m.qtm"),
                       QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"500\" "
                                      "height=\"50\"><rect width=\"1\" height=\"1\" fill=\"white\"/></svg>"),
                       false});
    EXPECT_GT(inside(page.pages), inside(blank.pages) + 500);
}

// On A4 paper a group of the table is never cut by a page (it fits one, so it moves whole, and every group
// repeats its head row should it not), the heading of the diagram stands on its picture's page, and the
// groups fill the page's width.
TEST_F(HandoutPrint, GroupsAndHeadingsStayWithWhatTheyHold) {
    const QString symbols = QStringLiteral("abcdefghijklmnop");
    machine.Clear();
    QStringList commands;
    for (int i = 0; i < 30; ++i) {
        machine.AddState(QStringLiteral("q%1").arg(i));
        for (const QChar c : symbols)
            commands << QStringLiteral("q%1 %2 q%3 %2 R").arg(i).arg(c).arg((i * 7 + c.unicode()) % 30);
    }
    Define(symbols, QStringLiteral("ab"), QStringLiteral("q0"), commands);
    const QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400pt\" height=\"600pt\" "
                                       "viewBox=\"0 0 400 600\"><rect width=\"400\" height=\"600\"/></svg>");
    const auto document =
        HandoutDocument(machine, THandout{QStringLiteral("m.qtm"), svg, false}, A4TextWidthMm, A4TextHeightMm);
    const qreal page = document->pageSize().height();
    const qreal width = document->pageSize().width() - 2 * document->documentMargin();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const auto pageOf = [page](qreal y) { return int(y / page); };
    QList<QRectF> groups;
    int headingPage = -1;
    int picturePage = -1;
    bool machineTable = true;
    for (auto it = document->rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            if (std::exchange(machineTable, false))
                continue;
            const QRectF at = layout->frameBoundingRect(table);
            groups.append(at);
            EXPECT_EQ(pageOf(at.top()), pageOf(at.bottom() - 1)) << "group " << groups.size();
            EXPECT_EQ(table->format().headerRowCount(), 1) << "group " << groups.size();
        } else if (it.currentBlock().text() == QStringLiteral("Диаграмма состояний")) {
            headingPage = pageOf(layout->blockBoundingRect(it.currentBlock()).top());
        } else if (headingPage >= 0 && picturePage < 0 && it.currentBlock().length() > 1) {
            picturePage = pageOf(layout->blockBoundingRect(it.currentBlock()).top());
        }
    }
    ASSERT_GT(groups.size(), 2);
    EXPECT_GT(pageOf(groups.last().bottom()), 0);
    EXPECT_GE(headingPage, 0);
    EXPECT_EQ(headingPage, picturePage);
    for (int i = 0; i + 1 < groups.size(); ++i)
        EXPECT_GT(groups[i].width(), 0.8 * width)
            << "group " << i + 1 << " of " << groups[i].width() << " in " << width;
}
