#pragma once

#include <QAbstractListModel>

class TConfig;
class TMachine;

// The state list over the machine's states. During a run the current state is painted in the active
// colours; otherwise items show their breakpoint colours. States are never painted as errors.
class TStateListModel : public QAbstractListModel {
    Q_OBJECT

public:
    TStateListModel(const TMachine& machine, const TConfig& config, QObject* parent = nullptr);
    // Names only, without colours: the initial-state chooser's list, which would otherwise copy every name.
    void SetNamesOnly(bool namesOnly) { namesOnly_ = namesOnly; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void Reset();
    void Repaint();

private:
    const TMachine& machine_;
    const TConfig& config_;
    bool namesOnly_ = false;
};
