#pragma once

#include <QStringList>

#include <optional>

class QCommandLineParser;
class QTextStream;
class TConfig;

// qtm-run's pictures of a run: --spacetime OUT.png (the space-time picture of one run) and --cost [--max-length N]
// [--csv OUT] (steps and cells against the word's length, with the fitted exponent).
void AddPictureOptions(QCommandLineParser& parser);

struct TPictureJob {
    QStringList files;
    // The words given (--word, --words), and those of --expect.
    QStringList words;
    QStringList expectWords;
    QString inputSymbols;
    qint64 maxSteps = 0;
};

// The exit status when a picture option was given, else nothing: 0 when every run halted, 1 when some did not,
// 2 for unusable input or a file that could not be written.
std::optional<int> RunPictures(const QCommandLineParser& parser, const TPictureJob& job, const TConfig& config,
                               QTextStream& out, QTextStream& err);
