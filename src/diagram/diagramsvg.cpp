// The diagram as an SVG document, written here rather than through the GUI so that qtm-run makes the very
// picture the window exports, without a display.

#include "diagram/diagram.h"

#include "settings/config.h"

#include <QLineF>

#include <cmath>

namespace {

constexpr qreal Margin = 4;

QString Number(qreal v) {
    // Rounded to hundredths, and never "-0", so that the same layout always gives the same bytes.
    const qreal r = std::round(v * 100) / 100;
    return QString::number(r == 0 ? 0.0 : r, 'f', 2);
}

QString Colour(int bgr) {
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

class TSvg {
public:
    TSvg(const TDiagram& d, const TConfig& config, bool inRun) : d_(d), config_(config), inRun_(inRun) {
        dx_ = Margin - d.bounds.left();
        dy_ = Margin - d.bounds.top();
    }

    QString Point(QPointF p) const { return Number(p.x() + dx_) + QLatin1Char(',') + Number(p.y() + dy_); }
    QString X(qreal x) const { return Number(x + dx_); }
    QString Y(qreal y) const { return Number(y + dy_); }

    QString Path(const QList<QPointF>& path) const {
        QString s = QStringLiteral("M") + Point(path.first());
        for (int i = 1; i + 2 < path.size(); i += 3)
            s += QStringLiteral(" C") + Point(path[i]) + QLatin1Char(' ') + Point(path[i + 1]) + QLatin1Char(' ') +
                 Point(path[i + 2]);
        return s;
    }

    QString Arrow(const QList<QPointF>& path, QPointF tip, const QString& colour) const {
        if (path.isEmpty())
            return QString();
        QString s = QStringLiteral("<path d=\"") + Path(path) + QStringLiteral("\" fill=\"none\" stroke=\"") + colour +
                    QStringLiteral("\"/>\n");
        const QPointF end = path.last();
        const QLineF line(end, tip);
        if (line.length() < 0.01)
            return s;
        const QPointF n = QPointF(-line.dy(), line.dx()) / line.length() * 3.5;
        s += QStringLiteral("<polygon points=\"") + Point(tip) + QLatin1Char(' ') + Point(end + n) + QLatin1Char(' ') +
             Point(end - n) + QStringLiteral("\" fill=\"") + colour + QStringLiteral("\" stroke=\"") + colour +
             QStringLiteral("\"/>\n");
        return s;
    }

    QString Text(qreal x, qreal y, const QString& text, const QString& colour) const {
        return QStringLiteral("<text x=\"") + X(x) + QStringLiteral("\" y=\"") + Y(y) + QStringLiteral("\" fill=\"") +
               colour + QStringLiteral("\">") + XmlSafeText(text).toHtmlEscaped() + QStringLiteral("</text>\n");
    }

    QByteArray Write() const {
        // An empty diagram is its one line of text.
        const QString note = d_.error.isEmpty() ? DiagramEmptyNote : d_.error.section(QLatin1Char('\n'), 0, 0);
        const bool empty = d_.nodes.isEmpty();
        const qreal width = empty ? note.size() * DiagramFontSize * 0.6 + 2 * Margin : d_.bounds.width() + 2 * Margin;
        const qreal height = empty ? DiagramFontSize * 1.5 + 2 * Margin : d_.bounds.height() + 2 * Margin;
        QString s = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"") +
                    Number(width) + QStringLiteral("pt\" height=\"") + Number(height) +
                    QStringLiteral("pt\" viewBox=\"0 0 ") + Number(width) + QLatin1Char(' ') + Number(height) +
                    QStringLiteral("\">\n<rect width=\"") + Number(width) + QStringLiteral("\" height=\"") +
                    Number(height) + QStringLiteral("\" fill=\"white\"/>\n<g font-family=\"") + DiagramFont +
                    QStringLiteral("\" font-size=\"") + QString::number(DiagramFontSize) +
                    QStringLiteral("\" text-anchor=\"middle\">\n");
        if (empty)
            s += QStringLiteral("<text x=\"") + Number(Margin) + QStringLiteral("\" y=\"") +
                 Number(Margin + DiagramFontSize) + QStringLiteral("\" text-anchor=\"start\">") +
                 XmlSafeText(note).toHtmlEscaped() + QStringLiteral("</text>\n");
        for (const TDiagramEdge& e : d_.edges) {
            const auto colours = DiagramColours(config_, e.Mark(), inRun_);
            const QString stroke = colours ? Colour(colours->second) : QStringLiteral("black");
            s += QStringLiteral("<g class=\"edge\">\n") + Arrow(e.path, e.tip, stroke);
            const qreal lineHeight = e.labelHeight / std::max<qsizetype>(1, e.lines.size());
            const qreal top = e.labelCentre.y() - e.labelHeight / 2;
            for (int i = 0; i < e.lines.size(); ++i) {
                const auto c = DiagramColours(config_, e.lines[i].mark, inRun_);
                if (c)
                    s += QStringLiteral("<rect x=\"") + X(e.labelCentre.x() - e.labelWidth / 2) +
                         QStringLiteral("\" y=\"") + Y(top + i * lineHeight) + QStringLiteral("\" width=\"") +
                         Number(e.labelWidth) + QStringLiteral("\" height=\"") + Number(lineHeight) +
                         QStringLiteral("\" fill=\"") + Colour(c->second) + QStringLiteral("\"/>\n");
                s += Text(e.labelCentre.x(), top + i * lineHeight + (lineHeight + DiagramFontSize * 0.7) / 2,
                          e.lines[i].text, c ? Colour(c->first) : QStringLiteral("black"));
            }
            s += QStringLiteral("</g>\n");
        }
        for (const TDiagramNode& n : d_.nodes) {
            const auto c = DiagramColours(config_, n.mark, inRun_);
            const QString fill = c ? Colour(c->second) : QStringLiteral("white");
            s += QStringLiteral("<g class=\"node\">\n");
            for (int ring = 0; ring < (n.halting ? 2 : 1); ++ring) {
                const qreal inset = ring * 4;
                s += QStringLiteral("<ellipse cx=\"") + X(n.centre.x()) + QStringLiteral("\" cy=\"") + Y(n.centre.y()) +
                     QStringLiteral("\" rx=\"") + Number(n.width / 2 - inset) + QStringLiteral("\" ry=\"") +
                     Number(n.height / 2 - inset) + QStringLiteral("\" fill=\"") + fill +
                     QStringLiteral("\" stroke=\"black\"/>\n");
            }
            s += Text(n.centre.x(), n.centre.y() + DiagramFontSize * 0.35, n.name,
                      c ? Colour(c->first) : QStringLiteral("black"));
            s += QStringLiteral("</g>\n");
        }
        if (!d_.startPath.isEmpty())
            s += Arrow(d_.startPath, d_.startTip, QStringLiteral("black"));
        s += QStringLiteral("</g>\n</svg>\n");
        return s.toUtf8();
    }

private:
    const TDiagram& d_;
    const TConfig& config_;
    bool inRun_;
    qreal dx_ = 0;
    qreal dy_ = 0;
};

} // namespace

QByteArray DiagramSvg(const TDiagram& diagram, const TConfig& config, bool inRun) {
    return TSvg(diagram, config, inRun).Write();
}
