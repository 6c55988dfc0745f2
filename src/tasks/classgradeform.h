#pragma once

#include "tasks/classgrade.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TConfig;
class TLongWork;
class TPrompts;

// The window "Работы класса": the class folder the teacher picks is checked on the open book on a worker thread
// (with progress and "Отмена"); the table shows a row per student and a column per task, sorts by any column
// and is saved as a page to print or a table for spreadsheets.
class TClassGradeForm : public QWidget {
    Q_OBJECT

public:
    // The settings must outlive the window.
    TClassGradeForm(const TConfig& config, TPrompts& prompts, const QString& shippedBookDir, QWidget* parent = nullptr);
    ~TClassGradeForm() override;

    // The book the class is checked on.
    void SetBook(const TTaskBook& book);
    // "Выбрать класс…": asks for the class folder and starts its check. False when the user cancelled.
    bool ChooseClass();
    // Starts checking the class in classDir; finished tells when it is over.
    void Grade(const QString& classDir);
    bool Grading() const;
    const TClassGrade& Result() const { return grade_; }
    bool SaveHtml();
    bool SaveCsv();

    QLabel* SummaryLabel = nullptr;
    QTableWidget* Table = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* ChooseButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HtmlButton = nullptr;
    QPushButton* CsvButton = nullptr;

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Show(const TClassGrade& grade);
    void UpdateControls();
    bool Save(const QString& title, const QString& filter, const QString& ext, const QByteArray& bytes);

    const TConfig& config_;
    TPrompts& prompts_;
    QString shippedBookDir_;
    TTaskBook book_;
    TClassGrade grade_;
    TLongWork* work_ = nullptr;
};
