#pragma once
// The zip components' questions, boxes and file choices, shown with the program's message
// boxes and Qt's file dialogs over the active window.

#include <QString>
#include <string>

#include "zip/zipprompts.h"

class TQtZipPrompts : public IZipPrompts {
public:
    // A question box (Yes, No) and an error box (OK) through MessageBoxes().
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowError(const std::string& text, const std::string& caption) override;
    // Qt's file and folder dialogs; "" when cancelled.
    std::string ChooseFile(const std::string& title, const std::string& filter,
                           const std::string& startFolder) override;
    std::string ChooseFolder(const std::string& title, const std::string& startFolder) override;
};

// A filter of description and pattern pairs separated by '|' ("Zip Files (*.ZIP)|*.zip") as a
// Qt dialog's name filters: each description followed by its patterns in parentheses, each
// pattern also in upper case, "*.*" as "*" (any name); filters separated by ";;".
QString ZipFilterToQt(const std::string& filter);

// Installs TQtZipPrompts as ZipPrompts() for its lifetime.
class TZipPromptsScope {
public:
    TZipPromptsScope();
    ~TZipPromptsScope();
    TZipPromptsScope(const TZipPromptsScope&) = delete;
    TZipPromptsScope& operator=(const TZipPromptsScope&) = delete;
};
