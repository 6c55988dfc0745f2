#include "platform/qtprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon BoxIcon(TIcon icon) {
    switch (icon) {
    case TIcon::Stop:
        return QMessageBox::Critical;
    case TIcon::Exclamation:
        return QMessageBox::Warning;
    case TIcon::Question:
        return QMessageBox::Question;
    case TIcon::Information:
        return QMessageBox::Information;
    case TIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QWidget* TQtPrompts::Owner() const {
    return owner_ ? owner_ : QApplication::activeWindow();
}

TAnswer TQtPrompts::Ask(const TMessage& message) {
    QMessageBox box(BoxIcon(message.icon), message.caption, message.text, QMessageBox::NoButton, Owner());
    struct TChoice {
        TButton button;
        TAnswer answer;
        QMessageBox::ButtonRole role;
        const char16_t* russian;
        const char16_t* english;
    };
    static const TChoice choices[] = {
        {ButtonOk, TAnswer::Ok, QMessageBox::AcceptRole, u"ОК", u"OK"},
        {ButtonYes, TAnswer::Yes, QMessageBox::YesRole, u"Да", u"Yes"},
        {ButtonNo, TAnswer::No, QMessageBox::NoRole, u"Нет", u"No"},
        {ButtonCancel, TAnswer::Cancel, QMessageBox::RejectRole, u"Отмена", u"Cancel"},
    };
    QHash<QAbstractButton*, TAnswer> answers;
    for (const TChoice& c : choices) {
        if (!(message.buttons & c.button))
            continue;
        QPushButton* b = box.addButton(QString::fromUtf16(message.standard ? c.english : c.russian), c.role);
        answers.insert(b, c.answer);
        if (c.answer == message.defaultButton)
            box.setDefaultButton(b);
        if (c.answer == TAnswer::Cancel)
            box.setEscapeButton(b);
    }
    box.exec();
    const auto it = answers.constFind(box.clickedButton());
    if (it != answers.cend())
        return *it;
    // Closed from the title bar: the box's escape answer.
    return (message.buttons & ButtonCancel) ? TAnswer::Cancel : TAnswer::Ok;
}

void TQtPrompts::Asterisk() {
    QApplication::beep();
}

QString TQtPrompts::QtFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

QString TQtPrompts::RunFileDialog(const TFileDialog& dialog, bool save) {
    QFileDialog box(Owner(), dialog.title, dialog.initialDir, QtFilter(dialog.filter));
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    box.setDefaultSuffix(dialog.defaultExt);
    box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.overwritePrompt);
    if (!dialog.fileName.isEmpty())
        box.selectFile(dialog.fileName);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return QString();
    return box.selectedFiles().constFirst();
}

QString TQtPrompts::OpenFileName(const TFileDialog& dialog) {
    return RunFileDialog(dialog, false);
}

QString TQtPrompts::SaveFileName(const TFileDialog& dialog) {
    return RunFileDialog(dialog, true);
}

QString TQtPrompts::FolderName(const TFileDialog& dialog) {
    QFileDialog box(Owner(), dialog.title, dialog.initialDir);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setFileMode(QFileDialog::Directory);
    box.setOption(QFileDialog::ShowDirsOnly, true);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return QString();
    return box.selectedFiles().constFirst();
}

QString AskFolderName(TPrompts& prompts, const TFileDialog& dialog) {
    if (auto* desktop = dynamic_cast<TQtPrompts*>(&prompts))
        return desktop->FolderName(dialog);
    return prompts.OpenFileName(dialog);
}
