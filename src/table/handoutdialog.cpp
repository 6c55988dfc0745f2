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
#include <QTextObjectInterface>

#include <algorithm>

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

std::unique_ptr<QTextDocument> HandoutDocument(const TMachine& machine, THandout handout, qreal textWidthMm) {
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
    // The table's letters are only estimated: the laid-out page tells whether its groups fit the paper, and
    // narrower groups are tried until they do (or a group holds one state).
    const qreal width = textWidthMm / 25.4 * ScreenDpi();
    if (handout.tableLetters > 0)
        handout.tableLetters = std::max(8, int(width / QFontMetricsF(font).averageCharWidth()));
    for (;;) {
        document->setHtml(HandoutHtml(machine, handout));
        document->setTextWidth(width);
        if (handout.tableLetters <= 0 || document->idealWidth() <= width || handout.tableLetters < 8)
            break;
        handout.tableLetters = handout.tableLetters * 4 / 5;
    }
    return document;
}

void PrintHandout(QPrinter* printer, const TMachine& machine, const THandout& handout) {
    const qreal paper = printer->pageLayout().paintRect(QPageLayout::Millimeter).width();
    HandoutDocument(machine, handout, paper - 2 * PrintMarginMm)->print(printer);
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
