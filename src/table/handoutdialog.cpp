#include "table/handoutdialog.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextObjectInterface>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The print's margins around the text (QTextDocument::print), in millimetres.
constexpr qreal PrintMarginMm = 20;

qreal ScreenDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96;
}

// Draws the diagram in place of the page's picture straight from its SVG: lines and letters stay sharp at
// any size, and a page costs no bitmap. The picture is scaled down to fit the page it lands on.
class TDiagramObject : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    TDiagramObject(const QByteArray& svg, QObject* parent) : QObject(parent), renderer_(svg) {}

    bool IsValid() const { return renderer_.isValid() && !renderer_.viewBoxF().isEmpty(); }

    QSizeF intrinsicSize(QTextDocument* document, int, const QTextFormat&) override {
        const QPaintDevice* device = document->documentLayout()->paintDevice();
        const qreal dpi = device ? device->logicalDpiX() : ScreenDpi();
        // The SVG counts in points (1/72 inch); the layout in its device's dots.
        const QSizeF natural = renderer_.viewBoxF().size() * dpi / 72;
        QSizeF room = document->pageSize();
        if (room.isValid() && room.height() < 1e6) {
            // A printed page: its text area less a little, so the picture never crosses the page's edge.
            const qreal margins = 2 * PrintMarginMm / 25.4 * dpi;
            room = QSizeF(room.width() - margins, room.height() - margins) * 0.95;
        } else {
            const qreal text = document->textWidth() - 2 * document->documentMargin();
            room = QSizeF(text > 0 ? text : natural.width(), natural.height());
        }
        if (natural.width() <= room.width() && natural.height() <= room.height())
            return natural;
        return natural.scaled(room, Qt::KeepAspectRatio);
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat&) override {
        renderer_.render(painter, rect);
    }

private:
    QSvgRenderer renderer_;
};

} // namespace

namespace {

// On paper a group of the table that fits a page is not split: it moves whole to the next page (a taller one
// repeats its head row on each page); a heading stays on the page of what it heads.
void KeepTogether(QTextDocument& document) {
    const qreal page = document.pageSize().height();
    const QTextFrameFormat root = document.rootFrame()->frameFormat();
    const qreal room = page - root.topMargin() - root.bottomMargin();
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const auto pageOf = [page](qreal y) { return int(y / page); };
    struct TPart {
        QTextFrame* frame = nullptr;
        QTextBlock block;
    };
    QList<TPart> parts;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame())
            parts.append(TPart{frame, {}});
        else if (it.currentBlock().length() > 1)
            parts.append(TPart{nullptr, it.currentBlock()});
    }
    const auto rect = [layout](const TPart& part) {
        return part.frame ? layout->frameBoundingRect(part.frame) : layout->blockBoundingRect(part.block);
    };
    // Each part moves at most once, in order: a move shifts only what follows it.
    for (int i = 0; i < parts.size(); ++i) {
        const QRectF at = rect(parts[i]);
        if (QTextFrame* frame = parts[i].frame) {
            if (pageOf(at.top()) == pageOf(at.bottom() - 1) || at.height() > room)
                continue;
            QTextFrameFormat format = frame->frameFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            frame->setFrameFormat(format);
        } else if (parts[i].block.blockFormat().headingLevel() > 0 && i + 1 < parts.size()) {
            if (pageOf(at.top()) == pageOf(rect(parts[i + 1]).top()))
                continue;
            QTextBlockFormat format = parts[i].block.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(parts[i].block).setBlockFormat(format);
        }
    }
}

qreal Dots(qreal millimetres) {
    return millimetres / 25.4 * ScreenDpi();
}

} // namespace

