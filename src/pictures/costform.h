#pragma once

#include "pictures/cost.h"

#include <QWidget>

#include <functional>
#include <memory>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TConfig;
class TLongWork;
class TPrompts;

// The window "Сложность": runs the machine on words of growing length on a worker thread and plots the steps or
// the tape cells against the length (the largest and the mean per length, and the class of growth that fits best).
// Words that do not halt, and words the step limit cut short, are marked along the top of the plot; Cancel ends
// the runs within a fraction of a second.
class TCostForm : public QWidget {
    Q_OBJECT

public:
    TCostForm(TConfig& config, TPrompts& prompts, QWidget* parent = nullptr);
    ~TCostForm() override;

    // The bytes of the machine file to measure; empty when there is no machine.
    std::function<QByteArray()> machineBytes;
    // The words of the machine's test set, which are measured when there are any (else words over the alphabet).
    std::function<QStringList()> testSetWords;
    // The words' alphabet of the task the machine solves, or nothing: the alphabet field's default (else the symbols
    // of the machine's word).
    std::function<QString()> taskAlphabet;

    // "Измерить" and "Отмена".
    void StartMeasure();
    void CancelMeasure();
    bool Measuring() const;
    const TCostTable& Table() const { return *table_; }
    // Another machine was opened: what was measured is of the old one, so it goes, with a note.
    void FollowMachine();
    bool ExportPng();
    void ApplyLayout();
    void StoreLayout();
    bool ExportCsv();

    QLabel* SourceLabel = nullptr;
    QLabel* FitLabel = nullptr;
    QLineEdit* AlphabetEdit = nullptr;
    QSpinBox* MaxLengthEdit = nullptr;
    QSpinBox* StepLimitEdit = nullptr;
    QComboBox* SeriesBox = nullptr;
    QPushButton* MeasureButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QChartView* ChartView = nullptr;
    QPushButton* PngButton = nullptr;
    QPushButton* CsvButton = nullptr;
    // The plotted table as text, for a screen reader and for reading: shown by TableButton.
    QPushButton* TableButton = nullptr;
    QPlainTextEdit* TableText = nullptr;
    // "Сохранено: name" after an export.
    QLabel* SavedLabel = nullptr;

signals:
    void measured();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void UpdateControls();
    void Done(const std::shared_ptr<TCostTable>& table);
    // Draws the table's steps or cells, as the series box says.
    void Plot();
    bool Save(const QString& title, const QString& filter, const QString& ext, const QByteArray& bytes);

    TConfig& config_;
    TPrompts& prompts_;
    std::shared_ptr<TCostTable> table_;
    TLongWork* work_ = nullptr;
};
