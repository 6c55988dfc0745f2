#pragma once

#include "breakpoints/breakpoint.h"
#include "files/qtmfile.h"
#include "machinefixture.h"
#include "platform/codepage.h"
#include "platform/paths.h"

#include <QBuffer>
#include <QFile>
#include <QStringList>

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A machine with a breakpoint list attached, and helpers to read and write machine files in memory.
class MachineFileTest : public MachineTest {
protected:
    MachineFileTest() { machine.SetBreakPoints(&breakPoints); }

    // Lines joined with CR LF, each one ended by it; texts become Windows-1251 bytes.
    static QByteArray Lines(const QStringList& lines) {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += codepage::Encode(line) + "\r\n";
        return bytes;
    }

    TLoadReport Read(const QByteArray& bytes) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TLoadReport report(QStringLiteral("test.qtm"));
        EXPECT_EQ(ReadMachine(buffer, machine, breakPoints, report), TReadResult::Complete);
        return report;
    }

    QByteArray Written() const { return MachineFileBytes(machine, breakPoints); }

    // The machine's commands as "state symbol newState newSymbol move".
    QStringList CommandList() const {
        QStringList list;
        for (const TCommandRow& r : machine.Commands())
            list.append(r.sourceState + u' ' + r.sourceSymbol + u' ' + r.newState + u' ' + r.newSymbol + u' ' + r.move);
        return list;
    }

    QStringList StateList() const {
        QStringList list;
        for (const TStateItem& s : machine.States())
            list.append(s.name);
        return list;
    }

    // The breakpoints as "enabled passes symbol state", an empty symbol written as "-".
    QStringList BreakPointList() const {
        QStringList list;
        for (int i = 0; i < breakPoints.Count(); ++i) {
            const TBreakPoint& p = breakPoints.At(i);
            list.append(QString::number(int(p.Enabled)) + u' ' + QString::number(p.Passes) + u' ' +
                        (p.Symbol.isEmpty() ? QStringLiteral("-") : p.Symbol) + u' ' + p.State);
        }
        return list;
    }

    // The machine used as the format's example: inversion of a binary word, with two breakpoints.
    void DefineInversion() {
        Define(QStringLiteral("01"), QStringLiteral("0110"), QStringLiteral("q0"),
               {QStringLiteral("q0 0 q0 1 R"), QStringLiteral("q0 1 q0 0 R"), QStringLiteral("q0 # q1 # L")});
        machine.AddState(QStringLiteral("q1"));
        breakPoints.AddBreakPoint(std::make_unique<TBreakPoint>(true, 2, QStringLiteral("q0"), QStringLiteral("1")));
        breakPoints.AddBreakPoint(std::make_unique<TBreakPoint>(false, 0, QStringLiteral("q1"), QString()));
    }

    TBreakPointList breakPoints;
};

inline const QByteArray InversionFile = "[ABCD] 01\r\n"
                                        "[WORD] 0110\r\n"
                                        "[BEGS] q0\r\n"
                                        "[STAT] q0\r\n"
                                        "[STAT] q1\r\n"
                                        "[COMM] q0                0 q0                1 \xc2\xef\xf0\xe0\xe2\xee\r\n"
                                        "[COMM] q0                1 q0                0 \xc2\xef\xf0\xe0\xe2\xee\r\n"
                                        "[COMM] q0                # q1                # \xc2\xeb\xe5\xe2\xee\r\n"
                                        "[BREK] 1 2     1  q0\r\n"
                                        "[BREK] 0 0     \\0 q1\r\n";
