#pragma once
// The questions, boxes and file choices of the archive components, behind an interface that
// the window code implements (tests install fakes). The program installs its windows' one at
// start-up; without one nothing is shown: questions are answered No, choices are cancelled
// and error boxes are written to stderr. Called on the thread that runs the component.

#include <memory>
#include <string>

class IZipPrompts {
public:
    virtual ~IZipPrompts() = default;
    // A question with Yes and No buttons under caption; true for Yes (closing the box is No).
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // An error box with an OK button under caption.
    virtual void ShowError(const std::string& text, const std::string& caption) = 0;
    // A dialog titled title that opens an existing file, starting in startFolder. filter holds
    // description and pattern pairs separated by '|' ("Zip Files (*.ZIP)|*.zip|..."). Returns
    // the chosen file's name, "" when cancelled.
    virtual std::string ChooseFile(const std::string& title, const std::string& filter,
                                   const std::string& startFolder) = 0;
    // A dialog titled title that chooses an existing folder, starting in startFolder. Returns
    // the folder, "" when cancelled.
    virtual std::string ChooseFolder(const std::string& title, const std::string& startFolder) = 0;
};

// The prompts in use, or null. SetZipPrompts installs others (null uninstalls) and returns the
// ones replaced.
std::shared_ptr<IZipPrompts> ZipPrompts();
std::shared_ptr<IZipPrompts> SetZipPrompts(std::shared_ptr<IZipPrompts> prompts);

// The installed prompts' answers, or the answers without any (see above).
bool ZipAskYesNo(const std::string& text, const std::string& caption);
void ZipShowError(const std::string& text, const std::string& caption);
std::string ZipChooseFile(const std::string& title, const std::string& filter,
                          const std::string& startFolder);
std::string ZipChooseFolder(const std::string& title, const std::string& startFolder);
