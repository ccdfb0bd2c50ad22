#pragma once
// TOptSMTPsettings: the "E-mail Account" options page: the SMTP account the e-mail alerts are
// sent with (kept under the mailer's settings key), and a test message through it.

#include <memory>

#include "app/optionssheetbase.h"

class IMailOutbox;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TMailer;

class TOptSMTPsettings : public TOptionsSheetBase {
    Q_OBJECT
public:
    // Loads the account from the settings under keyPath.
    TOptSMTPsettings(TTockwellOptionsWnd* owner, QWidget* parent,
                     std::string keyPath = DefaultKeyPath());

    // Writes the account: sender, server, port, credentials, character set and whether the
    // server needs a login. A port that is not a number from 1 to 65535 raises EOptionsField
    // on edPort and nothing is written. The store's failures are raised as they come.
    void Save() override;
    // "Send test message": saves, asks for the address (preset to the sender's) and sends the
    // test message off the GUI thread (a mail outbox of the page's own) while a box with
    // Cancel waits for it; Cancel ends the session. Failures are shown in error boxes.
    void Button1Click();

    static std::string DefaultKeyPath();

    QLineEdit* edNameFrom;
    QLineEdit* edEMailFrom;
    QLineEdit* EdHost;
    QLineEdit* edPort;
    QLineEdit* edUserName;
    QLineEdit* edPassword;
    QCheckBox* cbAuthentication;
    QComboBox* cbEncoding;
    QPushButton* Button1;

private:
    void LoadSettings();
    void SendTestMessage(std::unique_ptr<TMailer> mail, const QString& to);
    std::string keyPath_;
    std::shared_ptr<IMailOutbox> outbox_; // made for the first test message
};

// The test message.
inline constexpr char TestMessageSubject[] = "Tockwell test message";
inline constexpr char TestMessageBody[] = "This is a test message to verify that your Tockwell "
                                          "SMTP account has been configured to send Alert "
                                          "e-mails.";
