#pragma once

#include "machine/command.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>

#include <optional>

class TMachine;

// What the edit history compares and puts back: every part of the machine the user edits, and where the
// states stand on the diagram. Taking one copies nothing: the lists share the machine's data until it changes.
struct TMachineContent {
    QString alphabet;
    QString word;
    QString initialState;
    QList<TStateItem> states;
    QList<TCommandRow> commands;
    QHash<QString, QPointF> positions;

    static TMachineContent Of(const TMachine& machine, const QHash<QString, QPointF>& positions);
    // Gives the machine this content (the positions stay with the caller).
    void RestoreInto(TMachine& machine) const;
};

// One step of the edit history: what one user action changed, and nothing else, so that a step in a machine
// of thousands of states costs about what it changed. Applied forwards it takes the content it was made from
// to the one after; backwards, back again.
class TMachineChange {
public:
    // The change from `before` to `after`; Empty() when they hold the same machine.
    static TMachineChange Between(const TMachineContent& before, const TMachineContent& after);
    bool Empty() const;
    void Apply(TMachineContent& content, bool forward) const;

    // What the step did, for the Edit menu: "удаление команды q3, 1".
    QString Text() const;
    // About the memory the step holds, in bytes.
    qsizetype Bytes() const;
    // The state and the command row to select after the step was applied in that direction, or -1.
    int StateToSelect(bool forward) const;
    int CommandToSelect(bool forward) const;

    // A run of list items replaced: `removed` at `before` in the list before, `inserted` at `after` after.
    template <class T>
    struct THunk {
        int before = 0;
        int after = 0;
        QList<T> removed;
        QList<T> inserted;
    };
    struct TPositionChange {
        QString name;
        std::optional<QPointF> before;
        std::optional<QPointF> after;
    };

private:
    struct TText {
        QString before;
        QString after;
    };
    std::optional<TText> alphabet_;
    std::optional<TText> word_;
    std::optional<TText> initialState_;
    QList<THunk<TStateItem>> states_;
    QList<THunk<TCommandRow>> commands_;
    QList<TPositionChange> positions_;
};
