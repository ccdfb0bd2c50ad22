// The main window's help commands: "Help...", "About..." and the maker's online links.
#include <QAction>

#include "app/frmabout.h"
#include "app/frmmain.h"
#include "app/frmopenurlconfirm.h"
#include "app/helpsystem.h"
#include "core/productinfo.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/gui/messageboxes.h"

void TfrmMain::ConnectHelpCommands() {
    auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, [handler] { CallGuarded(handler); });
    };
    on(actHelp, [] {
        const std::string folder = HelpEnvironment().HelpFolder;
        if (!DirectoryExists(folder))
            MessageDlg("Can not find help file: " + folder, mtWarning, Buttons(mbOK));
        else
            ApplicationHelpContext(HelpContextIndex);
    });
    // The about box stays above the main window, which stays on top itself.
    on(actAbout, [] { ShowAbout(nullptr, true); });
    on(actWebSite, [this] { ConfirmAndOpenURL(TockwellWebAddress, "", this); });
    on(actCheckForUpdates, [this] { ConfirmAndOpenURL(TockwellDownloadAddress, "", this); });
}
