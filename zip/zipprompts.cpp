#include "zip/zipprompts.h"

#include <cstdio>

namespace {

std::shared_ptr<IZipPrompts>& Slot() {
    static std::shared_ptr<IZipPrompts> prompts;
    return prompts;
}

} // namespace

std::shared_ptr<IZipPrompts> ZipPrompts() {
    return Slot();
}

std::shared_ptr<IZipPrompts> SetZipPrompts(std::shared_ptr<IZipPrompts> prompts) {
    std::swap(Slot(), prompts);
    return prompts;
}

bool ZipAskYesNo(const std::string& text, const std::string& caption) {
    auto prompts = ZipPrompts();
    return prompts && prompts->AskYesNo(text, caption);
}

void ZipShowError(const std::string& text, const std::string& caption) {
    if (auto prompts = ZipPrompts())
        prompts->ShowError(text, caption);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

std::string ZipChooseFile(const std::string& title, const std::string& filter,
                          const std::string& startFolder) {
    auto prompts = ZipPrompts();
    return prompts ? prompts->ChooseFile(title, filter, startFolder) : std::string();
}

std::string ZipChooseFolder(const std::string& title, const std::string& startFolder) {
    auto prompts = ZipPrompts();
    return prompts ? prompts->ChooseFolder(title, startFolder) : std::string();
}
