#include "platform/gui/messageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>
#include <vector>

#include "platform/gui/dialogplacement.h"
#include "platform/sysutils.h"

namespace {

std::shared_ptr<IMessageBoxes>& Current() {
    static std::shared_ptr<IMessageBoxes> boxes = std::make_shared<TQtMessageBoxes>();
    return boxes;
}

struct ButtonInfo {
    TMsgDlgBtn button;
    QMessageBox::StandardButton qt;
    TModalResult result;
};

constexpr ButtonInfo ButtonTable[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesToAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},
    {mbClose, QMessageBox::Close, mrClose},
};

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

std::string ApplicationTitle() {
    return qApp ? QCoreApplication::applicationName().toStdString() : std::string();
}

} // namespace

IMessageBoxes& MessageBoxes() {
    return *Current();
}

std::shared_ptr<IMessageBoxes> SetMessageBoxes(std::shared_ptr<IMessageBoxes> boxes) {
    if (!boxes)
        boxes = std::make_shared<TQtMessageBoxes>();
    return std::exchange(Current(), std::move(boxes));
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
    std::string caption = type < mtCustom ? captions[type] : ApplicationTitle();
    return MessageBoxes().MessageBox(HintLineBreaks(text), caption, type, buttons);
}

void ShowException(const std::string& message) {
    std::string text = message;
    if (!text.empty()) {
        unsigned char last = static_cast<unsigned char>(text.back());
        // Letters, digits and closing marks get a full stop; '.', '!', '?', ':' and the like not.
        if (last > '.' && last != '!' && last != '?' && last != ':' && last != ';')
            text += '.';
    }
    MessageBoxes().ErrorBox(text);
}

void ShowException(const std::exception& e) {
    ShowException(std::string(e.what()));
}

int TQtMessageBoxes::MessageBox(const std::string& text, const std::string& caption,
                                TMsgDlgType type, TMsgDlgButtons buttons) {
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    PlaceDialog(&box);
    std::vector<std::pair<QAbstractButton*, TModalResult>> map;
    for (const ButtonInfo& b : ButtonTable)
        if (buttons & Buttons(b.button)) {
            QAbstractButton* button = box.addButton(b.qt);
            if (b.button == mbAll)
                button->setText(QStringLiteral("All"));
            map.emplace_back(button, b.result);
        }
    if (map.empty())
        map.emplace_back(box.addButton(QMessageBox::Ok), mrOk);
    box.exec();
    for (auto& [button, result] : map)
        if (box.clickedButton() == button)
            return result;
    return (buttons & Buttons(mbCancel)) ? mrCancel : mrNo;
}

void TQtMessageBoxes::ErrorBox(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(ApplicationTitle()),
                    QString::fromStdString(message), QMessageBox::Ok, QApplication::activeWindow());
    PlaceDialog(&box);
    box.exec();
}
