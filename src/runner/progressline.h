#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

class QTextStream;

// The progress of a long batch on a terminal: "шагов: N, M шагов/с" redrawn in place on stderr. Nothing
// shows during the first second, so short runs leave the terminal as it was; the line is redrawn at
// most five times a second and erased by Finish().
class TProgressLine {
public:
    // Milliseconds since some fixed moment; the default is a monotonic clock started with the line.
    using TClock = std::function<qint64()>;

    explicit TProgressLine(QTextStream& err, TClock clock = {});
    ~TProgressLine();
    TProgressLine(const TProgressLine&) = delete;
    TProgressLine& operator=(const TProgressLine&) = delete;

    // Steps executed so far in the whole batch.
    void Update(qint64 steps);
    void Finish();

private:
    QTextStream& err_;
    TClock clock_;
    QElapsedTimer timer_;
    qint64 start_ = 0;
    qint64 lastDrawn_ = -1;
    qsizetype shownWidth_ = 0;
};
