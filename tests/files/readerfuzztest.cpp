#include "filetestsupport.h"
#include "usertexts.h"

#include <QDir>
#include <QFileInfo>

#include <random>

namespace {

// Seeds: the example files and a few lines that reach every branch of the reader.
QList<QByteArray> Seeds() {
    QList<QByteArray> seeds{InversionFile};
    const QDir examples(
        QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../../examples")));
    for (const QString& name : examples.entryList({QStringLiteral("*.qtm")}, QDir::Files, QDir::Name))
        seeds.append(FileBytes(examples.absoluteFilePath(name)));
    seeds.append(QByteArray("[BREK] 1 0     \\0 \r\n[BREK] 0 -12   x  st\r\n[BREK] x\r\n[STAT]q\r\n"
                            "   [WORD] ab\n[WORD] b#a\r\n[ABCD] a#b\r\n\r\n[COMM] short\r\n"));
    return seeds;
}

class TFuzzer {
public:
    explicit TFuzzer(unsigned seed) : random_(seed), seeds_(Seeds()) {}

    QByteArray Next() {
        switch (Pick(4)) {
        case 0:
            return RandomLines();
        case 1:
            return RandomBytes(Pick(2000));
        default: {
            QByteArray data = seeds_[Pick(int(seeds_.size()))];
            const int mutations = 1 + Pick(8);
            for (int i = 0; i < mutations; ++i)
                Mutate(data);
            // Size brings nothing new past a few lines; it would only slow the run.
            data.truncate(6000);
            return data;
        }
        }
    }

private:
    int Pick(int n) { return n <= 0 ? 0 : int(random_() % unsigned(n)); }

    char Byte() {
        // Line ends, blanks, digits, the tag brackets and the blank symbol come often; any byte may come.
        static const char common[] = "\r\n \t[]#\\0123456789abqABCDWORDEGSTMK";
        return Pick(3) == 0 ? char(Pick(256)) : common[Pick(int(sizeof common) - 1)];
    }

    QByteArray RandomBytes(int n) {
        QByteArray data(n, '\0');
        for (char& c : data)
            c = Byte();
        return data;
    }

    QByteArray RandomLines() {
        static const char* tags[] = {"[ABCD]", "[WORD]", "[BEGS]", "[STAT]", "[COMM]", "[BREK]", "[ABCD", "[xxxx]"};
        QByteArray data;
        const int lines = Pick(40);
        for (int i = 0; i < lines; ++i) {
            data += QByteArray(Pick(3), ' ');
            data += tags[Pick(8)];
            data += RandomBytes(Pick(3) == 0 ? Pick(700) : Pick(60)).replace('\n', ' ');
            data += Pick(4) == 0 ? "\n" : "\r\n";
        }
        return data;
    }

    void Mutate(QByteArray& data) {
        const int at = Pick(int(data.size()) + 1);
        switch (Pick(7)) {
        case 0:
            if (!data.isEmpty())
                data[std::min<qsizetype>(at, data.size() - 1)] = Byte();
            break;
        case 1:
            data.insert(at, RandomBytes(1 + Pick(8)));
            break;
        case 2:
            data.remove(at, Pick(40));
            break;
        case 3:
            data.insert(at, data.mid(Pick(int(data.size()) + 1), Pick(200)));
            break;
        case 4:
            data.insert(at, QByteArray(400 + Pick(700), char('a' + Pick(3))));
            break;
        case 5:
            data.truncate(at);
            break;
        case 6:
            data.insert(at, seeds_[Pick(int(seeds_.size()))]);
            break;
        }
    }

    std::mt19937 random_;
    QList<QByteArray> seeds_;
};

const QStringList Messages{usertext::LineTooLong,         usertext::LineTooShort,       usertext::CommandTooShort,
                           usertext::CommandStateTooLong, usertext::BreakPointTooShort, usertext::BreakPointEnabledBad,
                           usertext::BreakPointPassesBad, usertext::LineUnknown};

// A machine of its own per input, read from bytes.
struct TLoaded {
    explicit TLoaded(TPrompts& prompts, const TConfig& config, const QByteArray& bytes)
        : machine(prompts, config), report(QStringLiteral("fuzz.qtm")) {
        machine.SetBreakPoints(&breakPoints);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        result = ReadMachine(buffer, machine, breakPoints, report);
    }
    QByteArray Written() const { return MachineFileBytes(machine, breakPoints); }

    TMachine machine;
    TBreakPointList breakPoints;
    TLoadReport report;
    TReadResult result = TReadResult::NotOpen;
};

} // namespace

using ReaderFuzz = MachineFileTest;

// Thousands of random and mutated files: the reader must finish each, record at most one known fault per
// line, and whatever it loads must be written so that it loads again without a fault as the same machine.
TEST_F(ReaderFuzz, RandomAndMutatedFiles) {
    prompts.allowUnexpected = true;
    TFuzzer fuzzer(20261207);
    for (int i = 0; i < 2000; ++i) {
        const QByteArray input = fuzzer.Next();
        SCOPED_TRACE(i);
        TLoaded first(prompts, settings, input);
        ASSERT_EQ(first.result, TReadResult::Complete);
        // Every LF ends a line, and so does every 501st byte of an over-long one.
        const int lines = int(input.count('\n') + input.size() / (qtmformat::MaxLineBytes + 1));
        int previous = 0;
        for (const TLoadError& e : first.report.Errors()) {
            ASSERT_GT(e.lineNumber, previous);
            ASSERT_LE(e.lineNumber, lines);
            ASSERT_TRUE(Messages.contains(e.message)) << e.message.toStdString();
            previous = e.lineNumber;
        }

        const QByteArray written = first.Written();
        for (const QByteArray& line : written.split('\n'))
            ASSERT_LE(line.size(), qtmformat::MaxLineBytes);
        TLoaded second(prompts, settings, written);
        ASSERT_FALSE(second.report.ErrorsFound()) << second.report.Errors()[0].message.toStdString();
        ASSERT_EQ(second.Written(), written);
        ASSERT_EQ(second.machine.Word(), first.machine.Word());
        ASSERT_EQ(second.machine.Alphabet(), first.machine.Alphabet());
        ASSERT_EQ(second.machine.Commands().size(), first.machine.Commands().size());
        ASSERT_EQ(second.breakPoints.Count(), first.breakPoints.Count());
    }
}
