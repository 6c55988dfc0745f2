#include "pictures/spacetime.h"

#include <png.h>

#include <algorithm>
#include <cmath>

namespace {

// Floor division: column groups are aligned on multiples of their width left of the word too.
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Distinct at a glance and none of them near black (the head) or the blank's light grey.
constexpr std::uint32_t Palette[] = {0xFF1F77B4, 0xFFD62728, 0xFF2CA02C, 0xFFFF7F0E, 0xFF9467BD, 0xFF8C564B,
                                     0xFFE377C2, 0xFF17BECF, 0xFFBCBD22, 0xFF7F7F7F, 0xFFAEC7E8, 0xFFFFBB78};

} // namespace

int TSpaceTime::Columns() const {
    return lastPosition < firstPosition ? 0 : ColumnOf(lastPosition) + 1;
}

int TSpaceTime::ColumnOf(int position) const {
    return FloorDiv(position - firstPosition, cellsPerColumn);
}

int TSpaceTime::RowOfStep(qint64 step) const {
    if (rows.empty() || step < rows.front().step || (zoomed && step > rows.back().step))
        return -1;
    if (step >= rows.back().step)
        return int(rows.size()) - 1;
    return int((step - rows.front().step) / band);
}

QString TSpaceTime::RowsText() const {
    QString text;
    for (int r = 0; r < int(rows.size()); ++r) {
        const TSpaceTimeRow& row = rows[std::size_t(r)];
        text += QString::number(row.step) + QLatin1Char(' ') + states.value(row.state) + QLatin1Char(' ');
        const int head = ColumnOf(row.head);
        for (int c = 0; c < Columns(); ++c) {
            const QChar symbol = TRunCore::CharOf(Cell(r, c));
            text += c == head ? QLatin1Char('[') + symbol + QLatin1Char(']') : QString(symbol);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

std::uint8_t TSpaceTime::Cell(int row, int column) const {
    const TSpaceTimeRow& r = rows[std::size_t(row)];
    const int position = firstPosition + column * cellsPerColumn;
    const int j = FloorDiv(position - r.first, cellsPerColumn);
    return j >= 0 && j < r.cells.size() ? std::uint8_t(r.cells[j]) : std::uint8_t('#');
}

QString TSpaceTime::EndText() const {
    if (cancelled)
        return QStringLiteral("прервано");
    if (result.end == TRunEnd::Refused)
        return RunEndText(result.end);
    QString text = RunEndText(result.end);
    if (result.end == TRunEnd::Loop)
        text += QStringLiteral(" (шаг ") + QString::number(result.loopStep) + QLatin1Char(')');
    return text + QStringLiteral(", шагов: ") + QString::number(result.steps);
}

QString TSpaceTime::BandText() const {
    return QStringLiteral("шагов в строке: ") + QString::number(band);
}

QString WordShown(const QString& word) {
    constexpr qsizetype Shown = 40;
    if (word.isEmpty())
        return QStringLiteral("(пустое слово)");
    if (word.size() <= Shown + 20)
        return word;
    return word.left(Shown) + QStringLiteral("… (символов: ") + QString::number(word.size()) + QLatin1Char(')');
}

TSpaceTime DrawSpaceTime(TBatchRunner& runner, const QString& word, qint64 maxSteps, const std::atomic<bool>& cancel,
                         TSpaceTimeLimits limits, const std::function<void(qint64 done, qint64 total)>& progress,
                         TSpaceTimeRange range) {
    TSpaceTime picture;
    const int maxRows = std::max(limits.maxRows, 2);
    const int maxColumns = std::max(limits.maxColumns, 1);
    const bool loopCheck = runner.LoopCheck();
    runner.SetCancel([&cancel] { return cancel.load(std::memory_order_relaxed); });
    const bool zoom = range.to >= 0;
    qint64 total = maxSteps;
    if (progress)
        runner.SetProgress([&](qint64 done) { progress(done, total); });
    int width = range.width;
    if (!zoom) {
        // Where the run ends decides the band; the tape only grows, so its last width is the widest.
        picture.result = runner.Run(word, maxSteps);
        picture.cancelled = cancel;
        if (picture.result.end == TRunEnd::Refused || picture.cancelled) {
            runner.SetProgress(nullptr);
            runner.SetCancel(nullptr);
            return picture;
        }
        width = int(picture.result.tape.size());
    }
    const qint64 from = zoom ? std::max<qint64>(range.from, 0) : 0;
    const qint64 steps = zoom ? std::max(range.to, from) : picture.result.steps;
    total = steps;
    picture.zoomed = zoom;
    picture.band = steps - from + 1 <= maxRows ? 1 : (steps - from + maxRows - 2) / (maxRows - 1);
    picture.cellsPerColumn = std::max(1, (width + maxColumns - 1) / maxColumns);
    const int group = picture.cellsPerColumn;
    picture.rows.reserve(std::size_t(std::min<qint64>((steps - from) / picture.band + 2, maxRows + 1)));

    // The steps are known now: the loop check has nothing more to find.
    runner.SetLoopCheck(false);
    runner.SetSampler(
        picture.band,
        [&picture, group](const TRunCore& core) {
            if (!picture.rows.empty() && picture.rows.back().step == core.step)
                return;
            TSpaceTimeRow row;
            row.step = core.step;
            row.state = core.state;
            row.head = core.headPosition;
            const int first = -core.leftBlanks;
            const int last = first + int(core.tape.size()) - 1;
            const int g0 = -FloorDiv(-first, group);
            row.first = g0 * group;
            const int count = last >= row.first ? (last - row.first) / group + 1 : 0;
            row.cells.resize(count);
            for (int j = 0; j < count; ++j)
                row.cells[j] = char(core.tape[std::size_t(row.first + j * group - first)]);
            picture.rows.push_back(std::move(row));
        },
        from);
    runner.Run(word, steps);
    runner.SetSampler(0, nullptr);
    runner.SetProgress(nullptr);
    runner.SetCancel(nullptr);
    runner.SetLoopCheck(loopCheck);
    picture.cancelled = cancel;

    const TRunCore& core = runner.Machine().Core();
    for (int id = 0; id < core.StateCount(); ++id)
        picture.states.append(core.StateName(id));
    if (!picture.rows.empty()) {
        int first = picture.rows.front().first;
        int last = first - 1;
        for (const TSpaceTimeRow& r : picture.rows) {
            first = std::min(first, r.first);
            last = std::max(last, r.first + (int(r.cells.size()) - 1) * group);
        }
        picture.firstPosition = first;
        picture.lastPosition = last;
    }
    std::array<bool, 256> seen{};
    for (const TSpaceTimeRow& r : picture.rows)
        for (const char c : r.cells)
            seen[std::uint8_t(c)] = true;
    picture.symbols = QString(BlankSymbol);
    for (const QChar c : runner.Machine().Alphabet())
        if (c != BlankSymbol && !picture.symbols.contains(c))
            picture.symbols.append(c);
    for (int b = 0; b < 256; ++b)
        if (seen[std::size_t(b)] && !picture.symbols.contains(TRunCore::CharOf(std::uint8_t(b))))
            picture.symbols.append(TRunCore::CharOf(std::uint8_t(b)));
    return picture;
}

std::uint32_t SymbolColour(int legendIndex) {
    if (legendIndex <= 0)
        return BlankColour;
    constexpr int known = int(std::size(Palette));
    if (legendIndex <= known)
        return Palette[legendIndex - 1];
    // Beyond the palette: hues a golden angle apart, middling brightness.
    const double hue = std::fmod(double(legendIndex - known) * 137.508, 360.0) / 60.0;
    const double x = 1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0);
    const double rgb[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
    const double* c = rgb[int(hue) % 6];
    const auto channel = [](double v) { return std::uint32_t(40 + v * 170); };
    return 0xFF000000u | channel(c[0]) << 16 | channel(c[1]) << 8 | channel(c[2]);
}

std::array<std::uint32_t, 256> SymbolColours(const TSpaceTime& picture) {
    std::array<std::uint32_t, 256> colours;
    colours.fill(0xFFB0B0B0);
    for (int i = int(picture.symbols.size()) - 1; i >= 0; --i)
        colours[TRunCore::ByteOf(picture.symbols[i])] = SymbolColour(i);
    return colours;
}

TPixels SpaceTimePixels(const TSpaceTime& picture, int scale) {
    TPixels p;
    scale = std::max(scale, 1);
    const int columns = picture.Columns();
    const int rows = int(picture.rows.size());
    p.width = columns * scale;
    p.height = rows * scale;
    p.argb.assign(std::size_t(p.width) * std::size_t(p.height), BlankColour);
    const std::array<std::uint32_t, 256> colours = SymbolColours(picture);
    for (int r = 0; r < rows; ++r) {
        const int head = picture.ColumnOf(picture.rows[std::size_t(r)].head);
        for (int c = 0; c < columns; ++c) {
            const std::uint32_t colour = colours[picture.Cell(r, c)];
            const bool framed = c == head && scale >= 3;
            for (int y = 0; y < scale; ++y) {
                std::uint32_t* line = p.argb.data() + std::size_t(r * scale + y) * std::size_t(p.width);
                for (int x = 0; x < scale; ++x) {
                    const bool edge = x == 0 || y == 0 || x == scale - 1 || y == scale - 1;
                    line[c * scale + x] = c == head && (!framed || edge) ? HeadColour : colour;
                }
            }
        }
    }
    return p;
}

int DefaultScale(const TSpaceTime& picture) {
    const int largest = std::max({picture.Columns(), int(picture.rows.size()), 1});
    return std::clamp(1200 / largest, 1, 12);
}

QByteArray PngBytes(const TPixels& pixels) {
    if (pixels.width <= 0 || pixels.height <= 0)
        return QByteArray();
    std::vector<png_byte> rgb(pixels.argb.size() * 3);
    for (std::size_t i = 0; i < pixels.argb.size(); ++i) {
        rgb[3 * i] = png_byte(pixels.argb[i] >> 16);
        rgb[3 * i + 1] = png_byte(pixels.argb[i] >> 8);
        rgb[3 * i + 2] = png_byte(pixels.argb[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(pixels.width);
    image.height = png_uint_32(pixels.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr))
        return QByteArray();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    const bool ok = png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    if (!ok)
        return QByteArray();
    bytes.resize(qsizetype(size));
    return bytes;
}
