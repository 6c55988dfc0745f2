#include "table/handoutdialog.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSvgRenderer>
#include <QUrl>

std::unique_ptr<QTextDocument> HandoutDocument(const TMachine& machine, THandout handout) {
    auto document = std::make_unique<QTextDocument>();
    if (!handout.diagramSvg.isEmpty()) {
        // The page's layout draws no SVG: the diagram goes in as a picture at twice its size, for print.
        QSvgRenderer renderer(handout.diagramSvg.toUtf8());
        if (renderer.isValid() && !renderer.defaultSize().isEmpty()) {
            QImage picture(renderer.defaultSize() * 2, QImage::Format_ARGB32);
            picture.fill(Qt::white);
            QPainter painter(&picture);
            renderer.render(&painter);
            painter.end();
            picture.setDevicePixelRatio(2);
            document->addResource(QTextDocument::ImageResource, QUrl(HandoutDiagramUrl), picture);
            handout.diagramAsImage = true;
        } else {
            handout.diagramSvg.clear();
        }
    }
    // A handout is read on paper, at arm's length: larger than the screen's default text.
    QFont font = document->defaultFont();
    font.setPointSize(12);
    document->setDefaultFont(font);
    document->setHtml(HandoutHtml(machine, handout));
    return document;
}

void ExecuteHandoutPreview(QWidget* parent, const TMachine& machine, const THandout& handout) {
    const std::unique_ptr<QTextDocument> document = HandoutDocument(machine, handout);
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(handout.fileName);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("HandoutPreview"));
    dialog.setWindowTitle(QStringLiteral("Печать: ") + handout.fileName);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&document](QPrinter* target) { document->print(target); });
    dialog.exec();
}
