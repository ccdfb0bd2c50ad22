#include "app/zipprompts.h"

#include <QFileDialog>
#include <QStringList>

#include "platform/gui/messageboxes.h"
#include "platform/gui/topmosts.h"

bool TQtZipPrompts::AskYesNo(const std::string& text, const std::string& caption) {
    return MessageBoxes().MessageBox(text, caption, mtConfirmation, mbYesNo) == mrYes;
}

void TQtZipPrompts::ShowError(const std::string& text, const std::string& caption) {
    MessageBoxes().MessageBox(text, caption, mtError, Buttons(mbOK));
}

std::string TQtZipPrompts::ChooseFile(const std::string& title, const std::string& filter,
                                      const std::string& startFolder) {
    TTopMostsLowered lowered;
    return QFileDialog::getOpenFileName(DialogOwner(), QString::fromStdString(title),
                                        QString::fromStdString(startFolder), ZipFilterToQt(filter),
                                        nullptr, QFileDialog::HideNameFilterDetails)
        .toStdString();
}

std::string TQtZipPrompts::ChooseFolder(const std::string& title, const std::string& startFolder) {
    TTopMostsLowered lowered;
    return QFileDialog::getExistingDirectory(DialogOwner(), QString::fromStdString(title),
                                             QString::fromStdString(startFolder))
        .toStdString();
}

QString ZipFilterToQt(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString pattern =
                p.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : p.trimmed();
            patterns << pattern;
            if (pattern.toUpper() != pattern)
                patterns << pattern.toUpper();
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

TZipPromptsScope::TZipPromptsScope() {
    SetZipPrompts(std::make_shared<TQtZipPrompts>());
}

TZipPromptsScope::~TZipPromptsScope() {
    SetZipPrompts(nullptr);
}
