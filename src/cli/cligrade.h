#pragma once

#include <QString>

class QTextStream;
class TConfig;

// What qtm-run --grade writes besides the table on standard output.
struct TGradeOutput {
    // A page for the teacher to open and print.
    QString htmlPath;
    // The table for spreadsheets.
    QString csvPath;
    int jobs = 1;
};

// qtm-run --grade BOOK_DIR CLASS_DIR: checks every student's machine for every task of the book with the task's
// settings and prints the table of the class. shippedBookDir tells where the shipped book's machines are kept.
// Returns 0 when every student solved every task, 1 when some did not, 2 when the book or the class could not be
// read or a file not written.
int GradeClassFolder(const QString& bookDir, const QString& classDir, const QString& shippedBookDir,
                     const TConfig& config, const TGradeOutput& output, QTextStream& out, QTextStream& err);
