#include "pictures/spacetime.h"
#include "printers.h"
#include "settings/config.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <png.h>

namespace {

QString Example(const char* name) {
    return QFileInfo(QString::fromUtf8(__FILE__))
        .absoluteDir()
        .absoluteFilePath(QStringLiteral("../../examples/") + QString::fromLatin1(name));
}

// A machine that sweeps right over its a's and halts on the blank after them: step k has the head on cell k.
void DefineSweep(TBatchRunner& runner) {
    TMachine& m = runner.Machine();
    m.SetAlphabetText(QStringLiteral("a"));
    m.SetInitialState(QStringLiteral("q"));
    m.AddCommand(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("q"), QStringLiteral("a"), MoveRightText);
}

} // namespace

TEST(SpaceTime, RowsOfAShortRunAreTheConfigurationsTheLogHolds) {
    // 111 + 1 carries into a cell the tape grows by on the left: every row, its head and its colours must be the
    // log's configuration of that step.
    TConfig config{QString()};
    config.ViewLog = true;
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(Example("binary_increment.qtm"), warnings, error));
    std::atomic<bool> cancel{false};
    const TSpaceTime picture = DrawSpaceTime(runner, QStringLiteral("111"), 1000, cancel);
    runner.KeepRows(true);
    const TRunResult logged = runner.Run(QStringLiteral("111"), 1000);
    ASSERT_EQ(picture.result.end, TRunEnd::Halt);
    EXPECT_EQ(picture.EndText(), QStringLiteral("останов, шагов: 8"));
    EXPECT_EQ(picture.BandText(), QStringLiteral("шагов в строке: 1"));
    EXPECT_EQ(picture.symbols, QStringLiteral("#01"));
    const TRunLog& log = runner.Log();
    // The log holds the configuration before each step; the picture ends with the one the machine halts in.
    ASSERT_EQ(log.RowCount() + 1, int(picture.rows.size()));
    EXPECT_EQ(picture.rows.back().step, logged.steps);
    EXPECT_EQ(picture.rows.back().cells, QByteArray("1000#"));
    EXPECT_EQ(picture.states[picture.rows.back().state], logged.state);
    const std::array<std::uint32_t, 256> colours = SymbolColours(picture);
    EXPECT_EQ(colours['#'], BlankColour);
    const TPixels pixels = SpaceTimePixels(picture, 1);
    ASSERT_EQ(pixels.width, picture.Columns());
    for (int i = 0; i < log.RowCount(); ++i) {
        SCOPED_TRACE(i);
        const TLogRow& row = log.Row(i);
        const TSpaceTimeRow& drawn = picture.rows[std::size_t(i)];
        EXPECT_EQ(drawn.step, row.step);
        EXPECT_EQ(picture.states[drawn.state], row.state);
        EXPECT_EQ(drawn.head, row.headPosition);
        const TFullWord tape = log.RowSnapshot(i);
        const QString cells = tape.left + tape.word + tape.right;
        QString shown;
        for (int c = 0; c < picture.Columns(); ++c) {
            const int position = picture.firstPosition + c;
            const bool onTape = position >= -tape.left.size() && position < cells.size() - tape.left.size();
            const QChar symbol = onTape ? cells[position + tape.left.size()] : BlankSymbol;
            shown += TRunCore::CharOf(picture.Cell(i, c));
            const std::uint32_t colour = position == row.headPosition ? HeadColour : colours[TRunCore::ByteOf(symbol)];
            EXPECT_EQ(pixels.argb[std::size_t(i * pixels.width + c)], colour) << c;
        }
        EXPECT_EQ(shown.mid(-picture.firstPosition - tape.left.size(), cells.size()), cells);
    }
}

TEST(SpaceTime, LongRunsAreDrawnInBands) {
    const struct {
        int word;
        int maxRows;
        qint64 band;
        int rows;
    } cases[] = {
        {5, 1000, 1, 6},
        {999, 1000, 1, 1000},
        {1000, 1000, 2, 501},
        {100000, 1000, 101, 992},
    };
    TConfig config{QString()};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        TBatchRunner runner(config);
        DefineSweep(runner);
        std::atomic<bool> cancel{false};
        const TSpaceTime picture = DrawSpaceTime(runner, QString(c.word, u'a'), 1000000, cancel, {c.maxRows, 4000});
        EXPECT_EQ(picture.result.steps, c.word);
        EXPECT_EQ(picture.band, c.band);
        ASSERT_EQ(int(picture.rows.size()), c.rows);
        for (int i = 0; i < c.rows; ++i) {
            const qint64 step = std::min<qint64>(i * c.band, c.word);
            ASSERT_EQ(picture.rows[std::size_t(i)].step, step) << i;
            ASSERT_EQ(picture.rows[std::size_t(i)].head, step) << i;
            ASSERT_EQ(picture.RowOfStep(step), i);
        }
        EXPECT_EQ(picture.RowOfStep(c.word - 1), c.band == 1 ? c.rows - 2 : (c.word - 1) / int(c.band));
        // The word between a blank on each side, a column per cells up to 4000 columns.
        const int cells = c.word + 2;
        EXPECT_EQ(picture.cellsPerColumn, (cells + 3999) / 4000);
        EXPECT_LE(picture.Columns(), 4000);
        EXPECT_EQ(picture.Columns(), (cells + picture.cellsPerColumn - 1) / picture.cellsPerColumn);
    }
}

TEST(SpaceTime, RunThatDoesNotHaltIsDrawnUpToItsEndAndSaysWhy) {
    TConfig config{QString()};
    config.ViewLog = true;
    TBatchRunner runner(config);
    QStringList warnings;
    QString error;
    ASSERT_TRUE(runner.Load(Example("endless_loop.qtm"), warnings, error));
    std::atomic<bool> cancel{false};
    TSpaceTime picture = DrawSpaceTime(runner, runner.FileWord(), 1000, cancel);
    EXPECT_EQ(picture.result.end, TRunEnd::Loop);
    EXPECT_EQ(picture.rows.back().step, picture.result.steps);
    EXPECT_TRUE(picture.EndText().startsWith(QStringLiteral("зацикливание (шаг "))) << picture.EndText().toStdString();
    runner.SetLoopCheck(false);
    picture = DrawSpaceTime(runner, runner.FileWord(), 5000, cancel);
    EXPECT_EQ(picture.EndText(), QStringLiteral("предел шагов, шагов: 5000"));
    EXPECT_EQ(picture.rows.back().step, 5000);
    EXPECT_FALSE(runner.LoopCheck());
}

TEST(SpaceTime, PngHoldsThePixels) {
    const TPixels pixels{3, 2, {0xFF102030, HeadColour, BlankColour, 0xFFFFFFFF, 0xFF010203, 0xFFA0B0C0}};
    const QByteArray png = PngBytes(pixels);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.constData(), std::size_t(png.size())));
    image.format = PNG_FORMAT_RGB;
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    for (std::size_t i = 0; i < pixels.argb.size(); ++i)
        EXPECT_EQ(0xFF000000u | std::uint32_t(rgb[3 * i]) << 16 | std::uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2],
                  pixels.argb[i]);
}