std::unique_ptr<QTextDocument> HandoutDocument(const TMachine& machine, THandout handout, qreal textWidthMm,
                                               qreal textHeightMm) {
    auto document = std::make_unique<QTextDocument>();
    if (!handout.diagramSvg.isEmpty()) {
        auto* diagram = new TDiagramObject(handout.diagramSvg.toUtf8(), document.get());
        if (diagram->IsValid()) {
            // The page's only picture is the diagram.
            document->documentLayout()->registerHandler(QTextFormat::ImageObject, diagram);
            handout.diagramAsImage = true;
        } else {
            handout.diagramSvg.clear();
        }
    }
    // A handout is read on paper, at arm's length: larger than the screen's default text.
    QFont font = document->defaultFont();
    font.setPointSize(12);
    document->setDefaultFont(font);
    const qreal width = Dots(textWidthMm);
    if (textHeightMm > 0) {
        // Pages of the paper's size, its margins round the text on each.
        const qreal margin = Dots(PrintMarginMm);
        document->setDocumentMargin(margin);
        document->setPageSize(QSizeF(width + 2 * margin, Dots(textHeightMm) + 2 * margin));
    } else {
        document->setTextWidth(width);
    }
    const qreal room = textHeightMm > 0 ? document->pageSize().width() : width;
    // The cells are measured in the page's font: columns of wide letters and of narrow ones pack alike.
    const QFontMetricsF metrics(font);
    const qreal letter = metrics.averageCharWidth();
    const auto measure = [&metrics, letter](const QString& text) { return metrics.horizontalAdvance(text) / letter; };
    const auto fits = [&](int letters) {
        handout.tableLetters = letters;
        document->setHtml(HandoutHtml(machine, handout, measure));
        return document->idealWidth() <= room;
    };
    // The table's letters are only estimated: the laid-out page tells whether its groups fit the paper. The
    // widest groups that fit are found by halving, from one table down to a state a group.
    if (handout.tableLetters > 0 && !fits(std::numeric_limits<int>::max())) {
        int fitting = 1;
        int tooWide = std::max(16, 2 * int(width / letter));
        while (tooWide - fitting > 1) {
            const int letters = (fitting + tooWide) / 2;
            (fits(letters) ? fitting : tooWide) = letters;
        }
        fits(fitting);
    } else if (handout.tableLetters <= 0) {
        document->setHtml(HandoutHtml(machine, handout));
    }
    if (textHeightMm > 0)
        KeepTogether(*document);
    return document;
}

void PrintHandout(QPrinter* printer, const TMachine& machine, const THandout& handout) {
    const QRectF paper = printer->pageLayout().paintRect(QPageLayout::Millimeter);
    const auto document =
        HandoutDocument(machine, handout, paper.width() - 2 * PrintMarginMm, paper.height() - 2 * PrintMarginMm);
    QPainter painter(printer);
    if (!painter.isActive())
        return;
    const QSizeF page = document->pageSize();
    const qreal scale = printer->width() / page.width();
    const int pages = document->pageCount();
    const int first = printer->fromPage() > 0 ? std::max(1, printer->fromPage()) : 1;
    const int last = printer->toPage() > 0 ? std::min(pages, printer->toPage()) : pages;
    // The page's number at its foot on the right, in the text's size.
    QFont numberFont = document->defaultFont();
    numberFont.setPixelSize(int(std::lround(numberFont.pointSizeF() * ScreenDpi() / 72)));
    const qreal margin = Dots(PrintMarginMm);
    for (int number = first; number <= last; ++number) {
        if (number > first)
            printer->newPage();
        painter.save();
        painter.scale(scale, scale);
        const QRectF view(0, (number - 1) * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        document->documentLayout()->draw(&painter, context);
        painter.restore();
        painter.setFont(numberFont);
        painter.drawText(QRectF(0, page.height() - margin, page.width() - margin, margin / 2),
                         Qt::AlignRight | Qt::AlignBottom, QString::number(number));
        painter.restore();
    }
}

void ExecuteHandoutPreview(QWidget* parent, const TMachine& machine, const THandout& handout, const QString& pdfName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(handout.fileName);
    // The PDF goes beside the machine unless the user says otherwise; a printer, where there is one, stays the
    // first choice.
    if (!pdfName.isEmpty()) {
        printer.setOutputFileName(pdfName);
        printer.setOutputFormat(QPrinter::NativeFormat);
    }
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("HandoutPreview"));
    dialog.setWindowTitle(QStringLiteral("Печать: ") + handout.fileName);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&machine, &handout](QPrinter* target) { PrintHandout(target, machine, handout); });
    dialog.exec();
}

#include "handoutdialog.moc"
